#pragma once
// A second, deliberately separate implementation of the link construction for the tests:
// Blowfish with its tables computed from pi here, SHA-1 written out, and the key
// derivation and chaining as described for the link. Slow and plain on purpose.

#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

namespace dravel::reference {

using TBytes = std::vector<std::uint8_t>;

// The first Count 32-bit words of the fraction of pi in hexadecimal.
std::vector<std::uint32_t> PiFractionWords(std::size_t Count);

std::array<std::uint8_t, 20> Sha1(std::string_view Message);

class TBlowfish {
 public:
  explicit TBlowfish(const TBytes& Key);
  std::array<std::uint8_t, 8> EncryptBlock(const std::uint8_t* In) const;
  std::array<std::uint8_t, 8> DecryptBlock(const std::uint8_t* In) const;

 private:
  std::uint32_t F(std::uint32_t X) const;
  void Rounds(std::uint32_t& L, std::uint32_t& R, bool Backwards) const;
  std::array<std::uint8_t, 8> Block(const std::uint8_t* In, bool Backwards) const;
  std::array<std::uint32_t, 18> P{};
  std::array<std::array<std::uint32_t, 256>, 4> S{};
};

// The link's cipher state after a derivation from Password, and its chained operations.
class TLinkChain {
 public:
  explicit TLinkChain(std::string_view Password);
  TBytes Encrypt(const TBytes& In);
  TBytes Decrypt(const TBytes& In);
  std::array<std::uint8_t, 8> IV;
  std::array<std::uint8_t, 8> Chain;

 private:
  static TBytes KeyFor(std::string_view Password);
  TBlowfish FCipher;
};

}  // namespace dravel::reference
