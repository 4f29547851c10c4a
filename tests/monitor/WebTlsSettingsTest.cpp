#include "monitor/WebTlsSettings.h"

#include "StoreFixture.h"

namespace dravel {
namespace {

class WebTlsSettingsTest : public testing::TStoreFixture {
 protected:
  std::string ErrorOf() { return TStoreFixture::ErrorOf<ETlsFiles>([&] { ResolveWebTls(Store); }); }
};

TEST_F(WebTlsSettingsTest, NeitherValueMeansPlainHttp) {
  EXPECT_EQ(ResolveWebTls(Store), std::nullopt);
  Store.WriteString("WebServiceCert", "");
  Store.WriteString("WebServiceKey", "");
  EXPECT_EQ(ResolveWebTls(Store), std::nullopt);
  // A value of another type counts as not stored.
  Store.WriteInteger("WebServiceCert", 1);
  Store.WriteInteger("WebServiceKey", 2);
  EXPECT_EQ(ResolveWebTls(Store), std::nullopt);
}

TEST_F(WebTlsSettingsTest, BothValuesAreTheFiles) {
  Store.WriteString("WebServiceCert", "/etc/dravel/chain.pem");
  Store.WriteString("WebServiceKey", "/etc/dravel/key.pem");
  EXPECT_EQ(ResolveWebTls(Store), (TTlsFiles{"/etc/dravel/chain.pem", "/etc/dravel/key.pem"}));
}

TEST_F(WebTlsSettingsTest, OnlyOneValueNamesBoth) {
  Store.WriteString("WebServiceCert", "/etc/dravel/chain.pem");
  EXPECT_EQ(ErrorOf(), "WebServiceCert is set but WebServiceKey is not: the web service needs both for HTTPS");
  Store.WriteString("WebServiceCert", "");
  Store.WriteString("WebServiceKey", "/etc/dravel/key.pem");
  EXPECT_EQ(ErrorOf(), "WebServiceKey is set but WebServiceCert is not: the web service needs both for HTTPS");
}

}  // namespace
}  // namespace dravel
