#include "remote/LinkStream.h"

#include <algorithm>
#include <utility>

namespace dravel {

TLinkStream::TLinkStream(TReplyEvent OnReply, std::size_t ReplySize)
    : FOnReply(std::move(OnReply)), FReplySize(ReplySize) {
  FReply.reserve(FReplySize);
}

void TLinkStream::Restart() {
  FReply.clear();
  FPending.fill(0xFF);
  FPendingCount = 0;
  FChainStarted = false;
}

void TLinkStream::Add(const TDCP_blowfish* Cipher, const std::uint8_t* Bytes, std::size_t Count) {
  if (Cipher)
    AddEncrypted(*Cipher, Bytes, Count);
  else
    AddClear(Bytes, Count);
}

void TLinkStream::AddClear(const std::uint8_t* Bytes, std::size_t Count) {
  while (Count > 0) {
    const std::size_t Take = std::min(FReplySize - FReply.size(), Count);
    FReply.insert(FReply.end(), Bytes, Bytes + Take);
    Bytes += Take;
    Count -= Take;
    CompleteIfWhole();
  }
}

void TLinkStream::AddEncrypted(const TDCP_blowfish& Cipher, const std::uint8_t* Bytes,
                               std::size_t Count) {
  if (!FChainStarted) {
    FChain = Cipher.IV();
    FChainStarted = true;
  }
  while (Count > 0) {
    const std::size_t At = FReply.size();
    const std::size_t Room = FReplySize - At;
    // The next unit to decrypt: a whole block, or the short tail that ends the reply.
    const std::size_t Unit = std::min(CipherBlockSize, Room);
    if (FPendingCount == 0) {
      // Straight from the read: the whole blocks this reply still wants, or its tail.
      std::size_t Direct = 0;
      if (Room >= CipherBlockSize) {
        Direct = std::min(Count, Room - Room % CipherBlockSize);
        Direct -= Direct % CipherBlockSize;
      } else if (Count >= Room) {
        Direct = Room;
      }
      if (Direct > 0) {
        FReply.resize(At + Direct);
        Cipher.DecryptChained(FChain, Bytes, FReply.data() + At, Direct);
        Bytes += Direct;
        Count -= Direct;
        CompleteIfWhole();
        continue;
      }
    }
    const std::size_t Take = std::min(Unit - FPendingCount, Count);
    std::copy(Bytes, Bytes + Take, FPending.begin() + static_cast<std::ptrdiff_t>(FPendingCount));
    FPendingCount += Take;
    Bytes += Take;
    Count -= Take;
    if (FPendingCount < Unit) break;
    FReply.resize(At + Unit);
    Cipher.DecryptChained(FChain, FPending.data(), FReply.data() + At, Unit);
    FPending.fill(0xFF);
    FPendingCount = 0;
    CompleteIfWhole();
  }
}

void TLinkStream::CompleteIfWhole() {
  if (FReply.size() < FReplySize) return;
  if (FOnReply) FOnReply(FReply.data(), FReply.size());
  FReply.clear();
}

}  // namespace dravel
