#include "platform/AddressFilter.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace dravel {
namespace {

TNetAddress Address(const char* Text) {
  const auto Parsed = ParseNetAddress(Text);
  EXPECT_TRUE(Parsed) << Text;
  return Parsed.value_or(TNetAddress{});
}

bool Allowed(const char* List, const char* Peer) { return TAddressFilter::Parse(List).Allows(Address(Peer)); }

TEST(NetAddressTest, ReadsNumericIPv4AndIPv6Only) {
  EXPECT_TRUE(Address("10.1.2.3").IPv4);
  EXPECT_FALSE(Address("fe80::1").IPv4);
  EXPECT_EQ(Address("[::1]"), Address("::1"));
  // An IPv4 address and its mapped IPv6 form are the same peer.
  EXPECT_EQ(Address("127.0.0.1").Bytes, Address("::ffff:127.0.0.1").Bytes);
  EXPECT_TRUE(Address("::ffff:127.0.0.1").Mapped());
  EXPECT_FALSE(Address("::1").Mapped());
  for (const char* Bad : {"", "localhost", "1.2.3", "1.2.3.256", "1.2.3.4:80", "[1.2.3.4]", "::1::2", "[::1",
                          "12345::", " 1.2.3.4", "1.2.3.4/8", "0x7f.0.0.1"})
    EXPECT_FALSE(ParseNetAddress(Bad)) << Bad;
  EXPECT_FALSE(ParseNetAddress(std::string(100, '1')));
}

TEST(NetAddressTest, ReadsSocketAddresses) {
  sockaddr_in V4{};
  V4.sin_family = AF_INET;
  ::inet_pton(AF_INET, "192.168.7.9", &V4.sin_addr);
  EXPECT_EQ(SocketNetAddress(reinterpret_cast<const sockaddr*>(&V4)), Address("192.168.7.9"));
  sockaddr_in6 V6{};
  V6.sin6_family = AF_INET6;
  ::inet_pton(AF_INET6, "2001:db8::5", &V6.sin6_addr);
  EXPECT_EQ(SocketNetAddress(reinterpret_cast<const sockaddr*>(&V6)), Address("2001:db8::5"));
  sockaddr Unix{};
  Unix.sa_family = AF_UNIX;
  EXPECT_FALSE(SocketNetAddress(&Unix));
  EXPECT_FALSE(PeerNetAddress(-1));
}

TEST(NetAddressTest, ListenAddressIsEmptyOrNumeric) {
  EXPECT_FALSE(ParseListenAddress(""));
  EXPECT_FALSE(ParseListenAddress("  "));
  EXPECT_EQ(ParseListenAddress(" 127.0.0.1 "), Address("127.0.0.1"));
  EXPECT_EQ(ParseListenAddress("::1"), Address("::1"));
  EXPECT_FALSE(ParseListenAddress("::")->IPv4);
  EXPECT_THROW(ParseListenAddress("localhost"), EAddressText);
  EXPECT_THROW(ParseListenAddress("10.0.0.0/8"), EAddressText);
}

TEST(AddressFilterTest, EmptyListAllowsEveryone) {
  EXPECT_TRUE(TAddressFilter().AllowsEveryone());
  EXPECT_TRUE(TAddressFilter::Parse("  ").AllowsEveryone());
  EXPECT_TRUE(Allowed("", "203.0.113.4"));
  EXPECT_TRUE(Allowed("", "2001:db8::1"));
}

TEST(AddressFilterTest, MatchesIPv4AddressesAndRanges) {
  EXPECT_TRUE(Allowed("127.0.0.1", "127.0.0.1"));
  EXPECT_FALSE(Allowed("127.0.0.1", "127.0.0.2"));
  EXPECT_TRUE(Allowed("127.0.0.1/32", "127.0.0.1"));
  EXPECT_FALSE(Allowed("127.0.0.1/32", "127.0.0.2"));
  EXPECT_TRUE(Allowed("10.0.0.0/8", "10.255.1.2"));
  EXPECT_FALSE(Allowed("10.0.0.0/8", "11.0.0.1"));
  EXPECT_TRUE(Allowed("192.168.4.0/22", "192.168.7.255"));
  EXPECT_FALSE(Allowed("192.168.4.0/22", "192.168.8.0"));
  // Host bits in the range's address do not matter.
  EXPECT_TRUE(Allowed("192.168.5.77/22", "192.168.4.1"));
  // /0 of IPv4 is every IPv4 peer, and no IPv6 one.
  EXPECT_TRUE(Allowed("0.0.0.0/0", "8.8.8.8"));
  EXPECT_FALSE(Allowed("0.0.0.0/0", "2001:db8::1"));
}

TEST(AddressFilterTest, MatchesIPv6AddressesAndRanges) {
  EXPECT_TRUE(Allowed("::1", "::1"));
  EXPECT_TRUE(Allowed("::1/128", "::1"));
  EXPECT_FALSE(Allowed("::1/128", "::2"));
  EXPECT_TRUE(Allowed("2001:db8::/32", "2001:db8:ffff::1"));
  EXPECT_FALSE(Allowed("2001:db8::/32", "2001:db9::1"));
  EXPECT_TRUE(Allowed("fe80::/10", "febf::1"));
  EXPECT_FALSE(Allowed("fe80::/10", "fec0::1"));
  EXPECT_TRUE(Allowed("::/0", "2001:db8::1"));
  EXPECT_TRUE(Allowed("::/0", "127.0.0.1"));
}

TEST(AddressFilterTest, IPv4MappedPeersMatchIPv4Ranges) {
  EXPECT_TRUE(Allowed("127.0.0.1", "::ffff:127.0.0.1"));
  EXPECT_FALSE(Allowed("127.0.0.1", "::ffff:127.0.0.2"));
  EXPECT_TRUE(Allowed("10.0.0.0/8", "::ffff:10.9.8.7"));
  EXPECT_TRUE(Allowed("::ffff:10.0.0.0/104", "10.1.1.1"));
  // ::1 is not 127.0.0.1.
  EXPECT_FALSE(Allowed("127.0.0.1", "::1"));
}

TEST(AddressFilterTest, AnyItemOfTheListAllows) {
  const TAddressFilter Filter = TAddressFilter::Parse(" 127.0.0.1 , 10.0.0.0/8,\t::1 ");
  EXPECT_FALSE(Filter.AllowsEveryone());
  EXPECT_TRUE(Filter.Allows(Address("127.0.0.1")));
  EXPECT_TRUE(Filter.Allows(Address("10.2.3.4")));
  EXPECT_TRUE(Filter.Allows(Address("::1")));
  EXPECT_FALSE(Filter.Allows(Address("192.168.0.1")));
  EXPECT_FALSE(Filter.Allows(Address("::2")));
}

TEST(AddressFilterTest, BadTextIsRefusedNamingTheItem) {
  for (const char* Bad : {"localhost", "127.0.0.1,", ",127.0.0.1", "127.0.0.1,,::1", "10.0.0.0/33", "::/129",
                          "10.0.0.0/", "10.0.0.0/-1", "10.0.0.0/8x", "10.0.0.0/8/8", "1.2.3.4:80", "/8"}) {
    EXPECT_THROW(TAddressFilter::Parse(Bad), EAddressText) << Bad;
  }
  try {
    TAddressFilter::Parse("127.0.0.1, example.org");
    ADD_FAILURE() << "a name was accepted";
  } catch (const EAddressText& Error) {
    EXPECT_EQ(std::string(Error.what()), "'example.org' is not an IP address or CIDR range");
  }
  try {
    TAddressFilter::Parse("10.0.0.0/40");
    ADD_FAILURE() << "a prefix too long was accepted";
  } catch (const EAddressText& Error) {
    EXPECT_EQ(std::string(Error.what()), "'10.0.0.0/40' has a prefix length outside 0 to 32");
  }
}

TEST(AddressFilterTest, ReadsTheConnectedPeer) {
  int Pair[2];
  ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, Pair), 0);
  EXPECT_FALSE(PeerNetAddress(Pair[0]));  // not an IP socket
  ::close(Pair[0]);
  ::close(Pair[1]);
}

}  // namespace
}  // namespace dravel
