#include "remote/LinkCipher.h"

#include <algorithm>
#include <cstring>

namespace dravel {

namespace {

constexpr std::uint8_t WipeByte = 0xFF;
constexpr std::size_t LinkKeySize = 32;

template <typename T>
void FillWipe(T& Object) {
  std::memset(static_cast<void*>(&Object), WipeByte, sizeof(Object));
}

void XorBlock(TChainBlock& Block, const std::uint8_t* Bytes) {
  for (std::size_t I = 0; I < CipherBlockSize; ++I) Block[I] ^= Bytes[I];
}

}  // namespace

TDCP_blowfish::TDCP_blowfish() { Wipe(); }

TDCP_blowfish::~TDCP_blowfish() {
  if (FInitialized) Wipe();
}

void TDCP_blowfish::Wipe() {
  FillWipe(FContext);
  FIV.fill(WipeByte);
  FChain.fill(WipeByte);
  FInitialized = false;
}

void TDCP_blowfish::LoadKey(const std::uint8_t* Key, std::size_t SizeBits,
                            const TChainBlock* IV) {
  const std::size_t Bytes = SizeBits / 8;
  if (SizeBits % 8 != 0 || Bytes == 0 || SizeBits > static_cast<std::size_t>(MaxKeySize))
    throw ECipherError("Blowfish: Invalid key size");
  if (FInitialized) Wipe();
  // Nettle reports keys whose S-boxes hold a repeated word as weak; such keys are still
  // the published cipher's keys, and both ends of the link derive the same one.
  static_cast<void>(blowfish_set_key(&FContext, Bytes, Key));
  if (IV) {
    FIV = *IV;
  } else {
    FIV.fill(WipeByte);
    blowfish_encrypt(&FContext, CipherBlockSize, FIV.data(), FIV.data());
  }
  FChain = FIV;
  FInitialized = true;
}

void TDCP_blowfish::RestartChain() { FChain = FIV; }

void TDCP_blowfish::CheckInitialized() const {
  if (!FInitialized) throw ECipherError("Blowfish: Not initialized");
}

void TDCP_blowfish::EncryptChained(const std::uint8_t* In, std::uint8_t* Out, std::size_t Count) {
  EncryptChained(FChain, In, Out, Count);
}

void TDCP_blowfish::DecryptChained(const std::uint8_t* In, std::uint8_t* Out, std::size_t Count) {
  DecryptChained(FChain, In, Out, Count);
}

void TDCP_blowfish::EncryptChained(TChainBlock& Chain, const std::uint8_t* In, std::uint8_t* Out,
                                   std::size_t Count) const {
  CheckInitialized();
  const std::size_t Whole = Count - Count % CipherBlockSize;
  TChainBlock Temp;
  for (std::size_t At = 0; At < Whole; At += CipherBlockSize) {
    Temp = Chain;
    XorBlock(Temp, In + At);
    blowfish_encrypt(&FContext, CipherBlockSize, Temp.data(), Temp.data());
    std::copy(Temp.begin(), Temp.end(), Out + At);
    Chain = Temp;
  }
  Temp.fill(WipeByte);
  EncryptTail(Chain, In + Whole, Out + Whole, Count - Whole);
}

void TDCP_blowfish::DecryptChained(TChainBlock& Chain, const std::uint8_t* In, std::uint8_t* Out,
                                   std::size_t Count) const {
  CheckInitialized();
  const std::size_t Whole = Count - Count % CipherBlockSize;
  TChainBlock Saved;
  TChainBlock Temp;
  for (std::size_t At = 0; At < Whole; At += CipherBlockSize) {
    std::copy(In + At, In + At + CipherBlockSize, Saved.begin());
    blowfish_decrypt(&FContext, CipherBlockSize, Temp.data(), Saved.data());
    XorBlock(Temp, Chain.data());
    std::copy(Temp.begin(), Temp.end(), Out + At);
    Chain = Saved;
  }
  Temp.fill(WipeByte);
  Saved.fill(WipeByte);
  EncryptTail(Chain, In + Whole, Out + Whole, Count - Whole);
}

// The tail, in either direction: XOR with the encryption of the chain, chain unmoved.
void TDCP_blowfish::EncryptTail(const TChainBlock& Chain, const std::uint8_t* In,
                                std::uint8_t* Out, std::size_t Count) const {
  if (Count == 0) return;
  TChainBlock Stream;
  blowfish_encrypt(&FContext, CipherBlockSize, Stream.data(), Chain.data());
  for (std::size_t I = 0; I < Count; ++I) Out[I] = In[I] ^ Stream[I];
  Stream.fill(WipeByte);
}

void TDCP_sha1::Init() {
  sha1_init(&FContext);
  FInitialized = true;
}

void TDCP_sha1::Update(const std::uint8_t* Bytes, std::size_t Count) {
  if (!FInitialized) throw ECipherError("SHA1: Not initialized");
  sha1_update(&FContext, Count, Bytes);
}

void TDCP_sha1::UpdateStr(std::string_view Text) {
  Update(reinterpret_cast<const std::uint8_t*>(Text.data()), Text.size());
}

TDCP_sha1::TDigest TDCP_sha1::Final() {
  if (!FInitialized) throw ECipherError("SHA1: Not initialized");
  TDigest Digest;
  sha1_digest(&FContext, Digest.size(), Digest.data());
  Burn();
  return Digest;
}

void TDCP_sha1::Burn() {
  FillWipe(FContext);
  FInitialized = false;
}

void DeriveLinkKey(TDCP_blowfish& Cipher, std::string_view Password) {
  std::array<std::uint8_t, LinkKeySize> Key;
  Key.fill(WipeByte);
  {
    TDCP_sha1 Hash;
    Hash.Init();
    Hash.UpdateStr(Password);
    TDCP_sha1::TDigest Digest = Hash.Final();
    std::copy(Digest.begin(), Digest.end(), Key.begin());
    Digest.fill(WipeByte);
  }
  Cipher.LoadKey(Key.data(), LinkKeySize * 8);
  // The key bytes do not stay in memory in clear; this moves the chain, hence the restart.
  Cipher.EncryptChained(Key.data(), Key.data(), Key.size());
  Cipher.RestartChain();
  Key.fill(WipeByte);
}

}  // namespace dravel
