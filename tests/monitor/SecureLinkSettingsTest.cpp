#include "monitor/SecureLinkSettings.h"

#include "StoreFixture.h"

namespace dravel {
namespace {

class SecureLinkSettingsTest : public testing::TStoreFixture {
 protected:
  std::vector<std::uint8_t> StoredSalt() { return Store.ReadBinaryData("LinkSalt"); }
};

TEST_F(SecureLinkSettingsTest, TheSaltIsMadeOnFirstNeedAndKeptAfterwards) {
  const TSecureLinkSettings First = ResolveSecureLinkSettings(Store);
  ASSERT_EQ(StoredSalt(), std::vector<std::uint8_t>(First.Salt.begin(), First.Salt.end()));
  EXPECT_EQ(ResolveSecureLinkSettings(Store).Salt, First.Salt);
  EXPECT_EQ(First.Cost, DefaultSecureKeyCost());
  EXPECT_FALSE(First.SecureOnly);
}

TEST_F(SecureLinkSettingsTest, ASaltOfTheWrongSizeOrTypeIsReplaced) {
  Store.WriteBinaryData("LinkSalt", std::vector<std::uint8_t>(15, 7));
  const TSecureSalt Made = ResolveSecureLinkSettings(Store).Salt;
  EXPECT_EQ(StoredSalt(), std::vector<std::uint8_t>(Made.begin(), Made.end()));
  EXPECT_NE(Made, TSecureSalt{});

  Store.WriteString("LinkSalt", "sixteen chars!!!");
  const TSecureSalt Again = ResolveSecureLinkSettings(Store).Salt;
  EXPECT_NE(Again, Made);
  EXPECT_EQ(StoredSalt(), std::vector<std::uint8_t>(Again.begin(), Again.end()));
}

TEST_F(SecureLinkSettingsTest, SecureOnlyIsStoredOrGivenAndAnotherTypeCountsAsUnset) {
  Store.WriteBool("LinkSecureOnly", true);
  EXPECT_TRUE(ResolveSecureLinkSettings(Store).SecureOnly);
  EXPECT_FALSE(ResolveSecureLinkSettings(Store, false).SecureOnly);
  Store.WriteString("LinkSecureOnly", "yes");
  EXPECT_FALSE(ResolveSecureLinkSettings(Store).SecureOnly);
  EXPECT_TRUE(ResolveSecureLinkSettings(Store, true).SecureOnly);
}

}  // namespace
}  // namespace dravel
