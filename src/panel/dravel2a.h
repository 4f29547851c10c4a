#pragma once
// The panel's main window: a frameless tool window showing one label per line of the
// format text, refreshed by a timer. It owns the record holder, the formatters, the
// sampler, the labels and the settings store for the whole run.
//
// The window is split by concern over dravel2a_*.cpp files:
//   dravel2a.cpp          set-up (FormCreate) and the exit sequence
//   dravel2a_labels.cpp   label build, render, arrangement, alignment, dragging
//   dravel2a_menu*.cpp    menu commands, tray icon, blinker, uptime records
//   dravel2a_link.cpp     server and client roles
//   dravel2a_webservice.cpp  the web service switch

#include <QColor>
#include <QFont>
#include <QIcon>
#include <QPointer>
#include <QWidget>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "monitor/ProgramSettings.h"
#include "panel/CommandLine.h"
#include "panel/Prompts.h"
#include "remote/LinkClient.h"
#include "remote/LinkServer.h"

class QAction;
class QDialog;
class QLabel;
class QMenu;
class QSystemTrayIcon;
class QTimer;

namespace dravel {

class TFmtLabel;
class TFormatterRegistry;
class TLocalSampler;
class TMonitorCore;
class TMonitorWeb;
class TRawDataShell;
class TRegistry;
class TSampler;
class TStartAtLoginItem;
class TWakeListener;


class TDravelDisplay : public QWidget {
  Q_OBJECT

 public:
  // Runs the whole set-up (FormCreate) with the window-scan switches of Args (the
  // arguments after the program name). Prompter answers every prompt and message box.
  TDravelDisplay(const std::vector<std::string>& Args, std::unique_ptr<IPrompter> Prompter);
  ~TDravelDisplay() override;

  // ---- set-up, exit, refresh --------------------------------------------------------
  void FormCreate();
  void FormShow();
  // The exit sequence: save (or wipe) the settings and tear down; runs once.
  void Exit1Click();
  bool Exited() const { return FExited; }
  void Timer1Timer();
  // The refresh timer. Enabled with an interval of 0 it does not fire (as a stopped
  // refresh); prompts stop it and start it again on every path.
  void SetTimerEnabled(bool Enabled);
  bool TimerEnabled() const { return FTimerEnabled; }
  void SetTimerInterval(int Milliseconds);
  int TimerInterval() const;

  // ---- labels -----------------------------------------------------------------------
  // BuildLabels, Center1Click and Timer1Timer are entry points: they take
  // FRawData->Guard around their record and formatter work themselves. RenderLabels
  // and ArrangeLabels never lock it; their callers hold it.
  void BuildLabels(const std::string& Text);
  void SetFormatString(const std::string& Text);
  void RenderLabels();
  void ArrangeLabels(bool KeepRightEdge);
  // A render after the first fill: a line that grew past the window's edge widens the
  // window (right-aligned: keeping its right edge), while AutoSizeForm is on.
  void WidenToFit();
  void AlignLabel(TFmtLabel& Label);
  // Both Align items (Left tag 0, Right tag 1).
  void Center1Click(int Tag);
  // A label dragged to ClientPos (window client coordinates).
  void FormDragOver(TFmtLabel& Label, const QPoint& ClientPos);
  const std::vector<TFmtLabel*>& Labels() const { return FLabels; }

  IPrompter& Prompter() { return *FPrompter; }
  // The key this run's settings live in: the main key, or in client mode the
  // per-server key "<main>\\<host>:<port>".
  std::string SettingsKey() const;
  // Shows an error's text the way the application's default handler does.
  void ShowError(const std::exception& Error);
  // Runs Step; an error it raises (a settings value of the wrong type, say) is shown
  // with ShowError and the caller goes on with its next step.
  void Guarded(const std::function<void()>& Step);

  // ---- components -------------------------------------------------------------------
  QLabel* DragImg = nullptr;
  QMenu* PopupMenu1 = nullptr;
  QTimer* Timer1 = nullptr;
  struct TFontChoice {
    QFont Font;
    QColor Color;
  } FontDialog1;

  // ---- members ----------------------------------------------------------------------
  std::uint8_t FTrayMode = 0;  // 2: the tray icon shows processor usage
  std::string FFormatText;
  std::unique_ptr<TMonitorCore> FCore;  // the record, the formatters, the local sampler
  // Views into FCore while it lives. The sampler runs only outside client mode.
  TRawDataShell* FRawData = nullptr;
  TFormatterRegistry* FFormatters = nullptr;
  TLocalSampler* FLocalSampler = nullptr;
  TSampler* FSampler = nullptr;

  // ---- program-wide state -----------------------------------------------------------
  std::unique_ptr<TRegistry> SettingsRegistry;
  TCommandLine CommandLine;  // the window scan
  bool ClientMode = false;
  bool AutoSizeForm = true;
  std::uint8_t LabelAlign = 0;  // 0 left, 1 right, anything else leaves labels alone
  std::string UptimeFormat;
  // ExcludeText and ExcludeList live in the sampler: FSampler->SetExcludeText(...).
  std::string LinkPassword;
  // The system up time the local sampler last computed, in seconds; 0 in client mode.
  std::int64_t CurrentUptime() const;
  std::unique_ptr<TWakeListener> SingleInstanceEvent;

  // ==== menu commands (dravel2a_menu*.cpp) ===========================================
  // Called by the set-up, the render and the exit sequence at the named steps.
  void CreateMenu();            // builds PopupMenu1 and its items, before anything else
  void ToggleLockForm();        // "-l" on the command line
  void AddTrayIcon();           // set-up, unless "-h"
  void DeleteTrayIcon();        // exit sequence
  void RestoreTrayIcon();       // a second start woke us: delete and add the icon again
  void RestoreLook();           // set-up: "Alpha", "AOT", "Trans", the font values
  void TickAlignItem();         // tick Left or Right after LabelAlign changed
  void RestoreToggles();        // set-up: "DisplayProcInTray", "PinToDesktop", ...
  void DrawDragHandle();
  void RenderTrayIcon();        // render, while FTrayMode is 2
  void PinToDesktopStep();      // render
  void ScrollLockStep();        // render
  bool WipeOnExit() const;      // Wipe Registry Settings On Exit is ticked
  void SaveUptimeRecords();     // exit sequence, into the open key
  // True when a press at ClientPos moves the window rather than a label.
  bool PressMovesWindow(const QPoint& ClientPos) const;

  // Items of PopupMenu1 in display order. Toggles are ticked by their handlers.
  QAction* DisplayItems1 = nullptr;
  QAction* ExcludeProcessfromPercentage1 = nullptr;
  QAction* Sensors1 = nullptr;
  QAction* DisplayProcessorUsageinIcon1 = nullptr;
  QAction* Flashkeyboardlights1 = nullptr;
  QAction* UpdateInterval1 = nullptr;
  QAction* AlwaysOnTop1 = nullptr;
  QAction* PinToDesktop = nullptr;
  QAction* ShowDraggingHandle1 = nullptr;
  QAction* Transparent1 = nullptr;
  QAction* DegreeofTransparency1 = nullptr;
  QMenu* Align1 = nullptr;
  QAction* Right1 = nullptr;
  QAction* Left1 = nullptr;
  QAction* Font1 = nullptr;
  QAction* AverageUptime1 = nullptr;
  QAction* LongestUptime1 = nullptr;
  QAction* ActasServer1 = nullptr;
  QAction* ActasWebService = nullptr;
  QAction* NetworkAccess1 = nullptr;           // who may connect to both servers
  TStartAtLoginItem* StartatLogin1 = nullptr;  // the autostart entry's toggle
  QAction* About1 = nullptr;
  QAction* LockPosition1 = nullptr;
  QAction* SetFormWidth1 = nullptr;
  QAction* WipeRegistrySettings1 = nullptr;
  QAction* HideIcon1 = nullptr;
  QAction* Exit1 = nullptr;

  void DisplayItems1Click();
  void ExcludeProcessfromPercentage1Click();
  void Sensors1Click();
  void NetworkAccess1Click();
  void DisplayProcessorUsageinIcon1Click();
  void Flashkeyboardlights1Click();
  void UpdateInterval1Click();
  void AlwaysOnTop1Click();
  void PinToDesktopClick();
  void ShowDraggingHandle1Click();
  void Transparent1Click();
  void DegreeofTransparency1Click();
  void Font1Click();
  void FontDialog1Apply();
  void AverageUptime1Click();
  void LongestUptime1Click();
  void About1Click();
  void LockPosition1Click();
  void SetFormWidth1Click();
  void WipeRegistrySettings1Click();
  void HideIcon1Click();

  void ApplyFont();
  void ApplyTransparency();
  // Not empty and only the characters 0 to 9.
  static bool IsAllDigits(const std::string& Text);
  // 0 "SMILEYCONNECTED", 1 "SMILEYDISCONNECTED", 2 processor usage; others record only.
  // Mode 2 reads the record and switches the processor formatter on: the caller holds
  // FRawData->Guard (the render already does).
  void SetTrayIcon(std::uint8_t Mode);
  // The tray icon's mouse events.
  void TrayIconDoubleClick();
  void TrayIconRightClick(const QPoint& ScreenPos);
  QColor WindowColor() const;

  std::uint8_t FAlpha = 255;      // the alpha value, shown only while Transparent is ticked
  std::uint8_t FFontPitch = 0;    // "FontPitch" as read: 0 default, 1 variable, 2 fixed
  QSystemTrayIcon* FTrayIcon = nullptr;
  QIcon FTrayPicture;             // what the tray icon shows, also while hidden
  // Shows a modal dialog and answers its result; tests replace it to drive the dialog.
  std::function<int(QDialog& Dialog)> ExecDialog;
  // Starts one Scroll Lock flash; tests replace it. Unset: a TBlinkThread.
  std::function<void(std::int32_t Duration)> StartBlink;

 private:
  void UpdateColourKeyShape();    // the cut-out follows the window's look
  void ApplyStacking();           // above, normal, or below and sticky
  void ShowNoTrayNotice();        // no notification area: the menu is on the right click

 public:
  // ==== end of menu commands =========================================================

  // ==== link roles (dravel2a_link.cpp) ===============================================
  void StartClientLink();       // set-up in client mode: host, port, key, first connect
  void RestoreServerRole();     // set-up: "ServPort", and "Server" outside client mode
  void RestoreClientSecurity(); // set-up in client mode: "--secure" or the server's "Secure"
  void ClientRequestStep();     // tick in client mode
  void StopServerRole();        // exit sequence
  void RestartServerRole();     // a running server reads its settings again
  void ActasServer1Click();     // "Act as &Server": port, password, save question
  // Server events: listening is about to start (reloads the saved password and derives
  // the key), a client was accepted, an error on one connection, and the record that a
  // read event ending in "W" is answered with.
  void servListen();
  void servAccept();
  void servClientError();
  void servClientRead(TRecordBytes& Out);
  // Client events: the connection is up, bytes were read (already decrypted), an error.
  void cliConnect();
  void cliRead(const std::uint8_t* Bytes, std::size_t Count);
  void cliError();
  void cliRefused();  // the server turned the password down (once until a link succeeds)
  TDCP_blowfish bf;                   // the one link cipher, shared by both roles
  std::unique_ptr<TLinkServer> serv;  // both made at set-up
  std::unique_ptr<TLinkClient> cli;

 private:
  void CreateLinkRoles();
  void ApplyServerAccess();  // where the server listens and whom it lets in, from the settings
  void SwitchServerRole();  // the steps of ActasServer1Click between its timer stop and start
  void LinkUp();  // the tray icon back to its normal form
  // Runs a socket event's step; an error is shown, never thrown into the event loop.
  template <typename TStep> void LinkEvent(TStep&& Step);

 public:
  // ==== end of link roles ============================================================

  // ==== web service (dravel2a_webservice.cpp) ========================================
  void RestoreWebService();     // set-up: "WebServicePort", "WebService"
  void StopWebService();        // exit sequence
  void ActasWebService1Click(); // "Act as Web Service": port prompt, start or stop
  std::uint16_t FWebServicePort = 61300;
  std::unique_ptr<TMonitorWeb> FWebService;  // over FCore, made when first started
  // Listens on FWebServicePort: empty, or the error text. Before the record and the
  // formatters exist (set-up) the start waits for the event loop.
  std::string StartWebService();
  bool WebServiceActive() const;
  void RestartWebService();     // a running service reads its settings again; throws
  // ==== end of web service ===========================================================

 protected:
  void closeEvent(QCloseEvent* Event) override;  // FormCloseQuery
  void mousePressEvent(QMouseEvent* Event) override;
  void resizeEvent(QResizeEvent* Event) override;  // right-anchored labels follow

 private:
  // One sampling pass (a client asks its server instead); the pass ends in a render.
  void RefreshNow(bool Forced);
  void OpenSettings();
  void SaveSettings();
  void StartCore();
  bool FPerfDataFailed = false;  // the last pass could not read the performance data
  void PerfDataFailure();

  std::unique_ptr<IPrompter> FPrompter;
  std::vector<TFmtLabel*> FLabels;  // owned through Qt parenthood
  bool FTimerEnabled = false;
  bool FExited = false;
};

}  // namespace dravel
