#include "remote/SecureKeyCache.h"

#include <gtest/gtest.h>

#include "remote/SecureLinkPair.h"

namespace dravel {
namespace {

TSecureSalt Salt(std::uint8_t Fill) {
  TSecureSalt S;
  S.fill(Fill);
  return S;
}

TEST(SecureKeyCache, AKeyIsFoundOnlyForThePasswordSaltAndCostItWasMadeFor) {
  TSecureKeyCache Cache;
  const TSecureKeyCost Cost = CheapestSecureKeyCost();
  EXPECT_EQ(Cache.Find("pw", Salt(1), Cost), nullptr);
  Cache.Add("pw", Salt(1), Cost, TestSecureKey(1));
  ASSERT_NE(Cache.Find("pw", Salt(1), Cost), nullptr);
  EXPECT_TRUE(*Cache.Find("pw", Salt(1), Cost) == TestSecureKey(1));
  EXPECT_EQ(Cache.Find("PW", Salt(1), Cost), nullptr);
  EXPECT_EQ(Cache.Find("pw", Salt(2), Cost), nullptr);
  EXPECT_EQ(Cache.Find("pw", Salt(1), TSecureKeyCost{Cost.OpsLimit + 1, Cost.MemLimitKiB}), nullptr);
  EXPECT_EQ(Cache.Find("pw", Salt(1), TSecureKeyCost{Cost.OpsLimit, Cost.MemLimitKiB * 2}), nullptr);
  EXPECT_EQ(Cache.Find("", Salt(1), Cost), nullptr);
}

TEST(SecureKeyCache, TheSameInputsReplaceTheirKeyAndTheOldestMakesRoom) {
  TSecureKeyCache Cache(2);
  const TSecureKeyCost Cost = CheapestSecureKeyCost();
  Cache.Add("a", Salt(1), Cost, TestSecureKey(1));
  Cache.Add("a", Salt(1), Cost, TestSecureKey(2));
  EXPECT_EQ(Cache.Size(), 1u);
  EXPECT_TRUE(*Cache.Find("a", Salt(1), Cost) == TestSecureKey(2));
  Cache.Add("b", Salt(1), Cost, TestSecureKey(3));
  Cache.Add("c", Salt(1), Cost, TestSecureKey(4));
  EXPECT_EQ(Cache.Size(), 2u);
  EXPECT_EQ(Cache.Find("a", Salt(1), Cost), nullptr);
  EXPECT_NE(Cache.Find("b", Salt(1), Cost), nullptr);
  EXPECT_NE(Cache.Find("c", Salt(1), Cost), nullptr);
  // A capacity of nothing still keeps the last key.
  TSecureKeyCache Tiny(0);
  Tiny.Add("a", Salt(1), Cost, TestSecureKey(1));
  EXPECT_NE(Tiny.Find("a", Salt(1), Cost), nullptr);
}

TEST(SecureKeyCache, APasswordWithANulByteIsItsOwnPassword) {
  TSecureKeyCache Cache;
  const TSecureKeyCost Cost = CheapestSecureKeyCost();
  Cache.Add(std::string_view("a\0b", 3), Salt(1), Cost, TestSecureKey(1));
  EXPECT_EQ(Cache.Find("a", Salt(1), Cost), nullptr);
  EXPECT_NE(Cache.Find(std::string_view("a\0b", 3), Salt(1), Cost), nullptr);
}

}  // namespace
}  // namespace dravel
