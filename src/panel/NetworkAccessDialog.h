#pragma once
// TNetworkAccessDialog: who may connect to the panel's servers, in one place — where they
// listen, whom they let in, the certificate and key that make the web service speak HTTPS,
// its users file, and the switches for plain-HTTP passwords and the authenticated link
// mode only. A value is written when its field is left or its switch flips (there is no
// OK); the host then restarts the servers that run, so they take it at once.
#include <QDialog>
#include <functional>
#include <string>

class QCheckBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QPushButton;

namespace dravel {

class TRegistry;

// What the dialog needs of the window that owns the servers.
class INetworkAccessHost {
 public:
  virtual ~INetworkAccessHost() = default;
  // The store this run's servers read their settings from.
  virtual TRegistry& Settings() = 0;
  // Whether this run's command line gave "--listen" / "--allow", which win over the store.
  virtual bool ListenGiven() const = 0;
  virtual bool AllowGiven() const = 0;
  // Each restarts its server when it runs, so it reads the settings again; either throws
  // when the server cannot start again.
  virtual void RestartWebService() = 0;
  virtual void RestartLinkServer() = 0;
  // Runs Step; an error it raises is shown as the window's own switches show one.
  virtual void Guarded(const std::function<void()>& Step) = 0;
};

class TNetworkAccessDialog : public QDialog {
  Q_OBJECT

 public:
  TNetworkAccessDialog(QWidget* Owner, INetworkAccessHost& Host);

  // Asks for a file to open (caption, current path); answers the path or empty when
  // cancelled. Tests replace it; by default a QFileDialog.
  std::function<QString(const QString& Caption, const QString& Current)> ChooseFile;

  QLineEdit* edListen = nullptr;
  QLabel* lblListen = nullptr;        // why the text was refused, or the command-line note
  QLineEdit* edAllow = nullptr;
  QLabel* lblAllow = nullptr;
  QLineEdit* edCert = nullptr;
  QPushButton* btnCert = nullptr;
  QLabel* lblCert = nullptr;          // a file that cannot be read
  QLineEdit* edKey = nullptr;
  QPushButton* btnKey = nullptr;
  QLabel* lblKey = nullptr;
  QLineEdit* edUsers = nullptr;
  QPushButton* btnUsers = nullptr;
  QLabel* lblUsers = nullptr;
  QLabel* lblWeb = nullptr;           // what the certificate, key and users files add up to
  QCheckBox* cbPlainAuth = nullptr;   // "WebServiceAllowPlainAuth"
  QCheckBox* cbSecureOnly = nullptr;  // "LinkSecureOnly"
  QPushButton* btnClose = nullptr;

 private:
  enum class TServers { Web, Link, Both };
  struct TAddressField {
    QLineEdit* Edit;
    QLabel* Note;
    const char* Value;
    std::string (*Check)(const std::string& Text);  // empty, or why the text is refused
    bool Overridden;
    const char* Option;
  };
  struct TFileField {
    QLineEdit* Edit;
    QLabel* Note;
    const char* Value;
    QString Title;  // of its file dialog
  };

  QLineEdit* AddAddressRow(QGridLayout& Grid, int Row, const QString& Caption, QLabel*& Note);
  QLineEdit* AddFileRow(QGridLayout& Grid, int Row, const QString& Caption,
                        QPushButton*& Browse, QLabel*& Note);
  QCheckBox* AddSwitch(QGridLayout& Grid, int Row, const QString& Caption, const char* Value,
                       TServers Servers);
  // Checks the field's text; writes it when it is good and differs from the store.
  void CommitAddress(const TAddressField& Field);
  // Marks the field and says why Refused (not empty) refused it, and what follows.
  void ShowAddress(const TAddressField& Field, const std::string& Refused, const QString& Consequence);
  void CommitFile(const TFileField& Field);
  void ShowFile(const TFileField& Field);
  void ShowWebNote();
  // Writes a text (an empty one removes the value) and restarts, unless it is unchanged.
  void WriteText(const char* Value, const std::string& Text, TServers Servers);
  void Restart(TServers Servers);

  INetworkAccessHost& FHost;
  TAddressField FListen{};
  TAddressField FAllow{};
  TFileField FCert{};
  TFileField FKey{};
  TFileField FUsers{};
};

}  // namespace dravel
