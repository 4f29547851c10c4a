#include "DravelfmtConnect.h"

#include <gtest/gtest.h>

#include <QTcpServer>
#include <unistd.h>

#include <chrono>
#include <sstream>
#include <vector>

#include "remote/LinkClient.h"
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

TEST_F(ConnectMode, TheServerGoingAwayEndsARunWithACount) {
  int Records = 0;
  const int Result = RunConnect(Request("Mixed Case Kept", 5), Shell, [&] {
    if (++Records == 2) Server.Close();
  }, Err);
  EXPECT_EQ(Result, 2);
  EXPECT_EQ(Records, 2);
  EXPECT_NE(Err.str().find("closed the link"), std::string::npos) << Err.str();
}

TEST_F(ConnectMode, AStreamShowsTheLastRecordWhileTheServerIsAwayAndReconnects) {
  const std::uint16_t Port = Server.Port();
  const auto GiveUp = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  enum class TPhase { Up, Away, Back, Done } Phase = TPhase::Up;
  std::vector<std::uint8_t> Last;
  int Shown = 0;
  TConnectRequest R = Request("Mixed Case Kept", 0);
  R.Stopping = [&] { return Phase == TPhase::Done || std::chrono::steady_clock::now() > GiveUp; };
  const int Result = RunConnect(R, Shell, [&] {
    const auto Bytes = RecordBytes(Shell.Data);
    const std::vector<std::uint8_t> Now(Bytes.begin(), Bytes.end());
    ++Shown;
    if (Phase == TPhase::Up && Shown == 2) {
      Last = Now;
      Server.Close();
      Phase = TPhase::Away;
    } else if (Phase == TPhase::Away) {
      EXPECT_EQ(Now, Last);  // the last figures, on the beat
      if (Shown == 5) {
        Server.SetPort(Port);
        Server.Open();
        Phase = TPhase::Back;
      }
    } else if (Phase == TPhase::Back && Now != Last) {
      Phase = TPhase::Done;  // a fresh record from the server that came back
    }
  }, Err);
  EXPECT_EQ(Result, 0) << Err.str();
  EXPECT_EQ(Phase, TPhase::Done) << Err.str();
  EXPECT_NE(Err.str().find("closed the link; trying again every interval"), std::string::npos)
      << Err.str();
  EXPECT_NE(Err.str().find("is back"), std::string::npos) << Err.str();
}

TEST_F(ConnectMode, AStreamEndsWhenItsWakeDescriptorTurnsReadable) {
  int Wake[2];
  ASSERT_EQ(::pipe(Wake), 0);
  int Shown = 0;
  TConnectRequest R = Request("Mixed Case Kept", 0);
  R.IntervalMs = 60000;  // only the wake can end the run in time
  R.WakeDescriptor = Wake[0];
  const int Result = RunConnect(R, Shell, [&] {
    if (++Shown == 1) EXPECT_EQ(::write(Wake[1], "x", 1), 1);
  }, Err);
  EXPECT_EQ(Result, 0) << Err.str();
  EXPECT_EQ(Shown, 1);
  ::close(Wake[0]);
  ::close(Wake[1]);
}

TEST_F(ConnectMode, AWrongPasswordIsReportedOnceRepliesStayUnreadable) {
  const int Result = RunConnect(Request("mixed case kept", 0), Shell, [] {}, Err);
  EXPECT_EQ(Result, 2);
  EXPECT_NE(Err.str().find("no readable record"), std::string::npos) << Err.str();
}

TEST_F(ConnectMode, SecureReadsTheRecordsAndARefusalEndsEvenAStream) {
  TSecureLinkSettings Settings;
  Settings.Cost = CheapestSecureKeyCost();
  Server.SetSecure(Settings);
  ASSERT_TRUE(testing::WaitFor([&] { return Server.SecureKeyReady(); }));
  TConnectRequest Right = Request("Mixed Case Kept", 2);
  Right.Secure = true;
  int Shown = 0;
  EXPECT_EQ(RunConnect(Right, Shell, [&] { ++Shown; }, Err), 0) << Err.str();
  EXPECT_EQ(Shown, 2);
  EXPECT_EQ(Shell.Data.Marker, 'W');

  TConnectRequest Wrong = Request("mixed case kept", 0);
  Wrong.Secure = true;
  std::ostringstream Refused;
  EXPECT_EQ(RunConnect(Wrong, Shell, [] {}, Refused), 2);
  EXPECT_EQ(Refused.str(), "dravelfmt: The server refused the link password\n");
}

TEST_F(ConnectMode, SecureGivesUpOnAServerThatNeverAnswersTheHello) {
  QTcpServer Mute;  // takes the connection and says nothing
  ASSERT_TRUE(Mute.listen(QHostAddress::LocalHost));
  TConnectRequest R = Request("pw", 1);
  R.Target = "127.0.0.1:" + std::to_string(Mute.serverPort());
  R.Secure = true;
  const auto Started = std::chrono::steady_clock::now();
  EXPECT_EQ(RunConnect(R, Shell, [] {}, Err), 2);
  const auto Took = std::chrono::steady_clock::now() - Started;
  EXPECT_GE(Took, std::chrono::milliseconds(TLinkClient::HandshakeLimitMs));
  EXPECT_LT(Took, std::chrono::milliseconds(TLinkClient::HandshakeLimitMs + 4000));
  EXPECT_NE(Err.str().find("authenticated"), std::string::npos) << Err.str();
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
