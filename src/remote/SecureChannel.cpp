#include "remote/SecureChannel.h"

#include <sodium.h>

#include <algorithm>
#include <array>
#include <stdexcept>

namespace dravel {

namespace {

using TFrameNonce = std::array<std::uint8_t, crypto_aead_xchacha20poly1305_ietf_NPUBBYTES>;
static_assert(SecureTagSize == crypto_aead_xchacha20poly1305_ietf_ABYTES);
static_assert(SecureKeySize == crypto_aead_xchacha20poly1305_ietf_KEYBYTES);

TFrameNonce FrameNonce(std::uint64_t Number) {
  TFrameNonce Nonce{};
  for (std::size_t I = 0; I < 8; ++I) Nonce[I] = static_cast<std::uint8_t>(Number >> (8 * I));
  return Nonce;
}

std::size_t FrameLength(const std::vector<std::uint8_t>& Frame) {
  return static_cast<std::size_t>(Frame[0]) | static_cast<std::size_t>(Frame[1]) << 8;
}

}  // namespace

TSecureChannel::TSecureChannel(const TSessionKeys& Keys, TSide Side)
    : FSendKey(Side == TSide::Client ? Keys.ClientToServer : Keys.ServerToClient),
      FReceiveKey(Side == TSide::Client ? Keys.ServerToClient : Keys.ClientToServer) {
  EnsureSodium();
  FFrame.reserve(SecureMaxFrameSize);
}

std::vector<std::uint8_t> TSecureChannel::Seal(const std::uint8_t* Plain, std::size_t Count) {
  if (Count == 0 || Count > SecureMaxPlainSize) throw std::length_error("link frame size out of range");
  const std::size_t Length = Count + SecureTagSize;
  std::vector<std::uint8_t> Frame(2 + Length);
  Frame[0] = static_cast<std::uint8_t>(Length);
  Frame[1] = static_cast<std::uint8_t>(Length >> 8);
  const TFrameNonce Nonce = FrameNonce(FSent++);
  unsigned long long Sealed = 0;
  crypto_aead_xchacha20poly1305_ietf_encrypt(Frame.data() + 2, &Sealed, Plain, Count, nullptr, 0,
                                             nullptr, Nonce.data(), FSendKey.Bytes().data());
  return Frame;
}

bool TSecureChannel::Feed(const std::uint8_t* Bytes, std::size_t Count, const TFrameEvent& OnFrame) {
  while (!FBroken && Count > 0) {
    // The length first, then as much of the frame as it names and has come.
    const std::size_t Want = FFrame.size() < 2 ? 2 : 2 + FrameLength(FFrame);
    const std::size_t Take = std::min(Want - FFrame.size(), Count);
    FFrame.insert(FFrame.end(), Bytes, Bytes + Take);
    Bytes += Take;
    Count -= Take;
    if (FFrame.size() == 2) {
      const std::size_t Length = FrameLength(FFrame);
      if (Length <= SecureTagSize || 2 + Length > SecureMaxFrameSize) FBroken = true;
    } else if (FFrame.size() == Want && !OpenFrame(OnFrame)) {
      FBroken = true;
    }
  }
  return !FBroken;
}

bool TSecureChannel::OpenFrame(const TFrameEvent& OnFrame) {
  std::array<std::uint8_t, SecureMaxPlainSize> Plain{};
  unsigned long long Opened = 0;
  const TFrameNonce Nonce = FrameNonce(FReceived);
  if (crypto_aead_xchacha20poly1305_ietf_decrypt(Plain.data(), &Opened, nullptr, FFrame.data() + 2,
                                                 FFrame.size() - 2, nullptr, 0, Nonce.data(),
                                                 FReceiveKey.Bytes().data()) != 0)
    return false;
  ++FReceived;
  FFrame.clear();
  OnFrame(Plain.data(), static_cast<std::size_t>(Opened));
  return true;
}

}  // namespace dravel
