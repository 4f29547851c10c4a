#pragma once
// A server and a client session of the secure link joined in memory, for tests and the
// fuzzer: the handshake's bytes cross over in pieces of a given size.

#include <algorithm>
#include <cstdint>
#include <vector>

#include "remote/SecureClientSession.h"
#include "remote/SecureServerSession.h"

namespace dravel {

using TSecureBytes = std::vector<std::uint8_t>;

inline TSecureLinkKey TestSecureKey(std::uint8_t Seed) {
  TSecureLinkKey::TBytes Bytes{};
  for (std::size_t I = 0; I < Bytes.size(); ++I) Bytes[I] = static_cast<std::uint8_t>(Seed * 7 + I);
  return TSecureLinkKey(Bytes);
}

inline TSecureSalt TestSecureSalt() {
  TSecureSalt Salt{};
  std::fill(Salt.begin(), Salt.end(), 0x5A);
  return Salt;
}

// Feeds Bytes to Feed in pieces of Piece bytes.
template <typename TFeed>
void FeedInPieces(const TSecureBytes& Bytes, std::size_t Piece, TFeed&& Feed) {
  for (std::size_t At = 0; At < Bytes.size(); At += Piece)
    Feed(Bytes.data() + At, std::min(Piece, Bytes.size() - At));
}

struct TSecurePair {
  TSecurePair(const TSecureLinkKey& ServerKey, const TSecureLinkKey& ClientKey, std::size_t Piece = 1000)
      : Server(TestSecureSalt(), CheapestSecureKeyCost()) {
    Server.SetKey(ServerKey);
    ToServer(Client.TakeOutput(), Piece);
    ToClient(Server.TakeOutput(), Piece);
    if (Client.State() != TSecureClientSession::TState::NeedsKey) return;
    Client.SetKey(ClientKey);
    ToServer(Client.TakeOutput(), Piece);
    ToClient(Server.TakeOutput(), Piece);
  }
  std::size_t ToServer(const TSecureBytes& Bytes, std::size_t Piece = 1000) {
    std::size_t Requests = 0;
    FeedInPieces(Bytes, Piece, [&](const std::uint8_t* At, std::size_t Count) { Requests += Server.Feed(At, Count); });
    return Requests;
  }
  void ToClient(const TSecureBytes& Bytes, std::size_t Piece = 1000) {
    FeedInPieces(Bytes, Piece, [&](const std::uint8_t* At, std::size_t Count) {
      Client.Feed(At, Count, [&](const std::uint8_t* Plain, std::size_t Size) { Replies.emplace_back(Plain, Plain + Size); });
    });
  }

  TSecureServerSession Server;
  TSecureClientSession Client;
  std::vector<TSecureBytes> Replies;
};

}  // namespace dravel
