#include "monitor/WebAuthSettings.h"

#include "StoreFixture.h"

namespace dravel {
namespace {

class WebAuthSettingsTest : public testing::TStoreFixture {
 protected:
  std::string ErrorOf() { return TStoreFixture::ErrorOf<EWebAuthSettings>([&] { ResolveWebAuth(Store); }); }
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
