#include "remote/SecureLinkKey.h"

#include <gtest/gtest.h>

namespace dravel {
namespace {

TSecureSalt Salt(std::uint8_t Fill) {
  TSecureSalt Bytes{};
  Bytes.fill(Fill);
  return Bytes;
}

TEST(SecureLinkKeyTest, SamePasswordSaltAndCostGiveTheSameKeyAndAnyChangeAnother) {
  const TSecureKeyCost Cost = CheapestSecureKeyCost();
  const TSecureLinkKey Key = TSecureLinkKey::Derive("secret", Salt(1), Cost);
  EXPECT_EQ(Key, TSecureLinkKey::Derive("secret", Salt(1), Cost));
  EXPECT_FALSE(Key == TSecureLinkKey::Derive("Secret", Salt(1), Cost));
  EXPECT_FALSE(Key == TSecureLinkKey::Derive("secret", Salt(2), Cost));
  EXPECT_FALSE(Key == TSecureLinkKey::Derive("secret", Salt(1), {Cost.OpsLimit + 1, Cost.MemLimitKiB}));
  // The empty password is a password like any other.
  EXPECT_FALSE(Key == TSecureLinkKey::Derive("", Salt(1), Cost));
}

TEST(SecureLinkKeyTest, TheDefaultCostIsLibsodiumsInteractiveOne) {
  EXPECT_EQ(DefaultSecureKeyCost(), (TSecureKeyCost{2, 64 * 1024}));
  EXPECT_TRUE(AcceptableKeyCost(DefaultSecureKeyCost()));
  EXPECT_TRUE(AcceptableKeyCost(CheapestSecureKeyCost()));
}

TEST(SecureLinkKeyTest, CostsOutsideTheBoundsAreRefusedWithoutDeriving) {
  const TSecureKeyCost Least = CheapestSecureKeyCost();
  for (const TSecureKeyCost Cost : {TSecureKeyCost{MaxSecureOpsLimit + 1, Least.MemLimitKiB},
                                    TSecureKeyCost{Least.OpsLimit, MaxSecureMemLimitKiB + 1},
                                    TSecureKeyCost{0, Least.MemLimitKiB},
                                    TSecureKeyCost{Least.OpsLimit, Least.MemLimitKiB - 1}}) {
    EXPECT_FALSE(AcceptableKeyCost(Cost));
    EXPECT_THROW(TSecureLinkKey::Derive("secret", Salt(1), Cost), ESecureLinkError);
  }
  EXPECT_TRUE(AcceptableKeyCost({MaxSecureOpsLimit, MaxSecureMemLimitKiB}));
}

TEST(SecureLinkKeyTest, FreshSaltsDiffer) {
  EXPECT_NE(MakeSecureSalt(), MakeSecureSalt());
}

}  // namespace
}  // namespace dravel
