#pragma once
// The client's side of one secure link connection (wire format in SecureLinkWire.h): the
// handshake as a state machine fed with received bytes in pieces of any size, then the
// replies. When the server's challenge has come, the caller derives the key from Salt()
// and Cost() (blocking: off its event loop) and hands it to SetKey. No Qt, no sockets:
// the caller sends TakeOutput() and closes the connection once Refused or Failed.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "remote/SecureChannel.h"
#include "remote/SecureLinkWire.h"

namespace dravel {

class TSecureClientSession {
 public:
  enum class TState {
    Challenge,    // hello sent, reading the server's challenge
    NeedsKey,     // challenge read: derive the key from Salt() and Cost()
    Verdict,      // proof sent, reading the server's verdict
    Established,  // "W" requests may be sent, replies come through OnReply
    Refused,      // the server refused the proof: a wrong password
    Failed,       // malformed bytes, a rogue cost, a wrong server proof, a bad frame
  };
  using TReplyEvent = TSecureChannel::TFrameEvent;

  // The hello is ready in the output at once.
  TSecureClientSession();

  // Adds received bytes; each reply opened goes to OnReply.
  void Feed(const std::uint8_t* Bytes, std::size_t Count, const TReplyEvent& OnReply);
  // The key derived from the password with Salt() and Cost(); only in NeedsKey. Puts the
  // proof in the output.
  void SetKey(const TSecureLinkKey& Key);
  // Bytes to send (the hello, the proof), taken once.
  std::vector<std::uint8_t> TakeOutput() { return std::exchange(FOutput, {}); }
  // A sealed "W" request; only once Established.
  std::vector<std::uint8_t> SealRequest();

  TState State() const { return FState; }
  bool Established() const { return FState == TState::Established; }
  bool Refused() const { return FState == TState::Refused; }
  bool Failed() const { return FState == TState::Failed; }
  // What went wrong, for a message, once Refused or Failed.
  const std::string& Failure() const { return FFailure; }
  // The server's salt and cost; valid from NeedsKey on.
  const TSecureSalt& Salt() const { return FSalt; }
  const TSecureKeyCost& Cost() const { return FCost; }

 private:
  std::size_t FeedChallenge(const std::uint8_t* Bytes, std::size_t Count);
  std::size_t FeedVerdict(const std::uint8_t* Bytes, std::size_t Count);
  void Fail(TState State, std::string Why);

  TSecureTranscript FTranscript;
  std::vector<std::uint8_t> FPart;  // the challenge or verdict under way
  TSecureSalt FSalt{};
  TSecureKeyCost FCost{};
  std::optional<TSecureLinkKey> FKey;
  TSecureProof FClientProof{};
  std::optional<TSecureChannel> FChannel;
  std::vector<std::uint8_t> FOutput;
  std::string FFailure;
  TState FState = TState::Challenge;
};

}  // namespace dravel
