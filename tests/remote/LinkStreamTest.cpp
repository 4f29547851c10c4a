#include "remote/LinkStream.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "remote/LinkCipher.h"

namespace dravel {
namespace {

using TBytes = std::vector<std::uint8_t>;

TBytes Reply(std::size_t Size, std::uint8_t Seed) {
  TBytes Bytes(Size);
  for (std::size_t I = 0; I < Size; ++I) Bytes[I] = static_cast<std::uint8_t>(I * 31 + Seed * 17 + 5);
  Bytes[0] = 'W';
  return Bytes;
}

// The server's side: replies encrypted one whole reply at a time, the chain carried on.
struct TServerEnd {
  explicit TServerEnd(const std::string& Password) {
    DeriveLinkKey(Cipher, Password);
    Chain = Cipher.IV();
  }
  TBytes Encrypt(const TBytes& Clear) {
    TBytes Out(Clear.size());
    Cipher.EncryptChained(Chain, Clear.data(), Out.data(), Out.size());
    return Out;
  }
  // Count replies of Size bytes, made into Sent, encrypted one after another.
  TBytes EncryptRun(std::size_t Size, std::uint8_t Count, std::vector<TBytes>& Sent) {
    TBytes Wire;
    for (std::uint8_t Seed = 0; Seed < Count; ++Seed) {
      Sent.push_back(Reply(Size, Seed));
      const TBytes Encrypted = Encrypt(Sent.back());
      Wire.insert(Wire.end(), Encrypted.begin(), Encrypted.end());
    }
    return Wire;
  }
  TDCP_blowfish Cipher;
  TChainBlock Chain{};
};

// The client's side: a stream over its own cipher, collecting the replies it assembles.
struct TClientEnd {
  TClientEnd(const std::string& Password, std::size_t ReplySize) : Stream(Collect(), ReplySize) {
    DeriveLinkKey(Cipher, Password);
  }
  TLinkStream::TReplyEvent Collect() {
    return [this](const std::uint8_t* Bytes, std::size_t Count) { Replies.emplace_back(Bytes, Bytes + Count); };
  }
  // Feeds Wire in pieces cut at the given offsets.
  void Feed(const TBytes& Wire, const std::vector<std::size_t>& Cuts, bool Encrypted = true) {
    std::size_t From = 0;
    for (std::size_t Cut : Cuts) {
      Stream.Add(Encrypted ? &Cipher : nullptr, Wire.data() + From, Cut - From);
      From = Cut;
    }
    Stream.Add(Encrypted ? &Cipher : nullptr, Wire.data() + From, Wire.size() - From);
  }
  TDCP_blowfish Cipher;
  std::vector<TBytes> Replies;
  TLinkStream Stream;
};

TEST(LinkStream, AnEncryptedReplySplitInTwoAtEveryOffsetDecodesExactly) {
  TServerEnd Server("split");
  TClientEnd Client("split", RawDataSize);
  std::vector<TBytes> Sent;
  for (std::size_t Cut = 1; Cut < RawDataSize; ++Cut) {
    Sent.push_back(Reply(RawDataSize, static_cast<std::uint8_t>(Cut)));
    Client.Feed(Server.Encrypt(Sent.back()), {Cut});
    ASSERT_EQ(Client.Replies.size(), Sent.size()) << "cut at " << Cut;
    ASSERT_EQ(Client.Replies.back(), Sent.back()) << "cut at " << Cut;
    ASSERT_EQ(Client.Stream.Held(), 0u);
  }
}

TEST(LinkStream, AnEncryptedReplySplitInThreeAtEveryPairOfOffsetsDecodesExactly) {
  TServerEnd Server("three reads");
  TClientEnd Client("three reads", RawDataSize);
  for (std::size_t First = 1; First + 1 < RawDataSize; ++First) {
    for (std::size_t Second = First + 1; Second < RawDataSize; ++Second) {
      const TBytes Sent = Reply(RawDataSize, static_cast<std::uint8_t>(First ^ Second));
      Client.Feed(Server.Encrypt(Sent), {First, Second});
      ASSERT_EQ(Client.Replies, std::vector<TBytes>{Sent}) << "cuts at " << First << " and " << Second;
      Client.Replies.clear();
    }
  }
}

TEST(LinkStream, SeveralRepliesInOneReadAndAcrossReadsStayInStep) {
  TServerEnd Server("run");
  TClientEnd Client("run", RawDataSize);
  std::vector<TBytes> Sent;
  const TBytes Wire = Server.EncryptRun(RawDataSize, 7, Sent);
  // Reads of 1024 bytes at most, and odd ones, as a slow network delivers them.
  Client.Feed(Wire, {1, 1024, 1027, 1500, 2000});
  EXPECT_EQ(Client.Replies, Sent);
}

TEST(LinkStream, AReplyEndingOffABlockHasItsTailDecryptedAsAWholeReplyWouldBe) {
  // Thirteen bytes: one whole block and a tail of five, the tail leaving the chain alone.
  constexpr std::size_t Size = 13;
  TServerEnd Server("tail");
  std::vector<TBytes> Sent;
  const TBytes Wire = Server.EncryptRun(Size, 4, Sent);
  for (std::size_t First = 1; First < Wire.size(); ++First) {
    for (std::size_t Second = First; Second < Wire.size(); ++Second) {
      TClientEnd Fresh("tail", Size);
      Fresh.Feed(Wire, {First, Second});
      ASSERT_EQ(Fresh.Replies, Sent) << "cuts at " << First << " and " << Second;
    }
  }
  // One decryption over each whole reply gives the same bytes.
  TDCP_blowfish Reference;
  DeriveLinkKey(Reference, "tail");
  TBytes Whole = Wire;
  for (std::size_t At = 0; At < Whole.size(); At += Size)
    Reference.DecryptChained(Whole.data() + At, Whole.data() + At, Size);
  EXPECT_EQ(TBytes(Whole.begin(), Whole.begin() + Size), Sent[0]);
  EXPECT_EQ(TBytes(Whole.end() - Size, Whole.end()), Sent.back());
}

TEST(LinkStream, ClearRepliesSplitAnywhereAreAssembledWhole) {
  TClientEnd Client("", RawDataSize);
  const TBytes First = Reply(RawDataSize, 1), Second = Reply(RawDataSize, 2);
  TBytes Wire = First;
  Wire.insert(Wire.end(), Second.begin(), Second.end());
  for (std::size_t Cut = 1; Cut < Wire.size(); Cut += 7) {
    Client.Replies.clear();
    Client.Feed(Wire, {Cut, std::min(Wire.size(), Cut + 100)}, false);
    ASSERT_EQ(Client.Replies, (std::vector<TBytes>{First, Second})) << "cut at " << Cut;
  }
}

TEST(LinkStream, ARestartDropsAPartReplyAndStartsTheChainAgain) {
  TServerEnd Server("again");
  TClientEnd Client("again", RawDataSize);
  const TBytes Lost = Server.Encrypt(Reply(RawDataSize, 1));
  Client.Feed(TBytes(Lost.begin(), Lost.begin() + 101), {});
  EXPECT_EQ(Client.Stream.Held(), 101u);
  Client.Stream.Restart();
  EXPECT_EQ(Client.Stream.Held(), 0u);
  TServerEnd NewConnection("again");  // a new connection's chain starts at the IV
  const TBytes Sent = Reply(RawDataSize, 2);
  Client.Feed(NewConnection.Encrypt(Sent), {50});
  EXPECT_EQ(Client.Replies, std::vector<TBytes>{Sent});
}

TEST(LinkStream, AWrongPasswordGivesWholeRepliesThatAreNotTheRecord) {
  TServerEnd Server("right");
  TClientEnd Client("wrong", RawDataSize);
  const TBytes Sent = Reply(RawDataSize, 3);
  Client.Feed(Server.Encrypt(Sent), {3, 200});
  ASSERT_EQ(Client.Replies.size(), 1u);
  EXPECT_NE(Client.Replies[0], Sent);
}

}  // namespace
}  // namespace dravel
