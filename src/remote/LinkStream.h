#pragma once
// The client's side of one link connection as a byte stream: bytes as they are read, in
// pieces of any size, become whole replies. An encrypted stream is decrypted a whole
// block at a time, a short remainder waiting for the next read, so the chain stays in
// step with the server's however the replies were split on the way. A reply that ends
// off a block boundary has its last bytes decrypted by the cipher's tail rule, as one
// decryption over the whole reply would. No Qt: the core sanitizer build checks it.

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "remote/LinkCipher.h"
#include "sampling/RawData.h"

namespace dravel {

class TLinkStream {
 public:
  // Each whole reply, decrypted where the stream is encrypted.
  using TReplyEvent = std::function<void(const std::uint8_t* Bytes, std::size_t Count)>;

  explicit TLinkStream(TReplyEvent OnReply, std::size_t ReplySize = RawDataSize);

  // A new connection: a part reply is dropped and the chain starts again at the IV of
  // the cipher the next encrypted bytes come with.
  void Restart();
  // Bytes read from the connection; Cipher is null for a link in clear, otherwise an
  // initialised cipher.
  void Add(const TDCP_blowfish* Cipher, const std::uint8_t* Bytes, std::size_t Count);

  // Bytes of the reply under way (decrypted or waiting for the rest of their block).
  std::size_t Held() const { return FReply.size() + FPendingCount; }

 private:
  void AddClear(const std::uint8_t* Bytes, std::size_t Count);
  void AddEncrypted(const TDCP_blowfish& Cipher, const std::uint8_t* Bytes, std::size_t Count);
  // The reply is whole: hand it on and start the next.
  void CompleteIfWhole();

  TReplyEvent FOnReply;
  std::size_t FReplySize;
  std::vector<std::uint8_t> FReply;  // the reply under way, decrypted so far
  TChainBlock FPending{};            // encrypted bytes of a block not yet whole
  std::size_t FPendingCount = 0;
  TChainBlock FChain{};
  bool FChainStarted = false;
};

}  // namespace dravel
