#include "panel/NetworkAccessDialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>
#include <array>
#include <exception>
#include <utility>

#include "monitor/StoredValues.h"
#include "platform/AddressFilter.h"
#include "platform/SettingsStore.h"
#include "sampling/CommaText.h"  // TrimBlanks

namespace dravel {
namespace {

template <typename TParse>
std::string Refusal(TParse Parse) {
  try {
    Parse();
  } catch (const EAddressText& Error) {
    return Error.what();
  }
  return {};
}

std::string CheckListen(const std::string& Text) {
  return Refusal([&] { ParseListenAddress(Text); });
}

std::string CheckAllow(const std::string& Text) {
  return Refusal([&] { TAddressFilter::Parse(Text); });
}

// Paths are the file system's bytes, which the store keeps unchanged.
std::string PathBytes(const QString& Path) { return QFile::encodeName(Path).toStdString(); }
QString PathText(const std::string& Bytes) { return QFile::decodeName(QByteArray::fromStdString(Bytes)); }

bool Readable(const QString& Path) {
  const QFileInfo File(Path);
  return File.isFile() && File.isReadable();
}

void MarkInvalid(QLineEdit& Edit, bool Invalid) {
  if (Edit.property("invalid").toBool() == Invalid) return;
  Edit.setProperty("invalid", Invalid);
  Edit.style()->unpolish(&Edit);
  Edit.style()->polish(&Edit);
}

QLabel* NoteLabel(QWidget* Owner) {
  auto* Note = new QLabel(Owner);
  Note->setWordWrap(true);
  Note->setVisible(false);
  return Note;
}

void SetNote(QLabel& Note, const QString& Text) {
  Note.setText(Text);
  Note.setVisible(!Text.isEmpty());
}

}  // namespace

TNetworkAccessDialog::TNetworkAccessDialog(QWidget* Owner, INetworkAccessHost& Host)
    : QDialog(Owner), FHost(Host) {
  setWindowTitle(QStringLiteral("Network Access"));
  setStyleSheet(QStringLiteral("QLineEdit[invalid=\"true\"] { border: 2px solid #c00000; }"));
  ChooseFile = [this](const QString& Caption, const QString& Current) {
    return QFileDialog::getOpenFileName(this, Caption, Current);
  };

  auto* Layout = new QVBoxLayout(this);
  Layout->addWidget(new QLabel(
      QStringLiteral("The link server and the web service read these when they start.\n"
                     "A change is saved when you leave its field, and restarts the servers that run."),
      this));
  auto* Grid = new QGridLayout;
  Layout->addLayout(Grid);

  edListen = AddAddressRow(*Grid, 0, QStringLiteral("Listen on address:"), lblListen);
  edListen->setPlaceholderText(QStringLiteral("every address"));
  edAllow = AddAddressRow(*Grid, 2, QStringLiteral("Allow connections from:"), lblAllow);
  edAllow->setPlaceholderText(QStringLiteral("everyone, or e.g. 127.0.0.1, 192.168.1.0/24, fd00::/8"));
  FListen = {edListen, lblListen, "ListenAddress", &CheckListen, FHost.ListenGiven(), "--listen"};
  FAllow = {edAllow, lblAllow, "AllowFrom", &CheckAllow, FHost.AllowGiven(), "--allow"};

  edCert = AddFileRow(*Grid, 4, QStringLiteral("Web service certificate (PEM):"), btnCert, lblCert);
  edKey = AddFileRow(*Grid, 6, QStringLiteral("Web service key (PEM):"), btnKey, lblKey);
  edUsers = AddFileRow(*Grid, 8, QStringLiteral("Web service users (htpasswd -B):"), btnUsers, lblUsers);
  FCert = {edCert, lblCert, "WebServiceCert", QStringLiteral("The web service's certificate")};
  FKey = {edKey, lblKey, "WebServiceKey", QStringLiteral("The web service's private key")};
  FUsers = {edUsers, lblUsers, "WebServiceUsers", QStringLiteral("The web service's users file")};
  lblWeb = NoteLabel(this);
  Grid->addWidget(lblWeb, 10, 1, 1, 2);

  cbPlainAuth = AddSwitch(*Grid, 11, QStringLiteral("Accept web service passwords over plain HTTP"),
                          "WebServiceAllowPlainAuth", TServers::Web);
  cbSecureOnly = AddSwitch(*Grid, 12, QStringLiteral("Link server: authenticated mode only"),
                           "LinkSecureOnly", TServers::Link);

  for (const TAddressField* Field : {&FListen, &FAllow}) {
    Field->Edit->setText(QString::fromStdString(StoredText(FHost.Settings(), Field->Value)));
    ShowAddress(*Field, Field->Check(TrimBlanks(Field->Edit->text().toStdString())),
                QStringLiteral("the servers will not start with it."));
    connect(Field->Edit, &QLineEdit::editingFinished, this,
            [this, Field] { FHost.Guarded([&] { CommitAddress(*Field); }); });
  }
  const std::array<std::pair<const TFileField*, QPushButton*>, 3> Files{
      {{&FCert, btnCert}, {&FKey, btnKey}, {&FUsers, btnUsers}}};
  for (const auto& [Field, Browse] : Files) {
    Field->Edit->setText(PathText(StoredText(FHost.Settings(), Field->Value)));
    ShowFile(*Field);
    connect(Field->Edit, &QLineEdit::editingFinished, this,
            [this, Field] { FHost.Guarded([&] { CommitFile(*Field); }); });
    connect(Browse, &QPushButton::clicked, this, [this, Field] {
      const QString Chosen = ChooseFile(Field->Title, Field->Edit->text());
      if (Chosen.isEmpty()) return;
      Field->Edit->setText(Chosen);
      FHost.Guarded([&] { CommitFile(*Field); });
    });
  }
  ShowWebNote();

  auto* Buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
  btnClose = Buttons->button(QDialogButtonBox::Close);
  btnClose->setAutoDefault(false);
  connect(Buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  Layout->addWidget(Buttons);
}

QLineEdit* TNetworkAccessDialog::AddAddressRow(QGridLayout& Grid, int Row, const QString& Caption,
                                               QLabel*& Note) {
  auto* Edit = new QLineEdit(this);
  Edit->setMinimumWidth(Edit->fontMetrics().horizontalAdvance(QLatin1Char('0')) * 40);
  Grid.addWidget(new QLabel(Caption, this), Row, 0);
  Grid.addWidget(Edit, Row, 1, 1, 2);
  Note = NoteLabel(this);
  Grid.addWidget(Note, Row + 1, 1, 1, 2);
  return Edit;
}

QLineEdit* TNetworkAccessDialog::AddFileRow(QGridLayout& Grid, int Row, const QString& Caption,
                                            QPushButton*& Browse, QLabel*& Note) {
  auto* Edit = new QLineEdit(this);
  Grid.addWidget(new QLabel(Caption, this), Row, 0);
  Grid.addWidget(Edit, Row, 1);
  Browse = new QPushButton(QStringLiteral("Browse..."), this);
  Browse->setAutoDefault(false);  // Return in a field saves it, and opens no file dialog
  Grid.addWidget(Browse, Row, 2);
  Note = NoteLabel(this);
  Grid.addWidget(Note, Row + 1, 1, 1, 2);
  return Edit;
}

QCheckBox* TNetworkAccessDialog::AddSwitch(QGridLayout& Grid, int Row, const QString& Caption,
                                           const char* Value, TServers Servers) {
  auto* Switch = new QCheckBox(Caption, this);
  Switch->setChecked(StoredBool(FHost.Settings(), Value));
  Grid.addWidget(Switch, Row, 0, 1, 3);
  connect(Switch, &QCheckBox::toggled, this, [this, Value, Servers](bool On) {
    FHost.Guarded([&] {
      FHost.Settings().WriteBool(Value, On);
      Restart(Servers);
    });
  });
  return Switch;
}

void TNetworkAccessDialog::CommitAddress(const TAddressField& Field) {
  const std::string Text = TrimBlanks(Field.Edit->text().toStdString());
  const std::string Refused = Field.Check(Text);
  ShowAddress(Field, Refused, QStringLiteral("not saved."));
  if (Refused.empty()) WriteText(Field.Value, Text, TServers::Both);
}

void TNetworkAccessDialog::ShowAddress(const TAddressField& Field, const std::string& Refused,
                                       const QString& Consequence) {
  MarkInvalid(*Field.Edit, !Refused.empty());
  QString Note;
  if (!Refused.empty()) {
    Note = QString::fromStdString(Refused) + QStringLiteral(": ") + Consequence;
  } else if (Field.Overridden) {
    Note = QStringLiteral("%1 on this run's command line overrides this value until the panel "
                          "is started again.")
               .arg(QLatin1String(Field.Option));
  }
  SetNote(*Field.Note, Note);
}

void TNetworkAccessDialog::CommitFile(const TFileField& Field) {
  ShowFile(Field);
  ShowWebNote();
  WriteText(Field.Value, PathBytes(Field.Edit->text()), TServers::Web);
}

void TNetworkAccessDialog::ShowFile(const TFileField& Field) {
  const QString Path = Field.Edit->text();
  const bool Unreadable = !Path.isEmpty() && !Readable(Path);
  MarkInvalid(*Field.Edit, Unreadable);
  SetNote(*Field.Note, Unreadable ? QStringLiteral("Saved, but this file cannot be read: the web "
                                                   "service will not start until it can.")
                                  : QString());
}

void TNetworkAccessDialog::ShowWebNote() {
  const bool Cert = !edCert->text().isEmpty();
  const bool Key = !edKey->text().isEmpty();
  QString Note;
  if (Cert != Key) {
    Note = QStringLiteral("HTTPS needs both the certificate and the key; until then the web "
                          "service speaks plain HTTP.");
  } else if (Cert) {
    Note = QStringLiteral("The web service speaks HTTPS only.");
  }
  if (!edUsers->text().isEmpty()) {
    Note += (Note.isEmpty() ? QString() : QStringLiteral(" ")) +
            QStringLiteral("Every request needs a user name and password from the users file.");
  }
  SetNote(*lblWeb, Note);
}

void TNetworkAccessDialog::WriteText(const char* Value, const std::string& Text, TServers Servers) {
  TRegistry& Store = FHost.Settings();
  if (Text.empty()) {
    // Not set is the default of every one of these values.
    if (!Store.DeleteValue(Value)) return;
  } else {
    if (StoredText(Store, Value) == Text) return;
    Store.WriteString(Value, Text);
  }
  Restart(Servers);
}

void TNetworkAccessDialog::Restart(TServers Servers) {
  // One server that cannot start again does not keep the other from trying.
  if (Servers != TServers::Link) FHost.Guarded([this] { FHost.RestartWebService(); });
  if (Servers != TServers::Web) FHost.Guarded([this] { FHost.RestartLinkServer(); });
}

}  // namespace dravel
