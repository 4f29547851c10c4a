#include "panel/NetworkAccessDialog.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <stdexcept>

#include "PanelTestSupport.h"

namespace dravel {
namespace {

// The window as the dialog sees it: a store of its own, counted restarts, shown errors.
class TRecordingHost final : public INetworkAccessHost {
 public:
  explicit TRecordingHost(const std::filesystem::path& File) : Store(File) {
    Store.OpenKey("Software\\KelmarSoftware\\Dravel", true);
  }
  TRegistry& Settings() override { return Store; }
  bool ListenGiven() const override { return Listen; }
  bool AllowGiven() const override { return Allow; }
  void RestartWebService() override {
    ++WebRestarts;
    if (WebFails) throw std::runtime_error("Could not bind socket.");
  }
  void RestartLinkServer() override { ++LinkRestarts; }
  void Guarded(const std::function<void()>& Step) override {
    try {
      Step();
    } catch (const std::exception& Error) {
      Errors.push_back(Error.what());
    }
  }

  TRegistry Store;
  bool Listen = false;
  bool Allow = false;
  bool WebFails = false;
  int WebRestarts = 0;
  int LinkRestarts = 0;
  std::vector<std::string> Errors;
};

class NetworkAccessDialogTest : public testing::PanelTest {
 protected:
  void SetUp() override {
    PanelTest::SetUp();
    ASSERT_TRUE(FFolder.isValid());
    Host = std::make_unique<TRecordingHost>(FFolder.filePath("store.db").toStdString());
  }
  std::unique_ptr<TNetworkAccessDialog> Open() {
    return std::make_unique<TNetworkAccessDialog>(nullptr, *Host);
  }
  // Types Text into Edit and leaves the field.
  static void Enter(QLineEdit* Edit, const QString& Text) {
    Edit->setText(Text);
    emit Edit->editingFinished();
  }
  QString ReadableFile(const char* Name) {
    const QString Path = FFolder.filePath(QString::fromLatin1(Name));
    QFile File(Path);
    EXPECT_TRUE(File.open(QIODevice::WriteOnly));
    File.write("-----BEGIN CERTIFICATE-----\n");
    return Path;
  }
  int Restarts() const { return Host->WebRestarts + Host->LinkRestarts; }

  std::unique_ptr<TRecordingHost> Host;

 private:
  QTemporaryDir FFolder;
};

TEST_F(NetworkAccessDialogTest, EachFieldIsWrittenAtOnceTypedAndRestartsTheServersItConcerns) {
  const auto Dialog = Open();
  EXPECT_EQ(Dialog->windowTitle(), "Network Access");
  Enter(Dialog->edListen, " 127.0.0.1 ");
  EXPECT_EQ(Host->Store.ReadString("ListenAddress"), "127.0.0.1");
  EXPECT_THROW(Host->Store.ReadInteger("ListenAddress"), ERegistryException);  // a string
  EXPECT_EQ(Host->WebRestarts, 1);
  EXPECT_EQ(Host->LinkRestarts, 1);

  Enter(Dialog->edAllow, "127.0.0.1, 192.168.1.0/24, fd00::/8");
  EXPECT_EQ(Host->Store.ReadString("AllowFrom"), "127.0.0.1, 192.168.1.0/24, fd00::/8");
  EXPECT_EQ(Host->LinkRestarts, 2);

  const QString Cert = ReadableFile("cert.pem");
  Enter(Dialog->edCert, Cert);
  Enter(Dialog->edKey, ReadableFile("key.pem"));
  Enter(Dialog->edUsers, ReadableFile("users"));
  EXPECT_EQ(Host->Store.ReadString("WebServiceCert"), Cert.toStdString());
  EXPECT_EQ(Host->Store.ReadString("WebServiceKey"), ReadableFile("key.pem").toStdString());
  EXPECT_EQ(Host->Store.ReadString("WebServiceUsers"), ReadableFile("users").toStdString());
  EXPECT_EQ(Host->WebRestarts, 5);
  EXPECT_EQ(Host->LinkRestarts, 2);  // the files are the web service's alone
  EXPECT_TRUE(Dialog->lblCert->isHidden());
  EXPECT_TRUE(Dialog->lblWeb->text().contains("HTTPS only"));

  Dialog->cbPlainAuth->click();
  EXPECT_TRUE(Host->Store.ReadBool("WebServiceAllowPlainAuth"));
  EXPECT_EQ(Host->Store.GetDataSize("WebServiceAllowPlainAuth"), 4);  // a bool, not a text
  EXPECT_EQ(Host->WebRestarts, 6);
  Dialog->cbSecureOnly->click();
  EXPECT_TRUE(Host->Store.ReadBool("LinkSecureOnly"));
  EXPECT_EQ(Host->LinkRestarts, 3);
  EXPECT_EQ(Host->WebRestarts, 6);
  Dialog->cbSecureOnly->click();
  EXPECT_FALSE(Host->Store.ReadBool("LinkSecureOnly"));
  EXPECT_TRUE(Host->Errors.empty());
}

TEST_F(NetworkAccessDialogTest, StoredValuesAreShownAndLeavingAFieldUnchangedRestartsNothing) {
  Host->Store.WriteString("ListenAddress", "::1");
  Host->Store.WriteString("AllowFrom", "10.0.0.0/8");
  Host->Store.WriteBool("LinkSecureOnly", true);
  const auto Dialog = Open();
  EXPECT_EQ(Dialog->edListen->text(), "::1");
  EXPECT_EQ(Dialog->edAllow->text(), "10.0.0.0/8");
  EXPECT_TRUE(Dialog->cbSecureOnly->isChecked());
  EXPECT_FALSE(Dialog->cbPlainAuth->isChecked());
  emit Dialog->edListen->editingFinished();
  emit Dialog->edCert->editingFinished();
  EXPECT_EQ(Restarts(), 0);

  // Emptied: the value is gone, so the default (every address) holds again.
  Enter(Dialog->edListen, "");
  EXPECT_FALSE(Host->Store.ValueExists("ListenAddress"));
  EXPECT_EQ(Host->WebRestarts, 1);
  Enter(Dialog->edListen, "  ");
  EXPECT_EQ(Host->WebRestarts, 1);
}

TEST_F(NetworkAccessDialogTest, MalformedAddressesAreNotWrittenTheFieldIsMarkedAndTheReasonShown) {
  const auto Dialog = Open();
  Enter(Dialog->edAllow, "10.0.0.0/33");
  EXPECT_FALSE(Host->Store.ValueExists("AllowFrom"));
  EXPECT_FALSE(Dialog->lblAllow->isHidden());
  EXPECT_EQ(Dialog->lblAllow->text(), "'10.0.0.0/33' has a prefix length outside 0 to 32: not saved.");
  EXPECT_TRUE(Dialog->edAllow->property("invalid").toBool());

  Enter(Dialog->edListen, "not an address");
  EXPECT_FALSE(Host->Store.ValueExists("ListenAddress"));
  EXPECT_EQ(Dialog->lblListen->text(), "'not an address' is not an IP address: not saved.");
  Enter(Dialog->edListen, "10.0.0.0/8");  // a range is no place to listen on
  EXPECT_FALSE(Host->Store.ValueExists("ListenAddress"));
  EXPECT_EQ(Restarts(), 0);

  Enter(Dialog->edAllow, "10.0.0.0/32");
  EXPECT_EQ(Host->Store.ReadString("AllowFrom"), "10.0.0.0/32");
  EXPECT_TRUE(Dialog->lblAllow->isHidden());
  EXPECT_FALSE(Dialog->edAllow->property("invalid").toBool());
}

TEST_F(NetworkAccessDialogTest, AMalformedStoredValueIsMarkedWhenTheDialogOpens) {
  Host->Store.WriteString("AllowFrom", "1.2.3.4/99");
  const auto Dialog = Open();
  EXPECT_TRUE(Dialog->edAllow->property("invalid").toBool());
  EXPECT_EQ(Dialog->lblAllow->text(),
            "'1.2.3.4/99' has a prefix length outside 0 to 32: the servers will not start with it.");
  EXPECT_TRUE(Dialog->lblListen->isHidden());
}

TEST_F(NetworkAccessDialogTest, AnUnreadableFileIsWrittenButFlagged) {
  const auto Dialog = Open();
  Enter(Dialog->edKey, "/nonexistent/key.pem");
  EXPECT_EQ(Host->Store.ReadString("WebServiceKey"), "/nonexistent/key.pem");
  EXPECT_FALSE(Dialog->lblKey->isHidden());
  EXPECT_TRUE(Dialog->lblKey->text().contains("cannot be read"));
  EXPECT_TRUE(Dialog->lblWeb->text().contains("both the certificate and the key"));
  Enter(Dialog->edKey, ReadableFile("key.pem"));
  EXPECT_TRUE(Dialog->lblKey->isHidden());
}

TEST_F(NetworkAccessDialogTest, BrowseWritesTheChosenFileAndCancelKeepsTheOld) {
  const auto Dialog = Open();
  QString Offered;
  QString Title;
  QString Answer = ReadableFile("users");
  Dialog->ChooseFile = [&](const QString& Caption, const QString& Current) {
    Title = Caption;
    Offered = Current;
    return Answer;
  };
  Dialog->btnUsers->click();
  EXPECT_EQ(Title, "The web service's users file");
  EXPECT_EQ(Dialog->edUsers->text(), Answer);
  EXPECT_EQ(Host->Store.ReadString("WebServiceUsers"), Answer.toStdString());
  EXPECT_TRUE(Dialog->lblWeb->text().contains("user name and password"));
  const QString Chosen = Answer;
  Answer.clear();
  Dialog->btnUsers->click();
  EXPECT_EQ(Offered, Chosen);
  EXPECT_EQ(Dialog->edUsers->text(), Chosen);
  EXPECT_EQ(Host->WebRestarts, 1);
}

TEST_F(NetworkAccessDialogTest, ReturnInAFieldSavesItAndPressesNoButton) {
  const auto Dialog = Open();
  bool Chosen = false;
  Dialog->ChooseFile = [&](const QString&, const QString&) {
    Chosen = true;
    return QString();
  };
  Dialog->show();
  Dialog->activateWindow();
  Dialog->edListen->setFocus();
  Dialog->edListen->setText("::1");
  QKeyEvent Press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
  QApplication::sendEvent(Dialog->edListen, &Press);
  EXPECT_EQ(Host->Store.ReadString("ListenAddress"), "::1");
  EXPECT_FALSE(Chosen);
  EXPECT_TRUE(Dialog->isVisible());
}

TEST_F(NetworkAccessDialogTest, TheCommandLineOverrideIsSaidBesideItsField) {
  Host->Listen = true;
  const auto Dialog = Open();
  EXPECT_FALSE(Dialog->lblListen->isHidden());
  EXPECT_TRUE(Dialog->lblListen->text().startsWith("--listen on this run's command line overrides"));
  EXPECT_TRUE(Dialog->lblAllow->isHidden());
  Enter(Dialog->edListen, "127.0.0.1");  // still stored, for the next run
  EXPECT_EQ(Host->Store.ReadString("ListenAddress"), "127.0.0.1");
  EXPECT_FALSE(Dialog->lblListen->isHidden());
}

TEST_F(NetworkAccessDialogTest, AServerThatCannotStartAgainIsShownAndTheOtherStillRestarts) {
  Host->WebFails = true;
  const auto Dialog = Open();
  Enter(Dialog->edAllow, "127.0.0.1");
  EXPECT_EQ(Host->Errors, std::vector<std::string>{"Could not bind socket."});
  EXPECT_EQ(Host->LinkRestarts, 1);
  EXPECT_EQ(Host->Store.ReadString("AllowFrom"), "127.0.0.1");
}

}  // namespace
}  // namespace dravel
