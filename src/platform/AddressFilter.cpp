#include "platform/AddressFilter.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <algorithm>
#include <charconv>
#include <cstring>

namespace dravel {

namespace {

constexpr std::array<std::uint8_t, 12> MappedPrefix{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xff, 0xff};

std::string_view Trim(std::string_view Text) {
  while (!Text.empty() && (Text.front() == ' ' || Text.front() == '\t')) Text.remove_prefix(1);
  while (!Text.empty() && (Text.back() == ' ' || Text.back() == '\t')) Text.remove_suffix(1);
  return Text;
}

TNetAddress FromIPv4(const in_addr& Address) {
  TNetAddress Result;
  std::copy(MappedPrefix.begin(), MappedPrefix.end(), Result.Bytes.begin());
  std::memcpy(Result.Bytes.data() + 12, &Address.s_addr, 4);
  Result.IPv4 = true;
  return Result;
}

TNetAddress FromIPv6(const in6_addr& Address) {
  TNetAddress Result;
  std::memcpy(Result.Bytes.data(), Address.s6_addr, 16);
  return Result;
}

bool SamePrefix(const TNetAddress& A, const TNetAddress& B, int Bits) {
  const auto Whole = static_cast<std::size_t>(Bits / 8);
  if (!std::equal(A.Bytes.begin(), A.Bytes.begin() + Whole, B.Bytes.begin())) return false;
  if (Bits % 8 == 0) return true;
  const auto Mask = static_cast<std::uint8_t>(0xff << (8 - Bits % 8));
  return (A.Bytes[Whole] & Mask) == (B.Bytes[Whole] & Mask);
}

}  // namespace

bool TNetAddress::Mapped() const { return std::equal(MappedPrefix.begin(), MappedPrefix.end(), Bytes.begin()); }

std::optional<TNetAddress> ParseNetAddress(std::string_view Text) {
  if (Text.size() >= 2 && Text.front() == '[' && Text.back() == ']') {
    Text = Text.substr(1, Text.size() - 2);
    if (Text.find(':') == std::string_view::npos) return std::nullopt;  // brackets are for IPv6
  }
  // Longer than any address (INET6_ADDRSTRLEN) is not one; inet_pton needs a terminated copy.
  if (Text.empty() || Text.size() >= INET6_ADDRSTRLEN) return std::nullopt;
  const std::string Copy(Text);
  in_addr V4{};
  if (::inet_pton(AF_INET, Copy.c_str(), &V4) == 1) return FromIPv4(V4);
  in6_addr V6{};
  if (::inet_pton(AF_INET6, Copy.c_str(), &V6) == 1) return FromIPv6(V6);
  return std::nullopt;
}

std::optional<TNetAddress> SocketNetAddress(const sockaddr* Address) {
  if (!Address) return std::nullopt;
  if (Address->sa_family == AF_INET) return FromIPv4(reinterpret_cast<const sockaddr_in*>(Address)->sin_addr);
  if (Address->sa_family == AF_INET6) return FromIPv6(reinterpret_cast<const sockaddr_in6*>(Address)->sin6_addr);
  return std::nullopt;
}

std::optional<TNetAddress> PeerNetAddress(int Descriptor) {
  sockaddr_storage Peer{};
  socklen_t Size = sizeof Peer;
  if (::getpeername(Descriptor, reinterpret_cast<sockaddr*>(&Peer), &Size) != 0) return std::nullopt;
  return SocketNetAddress(reinterpret_cast<const sockaddr*>(&Peer));
}

std::optional<TNetAddress> ParseListenAddress(std::string_view Text) {
  Text = Trim(Text);
  if (Text.empty()) return std::nullopt;
  if (auto Address = ParseNetAddress(Text)) return Address;
  throw EAddressText("'" + std::string(Text) + "' is not an IP address");
}

TAddressFilter TAddressFilter::Parse(std::string_view Text) {
  TAddressFilter Filter;
  if (Trim(Text).empty()) return Filter;
  while (true) {
    const std::size_t Comma = Text.find(',');
    const std::string_view Item = Trim(Text.substr(0, Comma));
    const std::size_t Slash = Item.find('/');
    const auto Address = ParseNetAddress(Item.substr(0, Slash));
    if (!Address) throw EAddressText("'" + std::string(Item) + "' is not an IP address or CIDR range");
    TRange Range{*Address, Address->IPv4 ? 32 : 128};
    if (Slash != std::string_view::npos) {
      const std::string_view BitsText = Item.substr(Slash + 1);
      int Bits = -1;
      const auto [End, Error] = std::from_chars(BitsText.data(), BitsText.data() + BitsText.size(), Bits);
      if (BitsText.empty() || Error != std::errc{} || End != BitsText.data() + BitsText.size() || Bits < 0 ||
          Bits > Range.Bits) {
        throw EAddressText("'" + std::string(Item) + "' has a prefix length outside 0 to " +
                           std::to_string(Range.Bits));
      }
      Range.Bits = Bits;
    }
    // An IPv4 prefix counts in the mapped form's last 32 bits.
    if (Address->IPv4) Range.Bits += 96;
    Filter.FRanges.push_back(Range);
    if (Comma == std::string_view::npos) break;
    Text.remove_prefix(Comma + 1);
  }
  return Filter;
}

bool TAddressFilter::Allows(const TNetAddress& Peer) const {
  if (FRanges.empty()) return true;
  return std::any_of(FRanges.begin(), FRanges.end(),
                     [&Peer](const TRange& Range) { return SamePrefix(Peer, Range.Network, Range.Bits); });
}

}  // namespace dravel
