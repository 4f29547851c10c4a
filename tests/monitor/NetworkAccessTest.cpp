#include "monitor/NetworkAccess.h"

#include "StoreFixture.h"

namespace dravel {
namespace {

class NetworkAccessTest : public testing::TStoreFixture {
 protected:
  std::string ErrorOf(const std::optional<std::string>& Listen, const std::optional<std::string>& Allow) {
    return TStoreFixture::ErrorOf<EAddressText>([&] { ResolveNetworkAccess(Store, Listen, Allow); });
  }
};

TEST_F(NetworkAccessTest, NothingStoredListensEverywhereForEveryone) {
  const TListenAccess Access = ResolveNetworkAccess(Store, std::nullopt, std::nullopt);
  EXPECT_FALSE(Access.Listen);
  EXPECT_TRUE(Access.Allow.AllowsEveryone());
  // A value of another type counts as not stored.
  Store.WriteInteger("ListenAddress", 5);
  EXPECT_FALSE(ResolveNetworkAccess(Store, std::nullopt, std::nullopt).Listen);
}

TEST_F(NetworkAccessTest, StoredValuesAndTheOptionsOverThem) {
  Store.WriteString("ListenAddress", "127.0.0.1");
  Store.WriteString("AllowFrom", "10.0.0.0/8");
  const TListenAccess Stored = ResolveNetworkAccess(Store, std::nullopt, std::nullopt);
  EXPECT_EQ(Stored.Listen, ParseNetAddress("127.0.0.1"));
  EXPECT_TRUE(Stored.Allow.Allows(*ParseNetAddress("10.1.1.1")));
  EXPECT_FALSE(Stored.Allow.Allows(*ParseNetAddress("127.0.0.1")));
  const TListenAccess Given = ResolveNetworkAccess(Store, std::string("::1"), std::string(""));
  EXPECT_EQ(Given.Listen, ParseNetAddress("::1"));
  EXPECT_TRUE(Given.Allow.AllowsEveryone());
}

TEST_F(NetworkAccessTest, AMalformedValueNamesWhereItCameFrom) {
  Store.WriteString("ListenAddress", "here");
  EXPECT_EQ(ErrorOf(std::nullopt, std::nullopt), "ListenAddress: 'here' is not an IP address");
  EXPECT_EQ(ErrorOf(std::string("there"), std::nullopt), "--listen: 'there' is not an IP address");
  Store.WriteString("ListenAddress", "");
  Store.WriteString("AllowFrom", "1.2.3.4/99");
  EXPECT_EQ(ErrorOf(std::nullopt, std::nullopt), "AllowFrom: '1.2.3.4/99' has a prefix length outside 0 to 32");
  EXPECT_EQ(ErrorOf(std::nullopt, std::string("x")), "--allow: 'x' is not an IP address or CIDR range");
  EXPECT_EQ(ErrorOf(std::nullopt, std::string("::1")), "");
}

}  // namespace
}  // namespace dravel
