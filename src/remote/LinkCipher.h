#pragma once
// The cipher of the monitoring link: Blowfish with CBC chaining and a tail that does not
// move the chain, a SHA-1 hash object, and the derivation of the link key from a password.
// No Qt: the core sanitizer build checks this file too.

#include <nettle/blowfish.h>
#include <nettle/sha1.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string_view>

namespace dravel {

// Raised by an operation on a cipher or hash object that is not ready for it.
class ECipherError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

constexpr std::size_t CipherBlockSize = 8;
using TChainBlock = std::array<std::uint8_t, CipherBlockSize>;

class TDCP_blowfish {
 public:
  static constexpr std::string_view Algorithm = "Blowfish";
  static constexpr int BlockSize = 64;     // bits
  static constexpr int MaxKeySize = 448;   // bits

  TDCP_blowfish();
  ~TDCP_blowfish();
  TDCP_blowfish(const TDCP_blowfish&) = delete;
  TDCP_blowfish& operator=(const TDCP_blowfish&) = delete;

  bool Initialized() const { return FInitialized; }

  // Runs the key schedule over Size bits of Key (wiping an earlier key first). Without an
  // IV the IV is the encryption of eight 0xFF bytes under the new key. The chaining block
  // starts at the IV.
  void LoadKey(const std::uint8_t* Key, std::size_t SizeBits, const TChainBlock* IV = nullptr);
  // Key tables, IV and chaining block become 0xFF bytes; the cipher is uninitialised.
  void Wipe();
  // Chaining block := IV.
  void RestartChain();

  // CBC over the whole blocks of Count bytes; a tail of Count mod 8 bytes is XORed with the
  // encryption of the chaining block, which it does not move. In and Out may be the same.
  void EncryptChained(const std::uint8_t* In, std::uint8_t* Out, std::size_t Count);
  void DecryptChained(const std::uint8_t* In, std::uint8_t* Out, std::size_t Count);
  // The same over a chain held by the caller, so that each connection keeps its own.
  void EncryptChained(TChainBlock& Chain, const std::uint8_t* In, std::uint8_t* Out,
                      std::size_t Count) const;
  void DecryptChained(TChainBlock& Chain, const std::uint8_t* In, std::uint8_t* Out,
                      std::size_t Count) const;

  const TChainBlock& IV() const { return FIV; }
  const TChainBlock& ChainBlock() const { return FChain; }

 private:
  void CheckInitialized() const;
  void EncryptTail(const TChainBlock& Chain, const std::uint8_t* In, std::uint8_t* Out,
                   std::size_t Count) const;

  bool FInitialized = false;
  TChainBlock FIV{};
  TChainBlock FChain{};
  blowfish_ctx FContext{};
};

class TDCP_sha1 {
 public:
  static constexpr std::size_t DigestSize = 20;
  using TDigest = std::array<std::uint8_t, DigestSize>;

  TDCP_sha1() = default;
  ~TDCP_sha1() { Burn(); }
  TDCP_sha1(const TDCP_sha1&) = delete;
  TDCP_sha1& operator=(const TDCP_sha1&) = delete;

  void Init();
  void Update(const std::uint8_t* Bytes, std::size_t Count);
  // Adds the bytes of a text, without a terminator.
  void UpdateStr(std::string_view Text);
  // Returns the digest and wipes the state; the object must be started again before reuse.
  TDigest Final();
  void Burn();

 private:
  bool FInitialized = false;
  sha1_ctx FContext{};
};

// Makes the link key from a password (its bytes, no terminator; empty is allowed) and
// loads it into Cipher, leaving the chain at the IV. Two derivations from one password
// give the same key, IV and chaining block.
void DeriveLinkKey(TDCP_blowfish& Cipher, std::string_view Password);

}  // namespace dravel
