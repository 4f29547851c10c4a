#include "monitor/SecureLinkSettings.h"

#include <gtest/gtest.h>

#include "monitor/ProgramSettings.h"
#include "platform/SettingsStore.h"
#include "platform/TempFolder.h"

namespace dravel {
namespace {

class SecureLinkSettingsTest : public ::testing::Test {
 protected:
  SecureLinkSettingsTest() { Store.OpenKey(MainSettingsKey, true); }

  std::vector<std::uint8_t> StoredSalt() { return Store.ReadBinaryData("LinkSalt"); }

  testing::TTempFolder Folder;
  TRegistry Store{(Folder.Path() / "store.db").string()};
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
