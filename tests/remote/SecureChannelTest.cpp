#include "remote/SecureChannel.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "remote/SecureLinkPair.h"

namespace dravel {
namespace {

struct TEnds {
  TSessionKeys Keys{TestSecureKey(1), TestSecureKey(2)};
  TSecureChannel Client{Keys, TSecureChannel::TSide::Client};
  TSecureChannel Server{Keys, TSecureChannel::TSide::Server};
  std::vector<TSecureBytes> Opened;
  bool ToServer(const TSecureBytes& Bytes) {
    return Server.Feed(Bytes.data(), Bytes.size(),
                       [&](const std::uint8_t* Plain, std::size_t Count) { Opened.emplace_back(Plain, Plain + Count); });
  }
};

TEST(SecureChannelTest, AFrameIsTheLengthAndTheCiphertextWithItsTag) {
  TEnds Ends;
  const TSecureBytes Plain(300, 0x61);
  const TSecureBytes Frame = Ends.Client.Seal(Plain.data(), Plain.size());
  ASSERT_EQ(Frame.size(), 2 + 300 + SecureTagSize);
  EXPECT_EQ(Frame[0] | Frame[1] << 8, 300 + static_cast<int>(SecureTagSize));
  EXPECT_EQ(std::search(Frame.begin(), Frame.end(), Plain.begin(), Plain.begin() + 8), Frame.end());
  EXPECT_TRUE(Ends.ToServer(Frame));
  ASSERT_EQ(Ends.Opened.size(), 1u);
  EXPECT_EQ(Ends.Opened[0], Plain);
}

TEST(SecureChannelTest, EachDirectionHasItsOwnKey) {
  TEnds Ends;
  const std::uint8_t W = 'W';
  // A server's own frame, reflected back at it, does not open.
  EXPECT_FALSE(Ends.ToServer(Ends.Server.Seal(&W, 1)));
  EXPECT_TRUE(Ends.Server.Broken());
}

TEST(SecureChannelTest, AChangedByteBreaksTheChannelForGood) {
  TEnds Ends;
  const std::uint8_t W = 'W';
  TSecureBytes Frame = Ends.Client.Seal(&W, 1);
  Frame.back() ^= 0x80;
  EXPECT_FALSE(Ends.ToServer(Frame));
  EXPECT_FALSE(Ends.ToServer(Ends.Client.Seal(&W, 1)));
  EXPECT_TRUE(Ends.Opened.empty());
}

TEST(SecureChannelTest, OversizedEmptyOrTaglessLengthsBreakAtOnce) {
  for (const TSecureBytes& Length : {TSecureBytes{0xFF, 0xFF}, TSecureBytes{0x11, 0x04}, TSecureBytes{0, 0},
                                    TSecureBytes{static_cast<std::uint8_t>(SecureTagSize), 0}}) {
    TEnds Ends;
    EXPECT_FALSE(Ends.ToServer(Length));
    EXPECT_EQ(Ends.Server.Held(), 2u);
  }
  TEnds Ends;  // the largest frame allowed is taken
  const TSecureBytes Plain(SecureMaxPlainSize, 1);
  EXPECT_TRUE(Ends.ToServer(Ends.Client.Seal(Plain.data(), Plain.size())));
}

TEST(SecureChannelTest, SealRefusesSizesOutsideTheFrameBounds) {
  TEnds Ends;
  const TSecureBytes Plain(SecureMaxPlainSize + 1, 1);
  EXPECT_THROW(Ends.Client.Seal(Plain.data(), 0), std::length_error);
  EXPECT_THROW(Ends.Client.Seal(Plain.data(), Plain.size()), std::length_error);
}

}  // namespace
}  // namespace dravel
