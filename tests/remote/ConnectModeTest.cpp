#include "DravelfmtConnect.h"

#include <gtest/gtest.h>

#include <QTcpServer>
#include <sstream>

#include "remote/LinkServer.h"
#include "remote/LinkTestSupport.h"
#include "sampling/RawData.h"

namespace dravel {
namespace {

using testing::App;
using testing::SampleRecordBytes;

class ConnectMode : public ::testing::Test {
 protected:
  void SetUp() override {
    App();
    Server.SetPort(0);
    Server.Open();
  }
  TLinkServerEvents Events() {
    TLinkServerEvents E;
    E.OnListen = [this] { DeriveLinkKey(Cipher, Password); };
    E.CurrentRecord = [this](TRecordBytes& Out) {
      Out = SampleRecordBytes(static_cast<std::uint8_t>(Served++));
    };
    return E;
  }
  TConnectRequest Request(const std::string& LinkPassword, int Count) const {
    TConnectRequest R;
    R.Target = "127.0.0.1:" + std::to_string(Server.Port());
    R.Password = LinkPassword;
    R.IntervalMs = 20;
    R.Count = Count;
    return R;
  }

  std::string Password = "Mixed Case Kept";
  TDCP_blowfish Cipher;
  int Served = 0;
  TLinkServer Server{Cipher, Password, Events()};
  TRawDataShell Shell;
  std::ostringstream Err;
};

TEST_F(ConnectMode, ShowsTheAskedNumberOfRecordsAndEndsWell) {
  ASSERT_TRUE(ConnectAvailable());
  std::vector<TRecordBytes> Seen;
  const int Result = RunConnect(Request("Mixed Case Kept", 3), Shell, [&] {
    TRecordBytes Copy;
    const auto Bytes = RecordBytes(Shell.Data);
    std::copy(Bytes.begin(), Bytes.end(), Copy.begin());
    Seen.push_back(Copy);
  }, Err);
  EXPECT_EQ(Result, 0) << Err.str();
  ASSERT_EQ(Seen.size(), 3u);
  for (std::size_t I = 0; I < Seen.size(); ++I)
    EXPECT_EQ(Seen[I], SampleRecordBytes(static_cast<std::uint8_t>(I)));
  EXPECT_TRUE(Err.str().empty());
}

TEST_F(ConnectMode, ARefusedConnectionIsAClearFailure) {
  QTcpServer Probe;
  ASSERT_TRUE(Probe.listen(QHostAddress::LocalHost));
  TConnectRequest R = Request("", 1);
  R.Target = "127.0.0.1:" + std::to_string(Probe.serverPort());
  Probe.close();
  EXPECT_EQ(RunConnect(R, Shell, [] {}, Err), 2);
  EXPECT_NE(Err.str().find("cannot reach the server at 127.0.0.1:"), std::string::npos) << Err.str();
}

TEST_F(ConnectMode, TheServerGoingAwayEndsTheRun) {
  int Records = 0;
  const int Result = RunConnect(Request("Mixed Case Kept", 0), Shell, [&] {
    if (++Records == 2) Server.Close();
  }, Err);
  EXPECT_EQ(Result, 2);
  EXPECT_EQ(Records, 2);
  EXPECT_NE(Err.str().find("closed the link"), std::string::npos) << Err.str();
}

TEST_F(ConnectMode, AWrongPasswordIsReportedOnceRepliesStayUnreadable) {
  const int Result = RunConnect(Request("mixed case kept", 0), Shell, [] {}, Err);
  EXPECT_EQ(Result, 2);
  EXPECT_NE(Err.str().find("no readable record"), std::string::npos) << Err.str();
}

TEST_F(ConnectMode, MalformedTargetsAreRefusedBeforeConnecting) {
  for (const char* Target : {"", ":6130", "host:", "host:0", "host:65536", "host:61x"}) {
    TConnectRequest R = Request("", 1);
    R.Target = Target;
    std::ostringstream Message;
    EXPECT_EQ(RunConnect(R, Shell, [] {}, Message), 2) << Target;
    EXPECT_NE(Message.str().find("HOST:PORT"), std::string::npos) << Target;
  }
}

}  // namespace
}  // namespace dravel
