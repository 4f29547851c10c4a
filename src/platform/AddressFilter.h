#pragma once
// Numeric IP addresses and the allow-lists built from them: "addr" or "addr/bits", IPv4
// and IPv6, separated by commas. An IPv4 address is held as its IPv4-mapped IPv6 form, so
// a peer that reaches an IPv6 socket from IPv4 matches the IPv4 ranges. Plain C++.

#include <array>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

struct sockaddr;

namespace dravel {

// Bad address or range text; what() says which part is wrong.
class EAddressText : public std::invalid_argument {
 public:
  using std::invalid_argument::invalid_argument;
};

struct TNetAddress {
  std::array<std::uint8_t, 16> Bytes{};  // IPv6 order; IPv4 as ::ffff:a.b.c.d
  bool IPv4 = false;                     // written as an IPv4 address (not as mapped IPv6)

  // An IPv4 address, or one reaching an IPv6 socket from IPv4 (::ffff:a.b.c.d).
  bool Mapped() const;
  bool operator==(const TNetAddress&) const = default;
};

// A numeric IPv4 or IPv6 address (IPv6 optionally in brackets), without a port; none for
// anything else.
std::optional<TNetAddress> ParseNetAddress(std::string_view Text);
// The address of an AF_INET or AF_INET6 socket address; none for other families.
std::optional<TNetAddress> SocketNetAddress(const sockaddr* Address);
// The peer of a connected socket descriptor; none when it cannot be read.
std::optional<TNetAddress> PeerNetAddress(int Descriptor);

// A listen address: empty text is none (every IPv4 address); else a numeric address.
// Throws EAddressText for anything else.
std::optional<TNetAddress> ParseListenAddress(std::string_view Text);

class TAddressFilter {
 public:
  // Allows everyone.
  TAddressFilter() = default;
  // Comma text of addresses and ranges (blanks around each ignored; empty text allows
  // everyone). Throws EAddressText naming the first bad item.
  static TAddressFilter Parse(std::string_view Text);

  bool AllowsEveryone() const { return FRanges.empty(); }
  bool Allows(const TNetAddress& Peer) const;

 private:
  struct TRange {
    TNetAddress Network;
    int Bits = 128;  // leading bits compared, in the IPv6 form
  };
  std::vector<TRange> FRanges;
};

// Where a server listens and whom it lets in.
struct TListenAccess {
  std::optional<TNetAddress> Listen;  // none: every IPv4 address
  TAddressFilter Allow;
};

}  // namespace dravel
