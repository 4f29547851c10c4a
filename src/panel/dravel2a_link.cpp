// The link roles of the main window: the server switch and its prompts, the server's
// listen, accept and error events, and the client's start, request step and events.
#include <exception>
#include <mutex>

#include <QAction>

#include "panel/dravel2a.h"
#include "monitor/MonitorCore.h"
#include "platform/SettingsStore.h"
#include "remote/PortText.h"
#include "monitor/NetworkAccess.h"
#include "monitor/SecureLinkSettings.h"
#include "sampling/RawData.h"

namespace dravel {

namespace {

constexpr const char* PasswordValue = "Password";
constexpr const char* SecureValue = "Secure";

}  // namespace

// Socket events arrive from the event loop, where an exception may not pass.
template <typename TStep>
void TDravelDisplay::LinkEvent(TStep&& Step) {
  try {
    Step();
  } catch (const std::exception& Error) {
    ShowError(Error);
  }
}

void TDravelDisplay::CreateLinkRoles() {
  if (serv) return;
  TLinkServerEvents ServerEvents;
  ServerEvents.OnListen = [this] { servListen(); };
  ServerEvents.OnAccept = [this] { LinkEvent([this] { servAccept(); }); };
  ServerEvents.OnClientError = [this] { LinkEvent([this] { servClientError(); }); };
  ServerEvents.CurrentRecord = [this](TRecordBytes& Out) {
    LinkEvent([&] { servClientRead(Out); });
  };
  serv = std::make_unique<TLinkServer>(bf, LinkPassword, std::move(ServerEvents));

  TLinkClientEvents ClientEvents;
  ClientEvents.OnConnect = [this] { LinkEvent([this] { cliConnect(); }); };
  ClientEvents.OnReply = [this](const std::uint8_t* Bytes, std::size_t Count) {
    LinkEvent([&] { cliRead(Bytes, Count); });
  };
  ClientEvents.OnError = [this](const std::string&) { LinkEvent([this] { cliError(); }); };
  ClientEvents.OnRefused = [this] { LinkEvent([this] { cliRefused(); }); };
  cli = std::make_unique<TLinkClient>(bf, LinkPassword, std::move(ClientEvents));
}

void TDravelDisplay::StartClientLink() {
  CreateLinkRoles();
  cli->SetHost(CommandLine.Host);
  cli->SetPort(static_cast<std::uint16_t>(CommandLine.Port));
  cli->Open();
  DeriveLinkKey(bf, LinkPassword);
}

void TDravelDisplay::RestoreClientSecurity() {
  if (!ClientMode || !cli) return;
  // The per-server key is open by now; the first attempt cannot have connected yet, and
  // a change of mode starts it again in any case.
  TRegistry& Registry = *SettingsRegistry;
  const bool Stored = Registry.ValueExists(SecureValue) && Registry.ReadBool(SecureValue);
  cli->SetSecure(CommandLine.Secure || Stored);
}

void TDravelDisplay::RestoreServerRole() {
  CreateLinkRoles();
  TRegistry& Registry = *SettingsRegistry;
  if (Registry.ValueExists("ServPort")) {
    const int Stored = Registry.ReadInteger("ServPort");
    if (Stored >= 1 && Stored <= 65535) serv->SetPort(static_cast<std::uint16_t>(Stored));
  }
  ApplyServerAccess();
  if (ClientMode || !Registry.ValueExists("Server") || !Registry.ReadBool("Server")) return;
  serv->Open();
  if (ActasServer1) ActasServer1->setChecked(true);
}

void TDravelDisplay::ClientRequestStep() {
  if (cli) cli->RequestStep();
}

void TDravelDisplay::StopServerRole() {
  if (serv) serv->Close();
}

void TDravelDisplay::ApplyServerAccess() {
  serv->SetAccess(ResolveNetworkAccess(*SettingsRegistry, CommandLine.Listen, CommandLine.Allow));
  serv->SetSecure(ResolveSecureLinkSettings(*SettingsRegistry));
}

void TDravelDisplay::RestartServerRole() {
  if (!serv || !serv->Active()) return;
  // A malformed stored value leaves the server as it was, and is shown.
  ApplyServerAccess();
  serv->Close();
  serv->Open();  // a port that cannot be bound throws: the item stays ticked
}

void TDravelDisplay::ActasServer1Click() {
  SetTimerEnabled(false);
  // A socket or settings error is shown; the timer runs again on every path.
  LinkEvent([this] { SwitchServerRole(); });
  SetTimerEnabled(true);
}

void TDravelDisplay::SwitchServerRole() {
  CreateLinkRoles();

  const bool Checked = !ActasServer1->isChecked();
  ActasServer1->setChecked(Checked);
  const auto SwitchOff = [this] {
    ActasServer1->setChecked(false);
    serv->Close();
  };
  if (!Checked) {
    serv->Close();
    return;
  }

  std::string PortText = std::to_string(serv->Port());
  if (!Prompter().InputQuery("Server Port", "Only display items extant at both sides will appear",
                             PortText)) {
    SwitchOff();
    return;
  }

  TRegistry& Registry = *SettingsRegistry;
  if (Registry.ValueExists(PasswordValue)) LinkPassword = Registry.ReadString(PasswordValue);
  std::string Typed = LinkPassword;
  if (Prompter().InputQuery("Server Password",
                            "Enter a string to encrypt the data, or blank for none", Typed)) {
    LinkPassword = Typed;
  } else {
    LinkPassword.clear();
  }

  if (LinkPassword.empty()) {
    Registry.DeleteValue(PasswordValue);
  } else {
    switch (Prompter().MessageBox("Would you like to save this password for future use?",
                                  "Confirm", TMsgButtons::YesNoCancel)) {
      case TMsgResult::Yes:
        Registry.WriteString(PasswordValue, LinkPassword);
        break;
      case TMsgResult::No:
        Registry.DeleteValue(PasswordValue);
        break;
      default:
        SwitchOff();
        return;
    }
  }

  serv->Close();
  if (const auto Port = PortFromText(PortText)) serv->SetPort(*Port);
  ApplyServerAccess();  // the settings may have changed since the set-up
  serv->Open();  // a port that cannot be bound throws: the item stays ticked, nothing stored
  Registry.WriteInteger("ServPort", serv->Port());
  Registry.WriteBool("Server", true);
}

void TDravelDisplay::servListen() {
  TRegistry& Registry = *SettingsRegistry;
  if (Registry.ValueExists(PasswordValue)) LinkPassword = Registry.ReadString(PasswordValue);
  if (!LinkPassword.empty()) DeriveLinkKey(bf, LinkPassword);
}

void TDravelDisplay::LinkUp() {
  if (!FRawData) return;
  // The usage picture reads the record, which the web service's threads read too.
  const std::lock_guard Lock(FRawData->Guard);
  SetTrayIcon(DisplayProcessorUsageinIcon1 && DisplayProcessorUsageinIcon1->isChecked() ? 2 : 0);
}

void TDravelDisplay::servAccept() { LinkUp(); }

void TDravelDisplay::servClientError() { SetTrayIcon(1); }

void TDravelDisplay::servClientRead(TRecordBytes& Out) {
  if (FCore) FCore->CopyRecord(Out);
}

void TDravelDisplay::cliConnect() { LinkUp(); }

void TDravelDisplay::cliRead(const std::uint8_t* Bytes, std::size_t Count) {
  if (!FRawData || FExited) return;
  const std::lock_guard Lock(FRawData->Guard);
  FRawData->AddBytes(Bytes, Count);  // a whole record: it renders the labels
}

void TDravelDisplay::cliError() { SetTrayIcon(1); }

void TDravelDisplay::cliRefused() {
  SetTrayIcon(1);
  Prompter().ShowMessage(LinkPasswordRefusedText);
}

}  // namespace dravel
