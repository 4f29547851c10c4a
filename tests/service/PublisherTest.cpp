// The listing pages, the port page, the WSDL documents and the port list file.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

#include "service/SOAPIndyWM.h"
#include "service/PortListFile.h"
#include "ServiceFixture.h"

namespace dravel {
namespace {

namespace fs = std::filesystem;

std::string FileText(const fs::path& Path) {
  std::ifstream File(Path, std::ios::binary);
  std::ostringstream Text;
  Text << File.rdbuf();
  return Text.str();
}

class PublisherTest : public ::testing::Test {
 protected:
  PublisherTest() {
    fs::remove_all(Folder);
    fs::create_directories(Folder / "bin");
  }
  ~PublisherTest() override {
    std::error_code Ignored;
    fs::remove_all(Folder, Ignored);
  }

  TWebResponse Get(const std::string& Path, const std::string& Host = "a:61300") {
    return Module.HandleRequest({"GET", Path, Host, ""});
  }

  test::TPanelState Panel;
  const fs::path Folder = fs::path(::testing::TempDir()) /
                          ("publisher_" + std::to_string(::getpid()) + "_" +
                           ::testing::UnitTest::GetInstance()->current_test_info()->name());
  const fs::path Primary = PortListFileName(Folder / "bin" / "dravel");
  const fs::path Fallback = Folder / "settings" / "dravel_WSDLADMIN.INI";
  TPortListFile PortList{Primary, Fallback};
  TwmSOAPIndy Module{Panel.State, PortList};
};

constexpr const char* TableStart =
    "<table border=1  cellspacing=1 cellpadding=1 style='border-collapse:collapse;border:none'>\r\n";

TEST_F(PublisherTest, ListingPage) {
  const TWebResponse Response = Get("/wsdl");
  EXPECT_EQ(Response.ContentType, "text/html");
  EXPECT_EQ(Response.Content,
            std::string("<html><body>\r\n"
                        "<title>WebService Listing</title>\r\n"
                        "<h1>WebService Listing</h1><p>\r\n") +
                TableStart +
                "<tr>\r\n<td>Port Type</td>\r\n<td>Namespace URI</td>\r\n<td>Documentation</td>\r\n"
                "<td>WSDL</td>\r\n</tr>\r\n"
                "<tr>\r\n<td>IVantorWS</td>\r\n<td>urn:VantorIntf-IVantorWS</td>\r\n<td></td>\r\n"
                "<td><a href=\"http://a:61300/wsdl/IVantorWS\">WSDL for IVantorWS</a></td>\r\n</tr>\r\n"
                "<tr>\r\n<td>IWSDLPublish</td>\r\n<td>urn:WSDLPub-IWSDLPublish</td>\r\n"
                "<td>Lists all the PortTypes published by this URL</td>\r\n"
                "<td><a href=\"http://a:61300/wsdl/IWSDLPublish\">WSDL for IWSDLPublish</a></td>\r\n</tr>\r\n"
                "</table>\r\n"
                "<form name=\"admin\" method=\"GET\" action=\"http://a:61300/wsdl/admin\">\r\n"
                "<input type=\"submit\" value=\"Administrator\">\r\n"
                "</form>\r\n"
                "</html></body>\r\n");
}

TEST_F(PublisherTest, AdministratorPageLinksToThePortPages) {
  EXPECT_EQ(Get("/wsdl/admin").Content,
            std::string("<html><body>\r\n"
                        "<title>WebService Listing Administrator</title>\r\n"
                        "<h1>WebService Listing Administrator</h1><p>\r\n") +
                TableStart +
                "<tr>\r\n<td>Port Type</td>\r\n<td>Namespace URI</td>\r\n<td>Documentation</td>\r\n"
                "<td>WSDL</td>\r\n</tr>\r\n"
                "<tr>\r\n<td>IVantorWS</td>\r\n<td>urn:VantorIntf-IVantorWS</td>\r\n<td></td>\r\n"
                "<td><a href=\"http://a:61300/wsdl/admin/IVantorWS\">WSDL for IVantorWS</a></td>\r\n</tr>\r\n"
                "<tr>\r\n<td>IWSDLPublish</td>\r\n<td>urn:WSDLPub-IWSDLPublish</td>\r\n"
                "<td>Lists all the PortTypes published by this URL</td>\r\n"
                "<td><a href=\"http://a:61300/wsdl/admin/IWSDLPublish\">WSDL for IWSDLPublish</a></td>\r\n"
                "</tr>\r\n</table>\r\n</html></body>\r\n");
}

TEST_F(PublisherTest, PortPage) {
  EXPECT_EQ(Get("/wsdl/admin/IVantorWS").Content,
            std::string("<html><body>\r\n"
                        "<title>WSDL Ports for PortType IVantorWS</title>\r\n"
                        "<h1>WSDL Ports for PortType IVantorWS</h1>\r\n") +
                TableStart + "<tr>\r\n<td>PortName</td>\r\n<td>Address</td>\r\n</tr>\r\n" +
                "<tr>\r\n<td>IVantorWSPort</td>\r\n<td>http://a:61300/soap/IVantorWS</td>\r\n</tr>\r\n"
                "</table>\r\n<p>\r\n"
                "<form name=\"admin\" method=\"GET\" action=\"http://a:61300/wsdl/admin/IVantorWS\">\r\n" +
                TableStart + "<tr>\r\n<td>PortName</td>\r\n<td>Address</td>\r\n</tr>\r\n" +
                "<tr>\r\n<td><input type=\"text\" name=\"PortName\" size=\"20\" maxlength=\"4096\"></td>\r\n"
                "<td><input type=\"text\" name=\"Address\" size=\"40\" maxlength=\"4096\"></td>\r\n</tr>\r\n"
                "</table>\r\n<p>\r\n"
                "<input type=\"submit\" name=\"COMMAND\" value=\"Add\">\r\n"
                "<input type=\"submit\" name=\"COMMAND\" value=\"Remove\">\r\n"
                "</form>\r\n</html></body>\r\n");
}

TEST_F(PublisherTest, WsdlOfTheServiceInterface) {
  const TWebResponse Response = Get("/wsdl/IVantorWS");
  EXPECT_EQ(Response.ContentType, "text/xml");
  EXPECT_EQ(Response.Content, FileText(fs::path(DRAVEL_SERVICE_TEST_DATA) / "IVantorWS.wsdl"));
}

TEST_F(PublisherTest, WsdlOfThePublisherInterface) {
  EXPECT_EQ(Get("/wsdl/IWSDLPublish").Content,
            FileText(fs::path(DRAVEL_SERVICE_TEST_DATA) / "IWSDLPublish.wsdl"));
}

TEST_F(PublisherTest, UnknownInterfaceAndPathsThePublisherDoesNotServe) {
  const TWebResponse Missing = Get("/wsdl/IOther");
  EXPECT_EQ(Missing.ContentType, "text/html");
  EXPECT_EQ(Missing.Content, "<HTML><P>Interface IOther not found</P></HTML>");
  EXPECT_EQ(Get("/wsdl/<b>").Content, "<HTML><P>Interface &lt;b&gt; not found</P></HTML>");
  // Names compare exactly here.
  EXPECT_EQ(Get("/wsdl/ivantorws").Content, "<HTML><P>Interface ivantorws not found</P></HTML>");
  EXPECT_EQ(Get("/WSDL").Content, "");
  EXPECT_EQ(Get("/wsdlx/y/z").Content, "");
  EXPECT_EQ(Get("/other").Content, "");
}

TEST_F(PublisherTest, HostHeaderIsEscapedInThePages) {
  const std::string Page = Get("/wsdl", "x\"><script>").Content;
  EXPECT_EQ(Page.find("<script>"), std::string::npos);
  EXPECT_NE(Page.find("http://x&quot;&gt;&lt;script&gt;/wsdl/IVantorWS"), std::string::npos);
}

TEST(PortListFileNameTest, ExecutablePathWithoutExtension) {
  EXPECT_EQ(PortListFileName("/opt/dravel/bin/dravel"), "/opt/dravel/bin/dravel_WSDLADMIN.INI");
  EXPECT_EQ(PortListFileName("/opt/v.1/Vantor.exe"), "/opt/v.1/Vantor_WSDLADMIN.INI");
}

TEST_F(PublisherTest, FirstPublisherRequestCreatesThePortListFromItsHost) {
  EXPECT_FALSE(fs::exists(Primary));
  Get("/soap-not-served");
  EXPECT_FALSE(fs::exists(Primary));
  Get("/wsdlnothing");  // reaches the publisher, which does not answer it
  EXPECT_EQ(FileText(Primary),
            "[IVantorWS]\nIVantorWSPort=http://a:61300/soap/IVantorWS\n\n"
            "[IWSDLPublish]\nIWSDLPublishPort=http://a:61300/soap/IWSDLPublish\n\n");
}

TEST_F(PublisherTest, PortListIsFrozenWithTheFirstHost) {
  Get("/wsdl", "a:61300");
  const std::string Wsdl = Get("/wsdl/IVantorWS", "b.example:8080").Content;
  EXPECT_NE(Wsdl.find("<soap:address location=\"http://a:61300/soap/IVantorWS\"/>"), std::string::npos);
  EXPECT_EQ(Wsdl.find("b.example"), std::string::npos);
}

TEST_F(PublisherTest, HandEditedPortListIsPublished) {
  std::ofstream(Primary) << "; edited\r\n[ivantorws]\r\nMain = http://h1/soap/IVantorWS\r\n"
                            "Backup=http://h2:81/soap/IVantorWS\r\n[Other]\r\nX=y\r\n";
  const std::string Wsdl = Get("/wsdl/IVantorWS").Content;
  EXPECT_NE(Wsdl.find("    <port name=\"Main\" binding=\"tns:IVantorWSbinding\">\r\n"
                      "      <soap:address location=\"http://h1/soap/IVantorWS\"/>\r\n"
                      "    </port>\r\n"
                      "    <port name=\"Backup\" binding=\"tns:IVantorWSbinding\">\r\n"
                      "      <soap:address location=\"http://h2:81/soap/IVantorWS\"/>\r\n"
                      "    </port>\r\n  </service>"),
            std::string::npos);
  EXPECT_EQ(Wsdl.find("X=y"), std::string::npos);
}

TEST_F(PublisherTest, UnwritableExecutableFolderPutsThePortListInTheSettingsFolder) {
  // A folder that cannot be written, even by root: its name is taken by a plain file.
  std::ofstream(Folder / "blocked") << "";
  const TPortListFile Blocked(Folder / "blocked" / "dravel_WSDLADMIN.INI", Fallback);
  const TwmSOAPIndy BlockedModule(Panel.State, Blocked);
  BlockedModule.HandleRequest({"GET", "/wsdl", "c:1", ""});
  EXPECT_NE(FileText(Fallback).find("IVantorWSPort=http://c:1/soap/IVantorWS"), std::string::npos);
  EXPECT_NE(BlockedModule.HandleRequest({"GET", "/wsdl/IVantorWS", "d:2", ""}).Content.find(
                "http://c:1/soap/IVantorWS"),
            std::string::npos);
}

TEST_F(PublisherTest, ConcurrentFirstRequestsCreateOneWholeFile) {
  std::vector<std::thread> Threads;
  for (int I = 0; I < 8; ++I) {
    Threads.emplace_back([this, I] { Get("/wsdl", "host" + std::to_string(I)); });
  }
  for (auto& Thread : Threads) Thread.join();
  const std::string Text = FileText(Primary);
  const std::size_t Host = Text.find("http://host");
  ASSERT_NE(Host, std::string::npos);
  const char Which = Text[Host + 11];
  EXPECT_EQ(Text, std::string("[IVantorWS]\nIVantorWSPort=http://host") + Which +
                      "/soap/IVantorWS\n\n[IWSDLPublish]\nIWSDLPublishPort=http://host" + Which +
                      "/soap/IWSDLPublish\n\n");
  std::size_t Files = 0;
  for ([[maybe_unused]] const auto& Entry : fs::directory_iterator(Folder / "bin")) ++Files;
  EXPECT_EQ(Files, 1u);  // no temporary left behind
}

}  // namespace
}  // namespace dravel
