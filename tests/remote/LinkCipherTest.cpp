#include "remote/LinkCipher.h"

#include <gtest/gtest.h>

#include <string>

#include "remote/LinkCipherReference.h"

namespace dravel {
namespace {

using reference::TBytes;

TBytes FromHex(std::string_view Hex) {
  TBytes Out;
  for (std::size_t I = 0; I + 1 < Hex.size(); I += 2)
    Out.push_back(static_cast<std::uint8_t>(std::stoi(std::string(Hex.substr(I, 2)), nullptr, 16)));
  return Out;
}

template <typename Range>
std::string ToHex(const Range& Bytes) {
  static const char Digits[] = "0123456789ABCDEF";
  std::string Out;
  for (const std::uint8_t B : Bytes) {
    Out += Digits[B >> 4];
    Out += Digits[B & 15];
  }
  return Out;
}

struct TEcbVector {
  const char* Key;
  const char* Plain;
  const char* Cipher;
};

// Published Blowfish vectors: eight-byte keys, and one key at lengths 1 to 24.
const TEcbVector EcbVectors[] = {
    {"0000000000000000", "0000000000000000", "4EF997456198DD78"},
    {"FFFFFFFFFFFFFFFF", "FFFFFFFFFFFFFFFF", "51866FD5B85ECB8A"},
    {"3000000000000000", "1000000000000001", "7D856F9A613063F2"},
    {"1111111111111111", "1111111111111111", "2466DD878B963C9D"},
    {"0123456789ABCDEF", "1111111111111111", "61F9C3802281B096"},
    {"1111111111111111", "0123456789ABCDEF", "7D0CC630AFDA1EC7"},
    {"FEDCBA9876543210", "0123456789ABCDEF", "0ACEAB0FC6A0A28D"},
    {"7CA110454A1A6E57", "01A1D6D039776742", "59C68245EB05282B"},
    {"0131D9619DC1376E", "5CD54CA83DEF57DA", "B1B8CC0B250F09A0"},
    {"F0", "FEDCBA9876543210", "F9AD597C49DB005E"},
    {"F0E1D2C3B4A59687", "FEDCBA9876543210", "E87A244E2CC85E82"},
    {"F0E1D2C3B4A5968778695A4B3C2D1E0F", "FEDCBA9876543210", "93142887EE3BE15C"},
    {"F0E1D2C3B4A5968778695A4B3C2D1E0F0011223344556677", "FEDCBA9876543210", "05044B62FA52D080"},
};

// A zero IV turns one chained block into a plain single-block operation.
void LoadWithZeroIV(TDCP_blowfish& Cipher, const TBytes& Key) {
  const TChainBlock Zero{};
  Cipher.LoadKey(Key.data(), Key.size() * 8, &Zero);
}

TEST(BlowfishPublished, ChainedBlockUnderZeroIVMatchesEachVector) {
  for (const auto& V : EcbVectors) {
    TDCP_blowfish Cipher;
    LoadWithZeroIV(Cipher, FromHex(V.Key));
    TBytes Block = FromHex(V.Plain);
    Cipher.EncryptChained(Block.data(), Block.data(), Block.size());
    EXPECT_EQ(ToHex(Block), V.Cipher) << "key " << V.Key;

    Cipher.RestartChain();
    Cipher.DecryptChained(Block.data(), Block.data(), Block.size());
    EXPECT_EQ(ToHex(Block), V.Plain) << "key " << V.Key;
  }
}

TEST(BlowfishPublished, ReferenceImplementationMatchesEachVector) {
  const auto Pi = reference::PiFractionWords(2);
  EXPECT_EQ(Pi[0], 0x243F6A88u);
  EXPECT_EQ(Pi[1], 0x85A308D3u);
  for (const auto& V : EcbVectors) {
    const reference::TBlowfish Cipher(FromHex(V.Key));
    EXPECT_EQ(ToHex(Cipher.EncryptBlock(FromHex(V.Plain).data())), V.Cipher) << "key " << V.Key;
    EXPECT_EQ(ToHex(Cipher.DecryptBlock(FromHex(V.Cipher).data())), V.Plain) << "key " << V.Key;
  }
}

TEST(Sha1Published, DigestsOfTheStandardMessages) {
  struct TCase {
    std::string Message;
    const char* Digest;
  };
  const TCase Cases[] = {
      {"", "DA39A3EE5E6B4B0D3255BFEF95601890AFD80709"},
      {"abc", "A9993E364706816ABA3E25717850C26C9CD0D89D"},
      {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
       "84983E441C3BD26EBAAE4AA1F95129E5E54670F1"},
      {std::string(1000000, 'a'), "34AA973CD4C4DAA4F61EEB2BDBAD27316534016F"},
  };
  for (const auto& C : Cases) {
    TDCP_sha1 Hash;
    Hash.Init();
    Hash.UpdateStr(C.Message);
    EXPECT_EQ(ToHex(Hash.Final()), C.Digest) << C.Message.substr(0, 20);
    EXPECT_EQ(ToHex(reference::Sha1(C.Message)), C.Digest) << C.Message.substr(0, 20);
  }
}

TEST(Sha1Published, BytesAddedInPiecesGiveTheSameDigest) {
  TDCP_sha1 Hash;
  Hash.Init();
  Hash.UpdateStr("ab");
  Hash.UpdateStr("");
  Hash.UpdateStr("c");
  EXPECT_EQ(ToHex(Hash.Final()), "A9993E364706816ABA3E25717850C26C9CD0D89D");
}

TBytes SampleRecord(std::uint8_t Seed) {
  TBytes Record(312);
  for (std::size_t I = 0; I < Record.size(); ++I)
    Record[I] = static_cast<std::uint8_t>(I * 37 + Seed);
  Record[0] = 'W';
  return Record;
}

const std::string_view Passwords[] = {
    "", "secret", "Capitals Kept As Typed", "a password much longer than the twenty bytes of a digest "
                                            "and longer than the fifty-six bytes of a blowfish key"};

TEST(LinkKeyDerivation, ChainedRecordsMatchTheReferenceConstruction) {
  for (const auto Password : Passwords) {
    TDCP_blowfish Cipher;
    DeriveLinkKey(Cipher, Password);
    reference::TLinkChain Reference(Password);
    EXPECT_EQ(ToHex(Cipher.IV()), ToHex(Reference.IV)) << Password;
    EXPECT_EQ(ToHex(Cipher.ChainBlock()), ToHex(Reference.IV)) << Password;
    // Three replies in a row: the chain carries from one to the next.
    for (std::uint8_t Seed = 0; Seed < 3; ++Seed) {
      TBytes Record = SampleRecord(Seed);
      const TBytes Expected = Reference.Encrypt(Record);
      Cipher.EncryptChained(Record.data(), Record.data(), Record.size());
      EXPECT_EQ(ToHex(Record), ToHex(Expected)) << Password << " reply " << int{Seed};
    }
  }
}

TEST(LinkKeyDerivation, TwoDerivationsFromOnePasswordAgree) {
  TDCP_blowfish First, Second;
  DeriveLinkKey(First, "same");
  DeriveLinkKey(Second, "same");
  EXPECT_EQ(First.IV(), Second.IV());
  EXPECT_EQ(First.ChainBlock(), Second.ChainBlock());
  TBytes A = SampleRecord(1), B = SampleRecord(1);
  First.EncryptChained(A.data(), A.data(), A.size());
  Second.EncryptChained(B.data(), B.data(), B.size());
  EXPECT_EQ(A, B);
}

TEST(LinkKeyDerivation, DerivingAgainRestartsTheChain) {
  TDCP_blowfish Cipher;
  DeriveLinkKey(Cipher, "again");
  TBytes Record = SampleRecord(2);
  Cipher.EncryptChained(Record.data(), Record.data(), Record.size());
  ASSERT_NE(Cipher.ChainBlock(), Cipher.IV());
  DeriveLinkKey(Cipher, "again");
  EXPECT_EQ(Cipher.ChainBlock(), Cipher.IV());
}

TEST(LinkKeyDerivation, CapitalsMakeADifferentKey) {
  TDCP_blowfish Upper, Lower;
  DeriveLinkKey(Upper, "Secret");
  DeriveLinkKey(Lower, "secret");
  TBytes Record = SampleRecord(0);
  Upper.EncryptChained(Record.data(), Record.data(), Record.size());
  Lower.DecryptChained(Record.data(), Record.data(), Record.size());
  EXPECT_NE(Record[0], 'W');
}

class ChainedLink : public ::testing::Test {
 protected:
  void SetUp() override {
    DeriveLinkKey(Server, "link");
    DeriveLinkKey(Client, "link");
  }
  TBytes Send(std::uint8_t Seed) {
    TBytes Reply = SampleRecord(Seed);
    Server.EncryptChained(Reply.data(), Reply.data(), Reply.size());
    return Reply;
  }
  TDCP_blowfish Server, Client;
};

TEST_F(ChainedLink, RepliesDecryptInPlaceAndStayInStep) {
  for (std::uint8_t Seed = 0; Seed < 4; ++Seed) {
    TBytes Reply = Send(Seed);
    Client.DecryptChained(Reply.data(), Reply.data(), Reply.size());
    EXPECT_EQ(Reply, SampleRecord(Seed));
  }
  EXPECT_EQ(Client.ChainBlock(), Server.ChainBlock());
}

TEST_F(ChainedLink, ReplySplitOnBlockBoundariesDecryptsAsAWhole) {
  TBytes Reply = Send(5);
  Client.DecryptChained(Reply.data(), Reply.data(), 104);
  Client.DecryptChained(Reply.data() + 104, Reply.data() + 104, 208);
  EXPECT_EQ(Reply, SampleRecord(5));
}

TEST_F(ChainedLink, TailOfAShortReadLeavesTheChainAtTheLastWholeBlock) {
  const TBytes Reply = Send(6);
  TBytes Read(Reply.begin(), Reply.begin() + 300);
  Client.DecryptChained(Read.data(), Read.data(), Read.size());
  const TBytes Plain = SampleRecord(6);
  EXPECT_TRUE(std::equal(Read.begin(), Read.begin() + 296, Plain.begin()));
  // 37 whole blocks moved the chain; the four tail bytes did not.
  EXPECT_EQ(ToHex(Client.ChainBlock()), ToHex(TBytes(Reply.begin() + 288, Reply.begin() + 296)));

  reference::TLinkChain Reference("link");
  const TBytes Expected = Reference.Decrypt(TBytes(Reply.begin(), Reply.begin() + 300));
  EXPECT_EQ(Read, Expected);
  EXPECT_EQ(ToHex(Client.ChainBlock()), ToHex(Reference.Chain));

  // The rest of the reply is read out of step with the server's blocks.
  TBytes Rest(Reply.begin() + 300, Reply.end());
  Client.DecryptChained(Rest.data(), Rest.data(), Rest.size());
  EXPECT_FALSE(std::equal(Rest.begin(), Rest.end(), Plain.begin() + 300));
}

TEST_F(ChainedLink, AMissedReplyCostsOnlyTheFirstBlockOfTheNext) {
  Send(7);  // lost on the way
  TBytes Next = Send(8);
  Client.DecryptChained(Next.data(), Next.data(), Next.size());
  const TBytes Plain = SampleRecord(8);
  EXPECT_FALSE(std::equal(Next.begin(), Next.begin() + 8, Plain.begin()));
  EXPECT_TRUE(std::equal(Next.begin() + 8, Next.end(), Plain.begin() + 8));

  TBytes After = Send(9);
  Client.DecryptChained(After.data(), After.data(), After.size());
  EXPECT_EQ(After, SampleRecord(9));
}

TEST_F(ChainedLink, ACallerHeldChainLeavesTheCipherChainAlone) {
  TChainBlock Connection = Server.IV();
  TBytes Reply = SampleRecord(3);
  Server.EncryptChained(Connection, Reply.data(), Reply.data(), Reply.size());
  EXPECT_EQ(Server.ChainBlock(), Server.IV());
  EXPECT_NE(Connection, Server.IV());
  Client.DecryptChained(Reply.data(), Reply.data(), Reply.size());
  EXPECT_EQ(Reply, SampleRecord(3));
}

TEST(CipherState, UseWithoutAKeyIsRefused) {
  TDCP_blowfish Cipher;
  std::uint8_t Block[8] = {};
  try {
    Cipher.EncryptChained(Block, Block, sizeof Block);
    FAIL() << "no error";
  } catch (const ECipherError& E) {
    EXPECT_STREQ(E.what(), "Blowfish: Not initialized");
  }
  EXPECT_THROW(Cipher.DecryptChained(Block, Block, sizeof Block), ECipherError);
}

TEST(CipherState, WipeFillsWithOnesAndUninitialises) {
  TDCP_blowfish Cipher;
  DeriveLinkKey(Cipher, "x");
  ASSERT_TRUE(Cipher.Initialized());
  Cipher.Wipe();
  EXPECT_FALSE(Cipher.Initialized());
  const TChainBlock Ones{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
  EXPECT_EQ(Cipher.IV(), Ones);
  EXPECT_EQ(Cipher.ChainBlock(), Ones);
  std::uint8_t Block[8] = {};
  EXPECT_THROW(Cipher.EncryptChained(Block, Block, sizeof Block), ECipherError);
}

TEST(CipherState, KeySizesOutsideTheCipherAreRefused) {
  TDCP_blowfish Cipher;
  const TBytes Key(57, 1);
  EXPECT_THROW(Cipher.LoadKey(Key.data(), 0), ECipherError);
  EXPECT_THROW(Cipher.LoadKey(Key.data(), 12), ECipherError);
  EXPECT_THROW(Cipher.LoadKey(Key.data(), 57 * 8), ECipherError);
  EXPECT_FALSE(Cipher.Initialized());
}

TEST(CipherState, HashUseBeforeStartIsRefused) {
  TDCP_sha1 Hash;
  try {
    Hash.UpdateStr("abc");
    FAIL() << "no error";
  } catch (const ECipherError& E) {
    EXPECT_STREQ(E.what(), "SHA1: Not initialized");
  }
  Hash.Init();
  Hash.UpdateStr("abc");
  Hash.Final();
  EXPECT_THROW(Hash.Final(), ECipherError);  // finishing wipes the state
}

}  // namespace
}  // namespace dravel
