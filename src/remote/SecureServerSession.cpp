#include "remote/SecureServerSession.h"

#include <algorithm>
#include <utility>

namespace dravel {

namespace {

void AddU32(std::vector<std::uint8_t>& Out, std::uint32_t Value) {
  for (int I = 0; I < 4; ++I) Out.push_back(static_cast<std::uint8_t>(Value >> (8 * I)));
}

}  // namespace

TSecureServerSession::TSecureServerSession(const TSecureSalt& Salt, const TSecureKeyCost& Cost)
    : FSalt(Salt), FCost(Cost) {
  EnsureSodium();
  FPart.reserve(SecureHelloSize);
}

void TSecureServerSession::SetKey(const TSecureLinkKey& Key) {
  FKey = Key;
  if (FState == TState::WaitingForKey) Judge();
}

std::size_t TSecureServerSession::Feed(const std::uint8_t* Bytes, std::size_t Count) {
  std::size_t Requests = 0;
  while (Count > 0) {
    std::size_t Used = 0;
    switch (FState) {
      case TState::Hello:
        Used = FeedHello(Bytes, Count);
        break;
      case TState::Proof:
        Used = FeedProof(Bytes, Count);
        break;
      case TState::Established: {
        const bool Whole = FChannel->Feed(Bytes, Count, [&](const std::uint8_t* Plain, std::size_t Size) {
          if (Size == 1 && Plain[0] == 'W') {
            ++Requests;
          } else {
            FState = TState::Failed;  // a request is "W" and nothing else
          }
        });
        if (!Whole) FState = TState::Failed;
        return FState == TState::Established ? Requests : 0;
      }
      case TState::WaitingForKey:
        // The client speaks again only after the verdict.
        FState = TState::Failed;
        return 0;
      case TState::Refused:
      case TState::Failed:
        return 0;
    }
    Bytes += Used;
    Count -= Used;
  }
  return Requests;
}

std::size_t TSecureServerSession::FeedHello(const std::uint8_t* Bytes, std::size_t Count) {
  const std::size_t Used = std::min(SecureHelloSize - FPart.size(), Count);
  for (std::size_t I = 0; I < Used; ++I) {
    // The magic is checked byte by byte, so a stranger is dropped at its first wrong one.
    const std::size_t At = FPart.size();
    if (At < SecureLinkMagic.size() && Bytes[I] != SecureLinkMagic[At]) {
      FState = TState::Failed;
      return Count;
    }
    FPart.push_back(Bytes[I]);
  }
  if (FPart.size() < SecureHelloSize) return Used;
  FTranscript.Add(FPart.data(), FPart.size());
  FPart.clear();
  std::vector<std::uint8_t> Challenge(SecureLinkMagic.begin(), SecureLinkMagic.end());
  Challenge.insert(Challenge.end(), FSalt.begin(), FSalt.end());
  AddU32(Challenge, FCost.OpsLimit);
  AddU32(Challenge, FCost.MemLimitKiB);
  const TSecureNonce Nonce = MakeSecureNonce();
  Challenge.insert(Challenge.end(), Nonce.begin(), Nonce.end());
  FTranscript.Add(Challenge.data(), Challenge.size());
  FOutput.insert(FOutput.end(), Challenge.begin(), Challenge.end());
  FState = TState::Proof;
  return Used;
}

std::size_t TSecureServerSession::FeedProof(const std::uint8_t* Bytes, std::size_t Count) {
  const std::size_t Used = std::min(SecureProofSize - FPart.size(), Count);
  FPart.insert(FPart.end(), Bytes, Bytes + Used);
  if (FPart.size() < SecureProofSize) return Used;
  std::copy(FPart.begin(), FPart.end(), FClientProof.begin());
  FPart.clear();
  FState = TState::WaitingForKey;
  if (FKey) Judge();
  return Used;
}

void TSecureServerSession::Judge() {
  if (!SameProof(FClientProof, FTranscript.ClientProof(*FKey))) {
    FOutput.push_back(SecureRefused);
    FState = TState::Refused;
    return;
  }
  const TSecureProof ServerProof = FTranscript.ServerProof(*FKey, FClientProof);
  FOutput.push_back(SecureAccepted);
  FOutput.insert(FOutput.end(), ServerProof.begin(), ServerProof.end());
  FChannel.emplace(FTranscript.SessionKeys(*FKey, FClientProof, ServerProof), TSecureChannel::TSide::Server);
  FState = TState::Established;
}

std::vector<std::uint8_t> TSecureServerSession::SealReply(const std::uint8_t* Record, std::size_t Count) {
  if (!FChannel || FState != TState::Established) return {};
  return FChannel->Seal(Record, Count);
}

}  // namespace dravel
