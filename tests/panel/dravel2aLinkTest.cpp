// The window's link roles: the "Act as Server" dialogs and what they store, the server
// answering with the window's record, start-up from the stored values, and client mode.
#include <QAction>
#include <QElapsedTimer>
#include <QTimer>
#include <QTcpServer>
#include <QTcpSocket>
#include <cerrno>
#include <cstring>

#include "ScriptedPanelTest.h"
#include "remote/LinkServer.h"
#include "remote/SecurePeer.h"
#include "sampling/RawData.h"

namespace dravel {
namespace {

using LinkPanel = testing::ScriptedPanelTest;

const char* const PortPrompt = "Server Port|Only display items extant at both sides will appear|";
const char* const PasswordPrompt =
    "Server Password|Enter a string to encrypt the data, or blank for none|";
const char* const SaveQuestion = "Would you like to save this password for future use?";

TEST_F(LinkPanel, SwitchingOnWithASavedPasswordStoresPortServerAndPassword) {
  auto Panel = StartScripted();
  const std::uint16_t Port = FreePort();
  Script->Inputs = {std::to_string(Port), std::string("Secret Word")};
  Script->Boxes = {TMsgResult::Yes};
  Panel->ActasServer1Click();

  EXPECT_TRUE(Panel->ActasServer1->isChecked());
  EXPECT_TRUE(Panel->serv->Active());
  EXPECT_EQ(Panel->serv->Port(), Port);
  EXPECT_EQ(Script->Asked, (std::vector<std::string>{std::string(PortPrompt) + "6130",
                                                     std::string(PasswordPrompt)}));
  EXPECT_EQ(Script->Messages, std::vector<std::string>{SaveQuestion});
  for (const bool On : Script->TimerWasOn) EXPECT_FALSE(On);
  EXPECT_TRUE(Panel->TimerEnabled());
  auto Seen = Store();
  EXPECT_EQ(Seen->ReadInteger("ServPort"), Port);
  EXPECT_TRUE(Seen->ReadBool("Server"));
  EXPECT_EQ(Seen->ReadString("Password"), "Secret Word");
  EXPECT_EQ(Panel->LinkPassword, "Secret Word");  // as typed, capitals kept
}

TEST_F(LinkPanel, TheMenuItemRunsTheSwitchAndTicksOnce) {
  auto Panel = StartScripted();
  Script->Inputs = {std::to_string(FreePort()), std::string()};
  Panel->ActasServer1->trigger();
  EXPECT_TRUE(Panel->ActasServer1->isChecked());
  EXPECT_TRUE(Panel->serv->Active());
  Panel->ActasServer1->trigger();
  EXPECT_FALSE(Panel->ActasServer1->isChecked());
  EXPECT_FALSE(Panel->serv->Active());
}

TEST_F(LinkPanel, TheSavedPasswordIsOfferedAndNoDeletesIt) {
  SeedCurrent()->WriteString("Password", "old one");
  auto Panel = StartScripted();
  Script->Inputs = {std::to_string(FreePort()), std::string("new one")};
  Script->Boxes = {TMsgResult::No};
  Panel->ActasServer1Click();
  EXPECT_EQ(Script->Asked.at(1), std::string(PasswordPrompt) + "old one");
  EXPECT_FALSE(Store()->ValueExists("Password"));
  EXPECT_EQ(Panel->LinkPassword, "new one");
  EXPECT_TRUE(Panel->serv->Active());
}

TEST_F(LinkPanel, ABlankPasswordDeletesTheSavedOneWithoutAsking) {
  SeedCurrent()->WriteString("Password", "old one");
  auto Panel = StartScripted();
  Script->Inputs = {std::to_string(FreePort()), std::string()};
  Panel->ActasServer1Click();
  EXPECT_TRUE(Script->Messages.empty());
  EXPECT_FALSE(Store()->ValueExists("Password"));
  EXPECT_TRUE(Panel->LinkPassword.empty());
  EXPECT_TRUE(Panel->serv->Active());
}

TEST_F(LinkPanel, CancelAtThePortPromptLeavesTheServerOff) {
  auto Panel = StartScripted();
  Script->Inputs = {std::nullopt};
  Panel->ActasServer1Click();
  EXPECT_FALSE(Panel->ActasServer1->isChecked());
  EXPECT_FALSE(Panel->serv->Active());
  EXPECT_FALSE(Store()->ValueExists("Server"));
  EXPECT_TRUE(Panel->TimerEnabled());
}

TEST_F(LinkPanel, CancelAtTheSaveQuestionLeavesTheServerOffAndThePasswordInMemory) {
  auto Panel = StartScripted();
  Script->Inputs = {std::to_string(FreePort()), std::string("kept")};
  Script->Boxes = {TMsgResult::Cancel};
  Panel->ActasServer1Click();
  EXPECT_FALSE(Panel->ActasServer1->isChecked());
  EXPECT_FALSE(Panel->serv->Active());
  EXPECT_EQ(Panel->LinkPassword, "kept");
  EXPECT_FALSE(Store()->ValueExists("Server"));
  EXPECT_FALSE(Store()->ValueExists("ServPort"));
}

TEST_F(LinkPanel, CancelAtThePasswordPromptServesInClear) {
  auto Panel = StartScripted({"-c", "-dcommand"});  // no host: a local monitor
  ASSERT_FALSE(Panel->ClientMode);
  Script->Inputs = {std::to_string(FreePort()), std::nullopt};
  Panel->ActasServer1Click();
  EXPECT_TRUE(Panel->LinkPassword.empty());
  EXPECT_TRUE(Panel->serv->Active());
}

TEST_F(LinkPanel, APortTextThatIsNoPortKeepsThePreviousPort) {
  auto Panel = StartScripted();
  const std::uint16_t Port = FreePort();
  Script->Inputs = {std::to_string(Port), std::string()};
  Panel->ActasServer1Click();
  Panel->ActasServer1Click();  // off
  ASSERT_FALSE(Panel->serv->Active());
  for (const char* Text : {"61x", "0", "65536", "-5", ""}) {
    Script->Inputs = {std::string(Text), std::string()};
    Panel->ActasServer1Click();
    EXPECT_EQ(Panel->serv->Port(), Port) << Text;
    Panel->ActasServer1Click();
  }
}

TEST_F(LinkPanel, SwitchingOffClosesButLeavesServerStored) {
  auto Panel = StartScripted();
  Script->Inputs = {std::to_string(FreePort()), std::string()};
  Panel->ActasServer1Click();
  ASSERT_TRUE(Panel->serv->Active());
  Panel->ActasServer1Click();
  EXPECT_FALSE(Panel->ActasServer1->isChecked());
  EXPECT_FALSE(Panel->serv->Active());
  EXPECT_TRUE(Store()->ReadBool("Server"));
}

TEST_F(LinkPanel, APortInUseShowsTheSocketErrorAndStoresNothing) {
  QTcpServer Holder;
  ASSERT_TRUE(Holder.listen(QHostAddress::Any));
  auto Panel = StartScripted();
  Script->Inputs = {std::to_string(Holder.serverPort()), std::string()};
  Panel->ActasServer1Click();
  const std::string Expected = std::string("Windows socket error: ") + std::strerror(EADDRINUSE) +
                               " (" + std::to_string(EADDRINUSE) + "), on API 'bind'";
  EXPECT_EQ(Script->Messages, std::vector<std::string>{Expected});
  EXPECT_TRUE(Panel->ActasServer1->isChecked());
  EXPECT_FALSE(Panel->serv->Active());
  EXPECT_FALSE(Store()->ValueExists("ServPort"));
  EXPECT_FALSE(Store()->ValueExists("Server"));
  EXPECT_TRUE(Panel->TimerEnabled());
}

TEST_F(LinkPanel, TheServerAnswersWithTheWindowsRecord) {
  auto Panel = StartScripted();
  Script->Inputs = {std::to_string(FreePort()), std::string()};
  Panel->ActasServer1Click();
  QTcpSocket Peer;
  Peer.connectToHost("127.0.0.1", Panel->serv->Port());
  ASSERT_TRUE(WaitFor([&] { return Peer.state() == QAbstractSocket::ConnectedState; }));
  Peer.write("W", 1);
  ASSERT_TRUE(WaitFor([&] { return Peer.bytesAvailable() >= 312; }));
  const QByteArray Reply = Peer.read(312);
  const std::lock_guard Lock(Panel->FRawData->Guard);
  EXPECT_EQ(0, std::memcmp(Reply.data(), &Panel->FRawData->Data, 312));
  EXPECT_EQ(Panel->FTrayMode, 0);
}

TEST_F(LinkPanel, AStoredServerStartsAtSetUpWithTheSavedPassword) {
  const std::uint16_t Port = FreePort();
  {
    auto Seed = SeedCurrent();
    Seed->WriteInteger("ServPort", Port);
    Seed->WriteBool("Server", true);
    Seed->WriteString("Password", "stored");
  }
  auto Panel = StartScripted();
  EXPECT_TRUE(Panel->serv->Active());
  EXPECT_EQ(Panel->serv->Port(), Port);
  EXPECT_TRUE(Panel->ActasServer1->isChecked());
  EXPECT_EQ(Panel->LinkPassword, "stored");
  EXPECT_TRUE(Panel->bf.Initialized());
}

// The key is derived at the real cost while the window's loop keeps running; the salt is
// stored, the plain link refused, and a secure client with the password gets the record.
TEST_F(LinkPanel, AStoredSecureOnlyServerDerivesOffTheLoopAndServesOnlySecureClients) {
  const std::uint16_t Port = FreePort();
  {
    auto Seed = SeedCurrent();
    Seed->WriteInteger("ServPort", Port);
    Seed->WriteBool("Server", true);
    Seed->WriteString("Password", "stored");
    Seed->WriteBool("LinkSecureOnly", true);
  }
  auto Panel = StartScripted();
  ASSERT_TRUE(Panel->serv->Active());
  QElapsedTimer Clock;
  Clock.start();
  qint64 Last = 0, LongestGap = 0;
  QTimer Tick;
  QObject::connect(&Tick, &QTimer::timeout, [&] {
    LongestGap = std::max(LongestGap, Clock.elapsed() - Last);
    Last = Clock.elapsed();
  });
  Tick.start(2);
  ASSERT_TRUE(WaitFor([&] { return Panel->serv->SecureKeyReady(); }));
  Tick.stop();
  EXPECT_LT(LongestGap, std::max<qint64>(Clock.elapsed() / 2, 50));
  EXPECT_EQ(Store()->ReadBinaryData("LinkSalt").size(), SecureSaltSize);

  QTcpSocket Plain;
  Plain.connectToHost("127.0.0.1", Port);
  ASSERT_TRUE(WaitFor([&] { return Plain.state() == QAbstractSocket::ConnectedState; }));
  Plain.write("W", 1);
  EXPECT_TRUE(WaitFor([&] { return Plain.state() == QAbstractSocket::UnconnectedState; }));

  testing::TSecurePeer Secure(Port);
  ASSERT_EQ(Secure.Handshake("stored"), TSecureClientSession::TState::Established);
  ASSERT_TRUE(Secure.Ask());
  const std::lock_guard Lock(Panel->FRawData->Guard);
  EXPECT_EQ(0, std::memcmp(Secure.Replies.back().data(), &Panel->FRawData->Data, 312));
}

// A server end for the client-mode window, serving a recognisable record.
class ClientPanel : public LinkPanel {
 protected:
  void SetUp() override {
    LinkPanel::SetUp();
    TLinkServerEvents Events;
    Events.OnListen = [this] { DeriveLinkKey(ServerCipher, ServerPassword); };
    Events.CurrentRecord = [this](TRecordBytes& Out) {
      ++Served;
      TRawData Data{};
      Data.Marker = 'W';
      WriteShortName(Data.CompName, "REMOTEBOX");
      const auto Bytes = RecordBytes(Data);
      std::copy(Bytes.begin(), Bytes.end(), Out.begin());
    };
    Events.OnAccept = [this] { ++Accepted; };
    Server = std::make_unique<TLinkServer>(ServerCipher, ServerPassword, Events);
    Server->SetPort(0);
    Server->Open();
  }
  std::vector<std::string> ClientArgs(const std::string& Password) const {
    return {"-c", "-i127.0.0.1", "-p" + std::to_string(Server->Port()), "-d" + Password};
  }
  std::vector<std::string> SecureArgs(const std::string& Password) const {
    auto Args = ClientArgs(Password);
    Args.push_back("--secure");
    return Args;
  }
  // The authenticated mode at a cost that keeps the tests quick.
  void ServeSecurely() {
    TSecureLinkSettings Settings;
    Settings.Cost = CheapestSecureKeyCost();
    Server->SetSecure(Settings);
    ASSERT_TRUE(WaitFor([&] { return Server->SecureKeyReady(); }));
  }
  std::string ServerKey() const {
    return std::string(MainSettingsKey) + "\\127.0.0.1:" + std::to_string(Server->Port());
  }
  std::string ServerPassword = "lower case";
  int Served = 0, Accepted = 0;
  TDCP_blowfish ServerCipher;
  std::unique_ptr<TLinkServer> Server;
};

TEST_F(ClientPanel, TheWindowShowsTheServersRecord) {
  auto Panel = StartScripted(ClientArgs("LOWER CASE"));  // lowered by the command line
  ASSERT_TRUE(Panel->ClientMode);
  EXPECT_FALSE(Panel->serv->Active());
  ASSERT_TRUE(WaitFor([&] { return Panel->cli->Connected(); }));
  Panel->Timer1Timer();
  ASSERT_TRUE(WaitFor([&] {
    const std::lock_guard Lock(Panel->FRawData->Guard);
    return ReadShortName(Panel->FRawData->Data.CompName) == "REMOTEBOX";
  }));
  EXPECT_EQ(Panel->FTrayMode, 0);
}

TEST_F(ClientPanel, AWrongPasswordShowsNothingAndSaysNothing) {
  auto Panel = StartScripted(ClientArgs("other"));
  ASSERT_TRUE(WaitFor([&] { return Panel->cli->Connected(); }));
  for (int Tick = 1; Tick <= 5; ++Tick) {
    Panel->Timer1Timer();
    ASSERT_TRUE(WaitFor([&] { return Served >= Tick; }));
  }
  WaitFor([] { return false; }, 300);  // let the last replies be read
  const std::lock_guard Lock(Panel->FRawData->Guard);
  EXPECT_NE(ReadShortName(Panel->FRawData->Data.CompName), "REMOTEBOX");
  EXPECT_TRUE(Script->Messages.empty());
}

TEST_F(ClientPanel, ALinkErrorShowsTheDisconnectedIconUntilTheNextConnection) {
  auto Panel = StartScripted(ClientArgs("lower case"));
  ASSERT_TRUE(WaitFor([&] { return Panel->cli->Connected(); }));
  const std::uint16_t Port = Server->Port();
  Server->Close();
  ASSERT_TRUE(WaitFor([&] { return !Panel->cli->Connected(); }));
  Panel->Timer1Timer();  // refused
  ASSERT_TRUE(WaitFor([&] { return Panel->FTrayMode == 1; }));
  Server->SetPort(Port);
  Server->Open();
  Panel->Timer1Timer();
  ASSERT_TRUE(WaitFor([&] { return Panel->FTrayMode == 0; }));
  EXPECT_TRUE(Script->Messages.empty());
}

TEST_F(ClientPanel, SecureOrTheServersStoredSecureValueChoosesTheAuthenticatedMode) {
  EXPECT_FALSE(StartScripted(ClientArgs("lower case"))->cli->Secure());
  EXPECT_TRUE(StartScripted(SecureArgs("lower case"))->cli->Secure());
  SeedCurrent();
  Store(ServerKey())->WriteBool("Secure", false);
  EXPECT_FALSE(StartScripted(ClientArgs("lower case"))->cli->Secure());
  EXPECT_TRUE(StartScripted(SecureArgs("lower case"))->cli->Secure());
  Store(ServerKey())->WriteBool("Secure", true);
  EXPECT_TRUE(StartScripted(ClientArgs("lower case"))->cli->Secure());
  // Another server's value is not this one's, and a local panel has no client.
  Store(ServerKey())->WriteBool("Secure", false);
  Store(std::string(MainSettingsKey) + "\\127.0.0.1:1")->WriteBool("Secure", true);
  EXPECT_FALSE(StartScripted(ClientArgs("lower case"))->cli->Secure());
  EXPECT_FALSE(StartScripted({"--secure"})->ClientMode);
}

TEST_F(ClientPanel, AnAuthenticatedLinkShowsTheServersRecord) {
  ServeSecurely();
  auto Panel = StartScripted(SecureArgs("LOWER CASE"));
  ASSERT_TRUE(WaitFor([&] { return Panel->cli->Connected(); }));
  EXPECT_EQ(Panel->FTrayMode, 0);
  Panel->Timer1Timer();
  ASSERT_TRUE(WaitFor([&] {
    const std::lock_guard Lock(Panel->FRawData->Guard);
    return ReadShortName(Panel->FRawData->Data.CompName) == "REMOTEBOX";
  }));
  EXPECT_TRUE(Script->Messages.empty());
}

TEST_F(ClientPanel, ARefusedPasswordIsToldInOneMessageHoweverOftenTheClientTriesAgain) {
  ServeSecurely();
  auto Panel = StartScripted(SecureArgs("other"));
  const auto Start = Served;
  // A tick after a refusal starts a new attempt, which is refused again.
  ASSERT_TRUE(WaitFor([&] {
    Panel->Timer1Timer();
    return Accepted >= 4 && !Panel->cli->Connected();
  }));
  WaitFor([] { return false; }, 300);  // the last refusal is read
  EXPECT_EQ(Script->Messages, std::vector<std::string>{"The server refused the link password"});
  EXPECT_EQ(Served, Start);  // nothing was served to it
  EXPECT_EQ(Panel->FTrayMode, 1);
  EXPECT_EQ(Panel->cli->Keys().Derivations(), 1);
  EXPECT_GE(Accepted, 4);
}

}  // namespace
}  // namespace dravel
