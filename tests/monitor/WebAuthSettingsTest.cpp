#include "monitor/WebAuthSettings.h"

#include <gtest/gtest.h>

#include "monitor/ProgramSettings.h"
#include "platform/SettingsStore.h"
#include "platform/TempFolder.h"

namespace dravel {
namespace {

class WebAuthSettingsTest : public ::testing::Test {
 protected:
  WebAuthSettingsTest() { Store.OpenKey(MainSettingsKey, true); }

  std::string ErrorOf() {
    try {
      ResolveWebAuth(Store);
    } catch (const EWebAuthSettings& Error) {
      return Error.what();
    }
    return {};
  }

  testing::TTempFolder Folder;
  TRegistry Store{(Folder.Path() / "store.db").string()};
};

TEST_F(WebAuthSettingsTest, NothingStoredAsksNoPassword) {
  EXPECT_EQ(ResolveWebAuth(Store), TWebAuthConfig{});
  Store.WriteInteger("WebServiceUsers", 3);  // another type counts as not stored
  EXPECT_EQ(ResolveWebAuth(Store), TWebAuthConfig{});
}

TEST_F(WebAuthSettingsTest, UsersNeedHttpsOrPlainCredentialsAllowed) {
  Store.WriteString("WebServiceUsers", "/etc/dravel/users");
  EXPECT_EQ(ErrorOf(), "WebServiceUsers needs HTTPS (WebServiceCert and WebServiceKey) unless "
                       "WebServiceAllowPlainAuth is 1");
  Store.WriteString("WebServiceCert", "/etc/dravel/cert.pem");
  EXPECT_NE(ErrorOf(), "");  // a certificate without its key serves no HTTPS
  Store.WriteString("WebServiceKey", "/etc/dravel/key.pem");
  EXPECT_EQ(ResolveWebAuth(Store), (TWebAuthConfig{"/etc/dravel/users", false}));
  Store.DeleteValue("WebServiceKey");
  Store.WriteBool("WebServiceAllowPlainAuth", true);
  EXPECT_EQ(ResolveWebAuth(Store), (TWebAuthConfig{"/etc/dravel/users", true}));
  Store.WriteString("WebServiceAllowPlainAuth", "1");  // not the bool type: not stored
  EXPECT_NE(ErrorOf(), "");
}

}  // namespace
}  // namespace dravel
