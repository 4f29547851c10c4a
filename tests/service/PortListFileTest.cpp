// The port list file follows the port the web service runs on.
#include "service/PortListFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "FileText.h"
#include "LoopbackClient.h"
#include "ServiceFixture.h"
#include "platform/SystemInfo.h"
#include "platform/TempFolder.h"
#include "service/IndyApp.h"

namespace dravel {
namespace {

namespace fs = std::filesystem;

using testing::ReadFileText;

class PortListFollowTest : public ::testing::Test {
 protected:
  void Write(const std::string& Text) { testing::WriteFileText(Primary, Text); }

  testing::TTempFolder Folder;
  const fs::path Primary = Folder.Path() / "dravel_WSDLADMIN.INI";
  const fs::path Fallback = Folder.Path() / "settings" / "dravel_WSDLADMIN.INI";
  const TPortListFile PortList{Primary, Fallback};
  const TLocalHosts Hosts{{"Workstation", "192.0.2.7"}};
};

TEST_F(PortListFollowTest, TheProgramsOwnEntriesOnThisMachineTakeTheNewPort) {
  Write("[IVantorWS]\nIVantorWSPort=http://127.0.0.1:46131/soap/IVantorWS\n\n"
        "[IWSDLPublish]\nIWSDLPublishPort=http://localhost:46131/soap/IWSDLPublish\n\n");
  ASSERT_TRUE(PortList.FollowPort(46177, false, Hosts));
  EXPECT_EQ(ReadFileText(Primary),
            "[IVantorWS]\nIVantorWSPort=http://127.0.0.1:46177/soap/IVantorWS\n\n"
            "[IWSDLPublish]\nIWSDLPublishPort=http://localhost:46177/soap/IWSDLPublish\n\n");
  EXPECT_EQ(PortList.Ports("IVantorWS").front().Address, "http://127.0.0.1:46177/soap/IVantorWS");
}

TEST_F(PortListFollowTest, EveryNameAndAddressOfThisMachineCounts) {
  Write("[IVantorWS]\r\nIVantorWSPort = http://WORKSTATION/soap/IVantorWS\r\n"
        "[ivantorws]\r\nivantorwsport=http://[::1]:8080/soap/ivantorws\r\n"
        "[IVantorWS]\r\nIVantorWSPort=http://192.0.2.7:1/soap/IVantorWS\r\n"
        "[IVantorWS]\r\nIVantorWSPort=http://dravel.localhost:2/soap/IVantorWS\r\n");
  ASSERT_TRUE(PortList.FollowPort(61300, false, Hosts));
  // The name and host as they were written, the line ends kept.
  EXPECT_EQ(ReadFileText(Primary),
            "[IVantorWS]\r\nIVantorWSPort=http://WORKSTATION:61300/soap/IVantorWS\r\n"
            "[ivantorws]\r\nivantorwsport=http://[::1]:61300/soap/ivantorws\r\n"
            "[IVantorWS]\r\nIVantorWSPort=http://192.0.2.7:61300/soap/IVantorWS\r\n"
            "[IVantorWS]\r\nIVantorWSPort=http://dravel.localhost:61300/soap/IVantorWS\r\n");
}

TEST_F(PortListFollowTest, HandEditedEntriesAndOtherHostsAreKept) {
  const std::string Edited =
      "; mine\n[IVantorWS]\nIVantorWSPort=http://monitor.example.org:61300/soap/IVantorWS\n"
      "Backup=http://127.0.0.1:9000/soap/IVantorWS\n"
      "IVantorWSPort=http://127.0.0.1:9000/proxy/IVantorWS\n"
      "IVantorWSPort=https://127.0.0.1:9000/soap/IVantorWS\n"
      "IVantorWSPort=http://127.0.0.1:99999/soap/IVantorWS\n"
      "[Other]\nOtherPort=http://127.0.0.1:9000/soap/IVantorWS\n"
      "IVantorWSPort=http://127.0.0.1:9000/soap/IVantorWS";
  Write(Edited);
  ASSERT_TRUE(PortList.FollowPort(61300, false, Hosts));
  EXPECT_EQ(ReadFileText(Primary), Edited);
}

TEST_F(PortListFollowTest, TheSamePortOrNoFileChangesNothing) {
  ASSERT_TRUE(PortList.FollowPort(61300, false, Hosts));
  EXPECT_FALSE(fs::exists(Primary));
  EXPECT_FALSE(fs::exists(Fallback));
  Write("[IVantorWS]\nIVantorWSPort=http://localhost:61300/soap/IVantorWS\n");
  const auto Before = fs::last_write_time(Primary);
  ASSERT_TRUE(PortList.FollowPort(61300, false, Hosts));
  EXPECT_EQ(fs::last_write_time(Primary), Before);
  EXPECT_EQ(std::distance(fs::directory_iterator(Folder.Path()), fs::directory_iterator()), 1);
}

TEST_F(PortListFollowTest, AnHttpsServiceTakesItsOwnEntriesToHttps) {
  Write("[IVantorWS]\nIVantorWSPort=http://localhost:61300/soap/IVantorWS\n"
        "Backup=http://localhost:9000/soap/IVantorWS\n"
        "[IWSDLPublish]\nIWSDLPublishPort=https://127.0.0.1:4430/soap/IWSDLPublish\n");
  ASSERT_TRUE(PortList.FollowPort(61300, true, Hosts));
  EXPECT_EQ(ReadFileText(Primary),
            "[IVantorWS]\nIVantorWSPort=https://localhost:61300/soap/IVantorWS\n"
            "Backup=http://localhost:9000/soap/IVantorWS\n"
            "[IWSDLPublish]\nIWSDLPublishPort=https://127.0.0.1:61300/soap/IWSDLPublish\n");
  // An https entry without a port means 443.
  Write("[IVantorWS]\nIVantorWSPort=https://localhost/soap/IVantorWS\n");
  const auto Before = ReadFileText(Primary);
  ASSERT_TRUE(PortList.FollowPort(443, true, Hosts));
  EXPECT_EQ(ReadFileText(Primary), Before);
}

TEST_F(PortListFollowTest, TheFileCreatedOverHttpsSaysHttps) {
  PortList.CreateIfMissing("localhost:4443", "127.0.0.1:4443", true);
  EXPECT_EQ(PortList.Ports("IVantorWS").front().Address, "https://localhost:4443/soap/IVantorWS");
}

TEST_F(PortListFollowTest, TheFileInTheSettingsFolderIsTheOneFollowed) {
  fs::create_directories(Fallback.parent_path());
  std::ofstream(Fallback) << "[IVantorWS]\nIVantorWSPort=http://localhost:1/soap/IVantorWS\n";
  ASSERT_TRUE(PortList.FollowPort(2, false, Hosts));
  EXPECT_EQ(ReadFileText(Fallback), "[IVantorWS]\nIVantorWSPort=http://localhost:2/soap/IVantorWS\n");
  EXPECT_FALSE(fs::exists(Primary));
}

TEST(LocalHosts, LoopbackTheGivenNamesAndNothingElse) {
  const TLocalHosts Hosts({"Workstation", "192.0.2.7"});
  for (const char* Local : {"localhost", "LocalHost", "127.0.0.1", "127.1.2.3", "[::1]", "::1",
                            "0.0.0.0", "workstation", "192.0.2.7", "a.localhost"}) {
    EXPECT_TRUE(Hosts.Contains(Local)) << Local;
  }
  for (const char* Other : {"monitor.example.org", "192.0.2.8", "[2001:db8::1]", "localhost.example",
                            "workstation.example", ""}) {
    EXPECT_FALSE(Hosts.Contains(Other)) << Other;
  }
}

TEST(PortListHostTest, AHeaderNamingThisMachineIsWrittenAsSent) {
  const TLocalHosts Hosts({"workstation.lan", "workstation", "192.0.2.7"});
  const std::string Local = "192.0.2.7:61300";
  for (const char* Own : {"localhost:61300", "LOCALHOST", "127.0.0.1:8080", "127.9.9.9", "[::1]:61300",
                          "Workstation:61300", "workstation.lan", "192.0.2.7:61300", "dravel.localhost"})
    EXPECT_EQ(PortListHost(Own, Local, Hosts), Own) << Own;
  // The address the connection came in on is this machine whatever the list says.
  EXPECT_EQ(PortListHost("198.51.100.3:61300", "198.51.100.3:61300", Hosts), "198.51.100.3:61300");
  EXPECT_EQ(PortListHost("[2001:db8::1]:1", "[2001:db8::1]:61300", Hosts), "[2001:db8::1]:1");
}

TEST(PortListHostTest, AForeignOrMalformedHeaderGivesTheConnectionsOwnAddress) {
  const TLocalHosts Hosts({"workstation"});
  for (const char* Foreign : {"attacker.example:8080", "attacker.example", "203.0.113.9", "[2001:db8::66]:80",
                              "workstation.attacker.example", "localhost.attacker.example", "localhost:80/x",
                              "localhost:", "localhost:8o", "", "127.0.0.1@evil", "[::1"})
    EXPECT_EQ(PortListHost(Foreign, "127.0.0.1:61300", Hosts), "127.0.0.1:61300") << Foreign;
  EXPECT_EQ(PortListHost("evil", "[::1]:61300", Hosts), "[::1]:61300");
  // A request that came over no connection keeps its header.
  EXPECT_EQ(PortListHost("a:61300", "", Hosts), "a:61300");
}

TEST(WebApplicationHost, AForeignHostOnTheFirstRequestLeavesTheWsdlOnThisMachine) {
  const testing::TTempFolder Folder;
  test::TPanelState Panel;
  TWebApplication App(Panel.State, Folder.Path() / "a_WSDLADMIN.INI", Folder.Path() / "b_WSDLADMIN.INI");
  ASSERT_EQ(App.Start(0), "");
  const std::string Port = std::to_string(App.Port());
  const std::string First =
      test::Exchange(App.Port(), "GET /wsdl HTTP/1.1\r\nHost: attacker.example:8080\r\nConnection: close\r\n\r\n");
  // The page itself speaks of the host it was asked for.
  EXPECT_NE(First.find("http://attacker.example:8080/wsdl"), std::string::npos);
  const std::string Wsdl = test::Exchange(
      App.Port(), "GET /wsdl/IVantorWS HTTP/1.1\r\nHost: localhost:" + Port + "\r\nConnection: close\r\n\r\n");
  EXPECT_NE(Wsdl.find("location=\"http://127.0.0.1:" + Port + "/soap/IVantorWS\""), std::string::npos) << Wsdl;
  EXPECT_EQ(Wsdl.find("attacker"), std::string::npos);
  App.Stop();
}

TEST(LocalHosts, ThisMachineKnowsItsOwnName) {
  const std::string Name = MakeSystemInfo()->ComputerName();
  ASSERT_FALSE(Name.empty());
  EXPECT_TRUE(TLocalHosts::OfThisMachine().Contains(Name));
}

TEST(WebApplicationPort, StartingOnAPortRewritesTheAddressOfAnEarlierRun) {
  testing::TTempFolder Folder;
  const fs::path Primary = Folder.Path() / "dravel_WSDLADMIN.INI";
  std::ofstream(Primary) << "[IVantorWS]\nIVantorWSPort=http://127.0.0.1:1/soap/IVantorWS\n";
  test::TPanelState Panel;
  TWebApplication App(Panel.State, Primary, Folder.Path() / "settings" / "dravel_WSDLADMIN.INI");
  ASSERT_EQ(App.Start(0), "");
  const std::string Expected = "http://127.0.0.1:" + std::to_string(App.Port()) + "/soap/IVantorWS";
  App.Stop();
  EXPECT_EQ(ReadFileText(Primary), "[IVantorWS]\nIVantorWSPort=" + Expected + "\n");
}

}  // namespace
}  // namespace dravel
