#pragma once
// The server's side of one secure link connection (wire format in SecureLinkWire.h): the
// handshake as a state machine fed with received bytes in pieces of any size, then the
// requests. The key may come after the client's proof (it is derived off the event loop);
// the proof then waits for it. No Qt, no sockets: the caller sends Output() and closes the
// connection when Closing().

#include <cstddef>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "remote/SecureChannel.h"
#include "remote/SecureLinkWire.h"

namespace dravel {

// What a server announces and whom it serves: its salt (kept in its settings as
// "LinkSalt"), the cost of a derivation, and whether the plain link is refused
// ("LinkSecureOnly").
struct TSecureLinkSettings {
  TSecureSalt Salt = MakeSecureSalt();
  TSecureKeyCost Cost = DefaultSecureKeyCost();
  bool SecureOnly = false;
};

class TSecureServerSession {
 public:
  enum class TState {
    Hello,         // reading the client's hello
    Proof,         // challenge sent, reading the client's proof
    WaitingForKey, // proof read, the server's key is not ready yet
    Established,   // requests may come
    Refused,       // wrong proof: the refusal byte is in the output
    Failed,        // malformed or oversized bytes, or a frame that did not open
  };

  TSecureServerSession(const TSecureSalt& Salt, const TSecureKeyCost& Cost);

  // The server's key for this salt and cost, as soon as it is ready.
  void SetKey(const TSecureLinkKey& Key);
  // Adds received bytes; returns how many "W" requests they completed. Anything after a
  // refusal or failure is ignored.
  std::size_t Feed(const std::uint8_t* Bytes, std::size_t Count);
  // Bytes to send (the challenge, the verdict), taken once.
  std::vector<std::uint8_t> TakeOutput() { return std::exchange(FOutput, {}); }
  // The record sealed as a reply; only once Established.
  std::vector<std::uint8_t> SealReply(const std::uint8_t* Record, std::size_t Count);

  TState State() const { return FState; }
  bool Established() const { return FState == TState::Established; }
  // After the output has been sent, the connection is to be closed.
  bool Closing() const { return FState == TState::Refused || FState == TState::Failed; }
  bool NeedsKey() const { return !FKey; }

 private:
  std::size_t FeedHello(const std::uint8_t* Bytes, std::size_t Count);
  std::size_t FeedProof(const std::uint8_t* Bytes, std::size_t Count);
  void Judge();

  TSecureSalt FSalt;
  TSecureKeyCost FCost;
  std::optional<TSecureLinkKey> FKey;
  TSecureTranscript FTranscript;
  std::vector<std::uint8_t> FPart;  // the hello or proof under way
  TSecureProof FClientProof{};
  std::optional<TSecureChannel> FChannel;
  std::vector<std::uint8_t> FOutput;
  TState FState = TState::Hello;
};

}  // namespace dravel
