#include "remote/SecureClientSession.h"

#include <algorithm>

namespace dravel {

namespace {

std::uint32_t U32At(const std::uint8_t* Bytes) {
  return static_cast<std::uint32_t>(Bytes[0]) | static_cast<std::uint32_t>(Bytes[1]) << 8 |
         static_cast<std::uint32_t>(Bytes[2]) << 16 | static_cast<std::uint32_t>(Bytes[3]) << 24;
}

}  // namespace

TSecureClientSession::TSecureClientSession() {
  EnsureSodium();
  FPart.reserve(SecureChallengeSize);
  FOutput.assign(SecureLinkMagic.begin(), SecureLinkMagic.end());
  const TSecureNonce Nonce = MakeSecureNonce();
  FOutput.insert(FOutput.end(), Nonce.begin(), Nonce.end());
  FTranscript.Add(FOutput.data(), FOutput.size());
}

void TSecureClientSession::Fail(TState State, std::string Why) {
  FState = State;
  FFailure = std::move(Why);
  FChannel.reset();
}

void TSecureClientSession::Feed(const std::uint8_t* Bytes, std::size_t Count, const TReplyEvent& OnReply) {
  while (Count > 0) {
    std::size_t Used = 0;
    switch (FState) {
      case TState::Challenge:
        Used = FeedChallenge(Bytes, Count);
        break;
      case TState::Verdict:
        Used = FeedVerdict(Bytes, Count);
        break;
      case TState::Established:
        if (!FChannel->Feed(Bytes, Count, OnReply))
          Fail(TState::Failed, "a reply from the server could not be authenticated");
        return;
      case TState::NeedsKey:
        // The server waits for the proof; bytes now break the protocol.
        Fail(TState::Failed, "the server sent data out of turn");
        return;
      case TState::Refused:
      case TState::Failed:
        return;
    }
    Bytes += Used;
    Count -= Used;
  }
}

std::size_t TSecureClientSession::FeedChallenge(const std::uint8_t* Bytes, std::size_t Count) {
  const std::size_t Used = std::min(SecureChallengeSize - FPart.size(), Count);
  FPart.insert(FPart.end(), Bytes, Bytes + Used);
  if (FPart.size() < SecureChallengeSize) return Used;
  if (!std::equal(SecureLinkMagic.begin(), SecureLinkMagic.end(), FPart.begin())) {
    Fail(TState::Failed, "the server does not speak the secure link");
    return Count;
  }
  const std::uint8_t* At = FPart.data() + SecureLinkMagic.size();
  std::copy(At, At + SecureSaltSize, FSalt.begin());
  At += SecureSaltSize;
  FCost = {U32At(At), U32At(At + 4)};
  if (!AcceptableKeyCost(FCost)) {
    Fail(TState::Failed, "the server asks for an unreasonable key derivation cost");
    return Count;
  }
  FTranscript.Add(FPart.data(), FPart.size());
  FPart.clear();
  FState = TState::NeedsKey;
  return Used;
}

void TSecureClientSession::SetKey(const TSecureLinkKey& Key) {
  if (FState != TState::NeedsKey) return;
  FKey = Key;
  FClientProof = FTranscript.ClientProof(Key);
  FOutput.insert(FOutput.end(), FClientProof.begin(), FClientProof.end());
  FState = TState::Verdict;
}

std::size_t TSecureClientSession::FeedVerdict(const std::uint8_t* Bytes, std::size_t Count) {
  if (FPart.empty()) {
    if (Bytes[0] == SecureRefused) {
      Fail(TState::Refused, "the server refused the password");
      return Count;
    }
    if (Bytes[0] != SecureAccepted) {
      Fail(TState::Failed, "the server sent an unknown answer");
      return Count;
    }
  }
  const std::size_t Used = std::min(1 + SecureProofSize - FPart.size(), Count);
  FPart.insert(FPart.end(), Bytes, Bytes + Used);
  if (FPart.size() < 1 + SecureProofSize) return Used;
  TSecureProof ServerProof{};
  std::copy(FPart.begin() + 1, FPart.end(), ServerProof.begin());
  FPart.clear();
  if (!SameProof(ServerProof, FTranscript.ServerProof(*FKey, FClientProof))) {
    Fail(TState::Failed, "the server could not prove it knows the password");
    return Count;
  }
  FChannel.emplace(FTranscript.SessionKeys(*FKey, FClientProof, ServerProof), TSecureChannel::TSide::Client);
  FKey.reset();  // the session keys are all this connection needs from now on
  FState = TState::Established;
  return Used;
}

std::vector<std::uint8_t> TSecureClientSession::SealRequest() {
  if (FState != TState::Established) return {};
  const std::uint8_t Request = 'W';
  return FChannel->Seal(&Request, 1);
}

}  // namespace dravel
