#include <gtest/gtest.h>

#include <string>

#include "remote/SecureLinkWire.h"
#include "remote/SecureLinkPair.h"

namespace dravel {
namespace {

using TServerState = TSecureServerSession::TState;
using TClientState = TSecureClientSession::TState;

TSecureBytes Record(std::uint8_t Seed) {
  TSecureBytes Bytes(312);
  for (std::size_t I = 0; I < Bytes.size(); ++I) Bytes[I] = static_cast<std::uint8_t>(I + Seed);
  Bytes[0] = 'W';
  return Bytes;
}

// A challenge as a server would send it, with the given cost.
TSecureBytes Challenge(const TSecureKeyCost& Cost) {
  TSecureBytes Bytes(SecureLinkMagic.begin(), SecureLinkMagic.end());
  Bytes.resize(Bytes.size() + SecureSaltSize, 0x11);
  for (const std::uint32_t Value : {Cost.OpsLimit, Cost.MemLimitKiB})
    for (int I = 0; I < 4; ++I) Bytes.push_back(static_cast<std::uint8_t>(Value >> (8 * I)));
  Bytes.resize(Bytes.size() + SecureNonceSize, 0x22);
  return Bytes;
}

class SecureHandshakeTest : public ::testing::TestWithParam<std::size_t> {};

TEST_P(SecureHandshakeTest, BothSidesAgreeInPiecesOfAnySizeAndRecordsFlow) {
  TSecurePair Pair(TestSecureKey(1), TestSecureKey(1), GetParam());
  ASSERT_TRUE(Pair.Server.Established());
  ASSERT_TRUE(Pair.Client.Established());
  for (std::uint8_t Seed = 0; Seed < 3; ++Seed) {
    EXPECT_EQ(Pair.ToServer(Pair.Client.SealRequest(), GetParam()), 1u);
    const TSecureBytes Sent = Record(Seed);
    Pair.ToClient(Pair.Server.SealReply(Sent.data(), Sent.size()), GetParam());
    ASSERT_EQ(Pair.Replies.size(), Seed + 1u);
    EXPECT_EQ(Pair.Replies.back(), Sent);
  }
}

INSTANTIATE_TEST_SUITE_P(Pieces, SecureHandshakeTest, ::testing::Values(1, 7, 33, 1000));

TEST(SecureHandshake, TheWireCarriesTheAnnouncedSaltAndCostAndNoPassword) {
  TSecureServerSession Server(TestSecureSalt(), {3, 9000});
  TSecureClientSession Client;
  const TSecureBytes Hello = Client.TakeOutput();
  ASSERT_EQ(Hello.size(), SecureHelloSize);
  EXPECT_TRUE(std::equal(SecureLinkMagic.begin(), SecureLinkMagic.end(), Hello.begin()));
  Server.Feed(Hello.data(), Hello.size());
  const TSecureBytes Sent = Server.TakeOutput();
  ASSERT_EQ(Sent.size(), SecureChallengeSize);
  Client.Feed(Sent.data(), Sent.size(), {});
  EXPECT_EQ(Client.State(), TClientState::NeedsKey);
  EXPECT_EQ(Client.Salt(), TestSecureSalt());
  EXPECT_EQ(Client.Cost(), (TSecureKeyCost{3, 9000}));
}

TEST(SecureHandshake, AProofBeforeTheServersKeyWaitsForIt) {
  TSecureServerSession Server(TestSecureSalt(), CheapestSecureKeyCost());
  TSecureClientSession Client;
  TSecureBytes Bytes = Client.TakeOutput();
  Server.Feed(Bytes.data(), Bytes.size());
  Bytes = Server.TakeOutput();
  Client.Feed(Bytes.data(), Bytes.size(), {});
  Client.SetKey(TestSecureKey(4));
  Bytes = Client.TakeOutput();
  Server.Feed(Bytes.data(), Bytes.size());
  EXPECT_EQ(Server.State(), TServerState::WaitingForKey);
  EXPECT_TRUE(Server.TakeOutput().empty());
  Server.SetKey(TestSecureKey(4));
  EXPECT_TRUE(Server.Established());
  Bytes = Server.TakeOutput();
  Client.Feed(Bytes.data(), Bytes.size(), {});
  EXPECT_TRUE(Client.Established());
}

TEST(SecureHandshake, AWrongPasswordIsRefusedWithOneByteAndTheClientReportsRefusal) {
  TSecureServerSession Server(TestSecureSalt(), CheapestSecureKeyCost());
  Server.SetKey(TestSecureKey(1));
  TSecureClientSession Client;
  TSecureBytes Bytes = Client.TakeOutput();
  Server.Feed(Bytes.data(), Bytes.size());
  Bytes = Server.TakeOutput();
  Client.Feed(Bytes.data(), Bytes.size(), {});
  Client.SetKey(TestSecureKey(2));
  Bytes = Client.TakeOutput();
  Server.Feed(Bytes.data(), Bytes.size());
  EXPECT_EQ(Server.State(), TServerState::Refused);
  EXPECT_TRUE(Server.Closing());
  Bytes = Server.TakeOutput();
  EXPECT_EQ(Bytes, TSecureBytes{SecureRefused});
  Client.Feed(Bytes.data(), Bytes.size(), {});
  EXPECT_TRUE(Client.Refused());
  EXPECT_NE(Client.Failure().find("refused"), std::string::npos);
  // Nothing more is taken from a refused client.
  const std::uint8_t W = 'W';
  EXPECT_EQ(Server.Feed(&W, 1), 0u);
  EXPECT_TRUE(Server.TakeOutput().empty());
}

TEST(SecureHandshake, AServerThatCannotProveThePasswordIsNotBelieved) {
  TSecureClientSession Client;
  Client.TakeOutput();
  const TSecureBytes Sent = Challenge(CheapestSecureKeyCost());
  Client.Feed(Sent.data(), Sent.size(), {});
  Client.SetKey(TestSecureKey(1));
  TSecureBytes Verdict(1 + SecureProofSize, 0x33);
  Verdict[0] = SecureAccepted;
  Client.Feed(Verdict.data(), Verdict.size(), {});
  EXPECT_TRUE(Client.Failed());
  EXPECT_TRUE(Client.SealRequest().empty());
}

TEST(SecureHandshake, RogueCostsAreRefusedBeforeAnyDerivation) {
  for (const TSecureKeyCost Cost : {TSecureKeyCost{2, 1024 * 1024}, TSecureKeyCost{100, 8}, TSecureKeyCost{0, 8}}) {
    TSecureClientSession Client;
    const TSecureBytes Sent = Challenge(Cost);
    Client.Feed(Sent.data(), Sent.size(), {});
    EXPECT_TRUE(Client.Failed());
    EXPECT_NE(Client.Failure().find("cost"), std::string::npos);
  }
}

TEST(SecureHandshake, MalformedMagicFailsOnEitherSide) {
  TSecureServerSession Server(TestSecureSalt(), CheapestSecureKeyCost());
  const std::uint8_t Stranger[] = {0x00, 'D', 'X'};
  Server.Feed(Stranger, 2);
  EXPECT_EQ(Server.State(), TServerState::Hello);
  Server.Feed(Stranger + 2, 1);
  EXPECT_EQ(Server.State(), TServerState::Failed);
  EXPECT_TRUE(Server.TakeOutput().empty());

  TSecureClientSession Client;
  TSecureBytes Sent = Challenge(CheapestSecureKeyCost());
  Sent[3] ^= 1;
  Client.Feed(Sent.data(), Sent.size(), {});
  EXPECT_TRUE(Client.Failed());
}

TEST(SecureHandshake, ACutHandshakeStaysUnansweredOnBothSides) {
  TSecureServerSession Server(TestSecureSalt(), CheapestSecureKeyCost());
  Server.SetKey(TestSecureKey(1));
  TSecureClientSession Client;
  const TSecureBytes Hello = Client.TakeOutput();
  Server.Feed(Hello.data(), Hello.size() - 1);
  EXPECT_EQ(Server.State(), TServerState::Hello);
  EXPECT_TRUE(Server.TakeOutput().empty());
  const TSecureBytes Sent = Challenge(CheapestSecureKeyCost());
  Client.Feed(Sent.data(), Sent.size() - 1, {});
  EXPECT_EQ(Client.State(), TClientState::Challenge);
}

TEST(SecureHandshake, BytesOutOfTurnFailTheHandshake) {
  TSecureServerSession Server(TestSecureSalt(), CheapestSecureKeyCost());
  TSecureClientSession Client;
  TSecureBytes Bytes = Client.TakeOutput();
  Server.Feed(Bytes.data(), Bytes.size());
  Bytes = Server.TakeOutput();
  Bytes.push_back(0);  // more than the challenge, before the proof
  Client.Feed(Bytes.data(), Bytes.size(), {});
  EXPECT_TRUE(Client.Failed());

  TSecureBytes Proof(SecureProofSize + 1, 0x44);  // a proof and more, before the verdict
  Server.Feed(Proof.data(), Proof.size());
  EXPECT_EQ(Server.State(), TServerState::Failed);
}

// A client built from the documented wire format alone, which may send any request.
TEST(SecureHandshake, TheDocumentedFormatIsWhatTheServerSpeaksAndARequestOtherThanWCloses) {
  TSecureServerSession Server(TestSecureSalt(), CheapestSecureKeyCost());
  Server.SetKey(TestSecureKey(1));
  TSecureBytes Hello(SecureLinkMagic.begin(), SecureLinkMagic.end());
  Hello.resize(SecureHelloSize, 0x77);
  Server.Feed(Hello.data(), Hello.size());
  const TSecureBytes Sent = Server.TakeOutput();
  TSecureTranscript Transcript;
  Transcript.Add(Hello.data(), Hello.size());
  Transcript.Add(Sent.data(), Sent.size());
  const TSecureProof Proof = Transcript.ClientProof(TestSecureKey(1));
  Server.Feed(Proof.data(), Proof.size());
  const TSecureBytes Verdict = Server.TakeOutput();
  ASSERT_EQ(Verdict.size(), 1 + SecureProofSize);
  ASSERT_EQ(Verdict[0], SecureAccepted);
  TSecureProof ServerProof{};
  std::copy(Verdict.begin() + 1, Verdict.end(), ServerProof.begin());
  EXPECT_TRUE(SameProof(ServerProof, Transcript.ServerProof(TestSecureKey(1), Proof)));
  TSecureChannel Channel(Transcript.SessionKeys(TestSecureKey(1), Proof, ServerProof), TSecureChannel::TSide::Client);

  const std::uint8_t W = 'W';
  TSecureBytes Frame = Channel.Seal(&W, 1);
  EXPECT_EQ(Server.Feed(Frame.data(), Frame.size()), 1u);
  Frame = Channel.Seal(reinterpret_cast<const std::uint8_t*>("WW"), 2);
  EXPECT_EQ(Server.Feed(Frame.data(), Frame.size()), 0u);
  EXPECT_EQ(Server.State(), TServerState::Failed);
}

TEST(SecureHandshake, FramesUnderAnotherSessionsKeysCloseTheConnection) {
  TSecurePair Pair(TestSecureKey(1), TestSecureKey(1));
  TSecureChannel Forger(TSecureTranscript().SessionKeys(TestSecureKey(1), {}, {}), TSecureChannel::TSide::Client);
  EXPECT_EQ(Pair.ToServer(Forger.Seal(reinterpret_cast<const std::uint8_t*>("W"), 1)), 0u);
  EXPECT_EQ(Pair.Server.State(), TServerState::Failed);
}

TEST(SecureHandshake, SeveralRequestsInOneReadAreCounted) {
  TSecurePair Pair(TestSecureKey(1), TestSecureKey(1));
  TSecureBytes Two = Pair.Client.SealRequest();
  const TSecureBytes Second = Pair.Client.SealRequest();
  Two.insert(Two.end(), Second.begin(), Second.end());
  EXPECT_EQ(Pair.ToServer(Two), 2u);
}

TEST(SecureHandshake, RepliesReplayedReorderedDroppedOrFromAnotherConnectionAreRejected) {
  const TSecureBytes Sent = Record(1);
  const auto Replies = [&](TSecurePair& Pair) {
    return std::vector<TSecureBytes>{Pair.Server.SealReply(Sent.data(), Sent.size()),
                                     Pair.Server.SealReply(Sent.data(), Sent.size())};
  };
  {
    TSecurePair Pair(TestSecureKey(1), TestSecureKey(1));
    const auto Frames = Replies(Pair);
    Pair.ToClient(Frames[0]);
    Pair.ToClient(Frames[0]);
    EXPECT_TRUE(Pair.Client.Failed()) << "replayed";
    EXPECT_EQ(Pair.Replies.size(), 1u);
  }
  {
    TSecurePair Pair(TestSecureKey(1), TestSecureKey(1));
    Pair.ToClient(Replies(Pair)[1]);
    EXPECT_TRUE(Pair.Client.Failed()) << "first dropped, or the two reordered";
    EXPECT_TRUE(Pair.Replies.empty());
  }
  {
    TSecurePair Earlier(TestSecureKey(1), TestSecureKey(1));
    TSecurePair Pair(TestSecureKey(1), TestSecureKey(1));
    Pair.ToClient(Replies(Earlier)[0]);
    EXPECT_TRUE(Pair.Client.Failed()) << "recorded on an earlier connection";
    EXPECT_TRUE(Pair.Replies.empty());
  }
}

}  // namespace
}  // namespace dravel
