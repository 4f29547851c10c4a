// The panel's look on a real X server (Xvfb): the colour-key cut-out of Transparent
// shows the desktop through, and the options dialog appears with its controls.
// Screenshots are kept in the folder named by DRAVEL_E2E_SHOTS (XvfbSession.h).
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QImage>
#include <QProcess>
#include <QAbstractButton>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QWindow>
#include <algorithm>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <xcb/xcb.h>

#include "panel/dravel2a.h"
#include "panel/NetworkAccessDialog.h"
#include "panel/dravel_options.h"
#include "platform/SettingsStore.h"
#include "XvfbSession.h"

namespace dravel {
namespace {

constexpr QRgb Desktop = qRgb(0x33, 0x66, 0xCC);
using e2e::Screenshot;
using e2e::ShotPath;
using e2e::WaitFor;

void PaintDesktop(QRgb Colour) {
  const auto* X11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
  ASSERT_NE(X11, nullptr);
  xcb_connection_t* C = X11->connection();
  xcb_screen_t* Screen = xcb_setup_roots_iterator(xcb_get_setup(C)).data;
  const uint32_t Pixel = Colour & 0xFFFFFFU;  // a 24-bit TrueColor screen
  xcb_change_window_attributes(C, Screen->root, XCB_CW_BACK_PIXEL, &Pixel);
  xcb_clear_area(C, 0, Screen->root, 0, 0, 0, 0);
  xcb_flush(C);
}

class MenuE2E : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(FHome.isValid());
    setenv("XDG_CONFIG_HOME", FHome.filePath("config").toLocal8Bit().constData(), 1);
    setenv("XDG_RUNTIME_DIR", FHome.path().toLocal8Bit().constData(), 1);
    TRegistry Store;
    Store.OpenKey(MainSettingsKey, true);
    Store.WriteInteger("Version", 87);  // an older store would be wiped at start
    Store.WriteString("FormatString", "<B>Dravel WWWWWWWW</B>\r\nMMMMMMMMMMMMMMMM\r\n########");
    Store.WriteInteger("X", 40);
    Store.WriteInteger("Y", 40);
    Store.WriteInteger("Interval", 250);
    PaintDesktop(Desktop);
  }
  std::unique_ptr<TDravelDisplay> Open() {
    auto Panel = std::make_unique<TDravelDisplay>(std::vector<std::string>{"-h"},
                                                  std::make_unique<e2e::TNoPrompts>());
    EXPECT_TRUE(
        WaitFor([&] { return Panel->windowHandle() && Panel->windowHandle()->isExposed(); }));
    return Panel;
  }

 private:
  QTemporaryDir FHome;
};

TEST_F(MenuE2E, TransparentShowsTheDesktopThroughTheKeyColour) {
  auto Panel = Open();
  const QRect Frame = Panel->geometry();
  // The bottom rows of the window and the handle corner are background, never text.
  const QPoint Background(Frame.left() + 3, Frame.bottom());
  const QPoint HandleCorner(Frame.right() - 5, Frame.top() + 5);
  QImage Shot;
  ASSERT_TRUE(WaitFor([&] {
    Shot = Screenshot("panel-opaque");
    return !Shot.isNull() && Shot.pixel(Background) == qRgb(255, 255, 255);
  })) << "the opaque panel never showed its white background";

  Panel->Transparent1Click();
  ASSERT_TRUE(WaitFor([&] {
    Shot = Screenshot("panel-transparent");
    return !Shot.isNull() && Shot.pixel(Background) == Desktop &&
           Shot.pixel(HandleCorner) == Desktop;
  })) << "the desktop colour does not show through the panel's background";
  // The text itself stays: dark pixels remain inside the first label.
  int Dark = 0;
  const QRect Label = Panel->childrenRect().translated(Frame.topLeft()) & Frame;
  for (int Y = Label.top(); Y <= Label.bottom(); ++Y)
    for (int X = Label.left(); X <= Label.right(); ++X) Dark += qGray(Shot.pixel(X, Y)) < 80;
  EXPECT_GT(Dark, 50);
  Panel->Exit1Click();
}

// The window's _NET_WM_STATE atoms, by name.
std::vector<std::string> WindowStates(std::uintptr_t Window) {
  xcb_connection_t* C = qGuiApp->nativeInterface<QNativeInterface::QX11Application>()->connection();
  const auto Intern = [C](const char* Name) {
    std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> Reply(
        xcb_intern_atom_reply(C, xcb_intern_atom(C, 0, std::strlen(Name), Name), nullptr),
        &std::free);
    return Reply ? Reply->atom : xcb_atom_t{XCB_ATOM_NONE};
  };
  std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> Reply(
      xcb_get_property_reply(C,
                             xcb_get_property(C, 0, static_cast<xcb_window_t>(Window),
                                              Intern("_NET_WM_STATE"), XCB_ATOM_ATOM, 0, 64),
                             nullptr),
      &std::free);
  std::vector<std::string> Names;
  if (!Reply) return Names;
  const auto* Atoms = static_cast<const xcb_atom_t*>(xcb_get_property_value(Reply.get()));
  for (int I = 0; I < xcb_get_property_value_length(Reply.get()) / 4; ++I) {
    std::unique_ptr<xcb_get_atom_name_reply_t, decltype(&std::free)> Name(
        xcb_get_atom_name_reply(C, xcb_get_atom_name(C, Atoms[I]), nullptr), &std::free);
    if (Name)
      Names.emplace_back(xcb_get_atom_name_name(Name.get()),
                         static_cast<std::size_t>(xcb_get_atom_name_name_length(Name.get())));
  }
  return Names;
}

TEST_F(MenuE2E, AlwaysOnTopAtStartAsksTheWindowManagerToKeepItAbove) {
  {
    TRegistry Store;
    Store.OpenKey(MainSettingsKey, true);
    Store.WriteBool("AOT", true);
  }
  auto Panel = Open();
  const std::vector<std::string> States = WindowStates(Panel->winId());
  EXPECT_NE(std::find(States.begin(), States.end(), "_NET_WM_STATE_ABOVE"), States.end());
  Panel->Exit1Click();
}

TEST_F(MenuE2E, TheOptionsDialogOpensWithItsControls) {
  auto Panel = Open();
  bool Seen = false;
  Panel->ExecDialog = [&](QDialog& Dialog) {
    auto& Options = dynamic_cast<TOptionForm&>(Dialog);
    Options.show();
    EXPECT_TRUE(
        WaitFor([&] { return Options.windowHandle() && Options.windowHandle()->isExposed(); }));
    const QImage Own = Options.grab().toImage().convertToFormat(QImage::Format_RGB32);
    Seen = WaitFor([&] {
      const QImage Shot = Screenshot("options-dialog");
      if (Shot.isNull()) return false;
      const QImage OnScreen = Shot.copy(QRect(Options.mapToGlobal(QPoint(0, 0)), Own.size()));
      int Same = 0;
      for (int Y = 0; Y < Own.height(); ++Y)
        for (int X = 0; X < Own.width(); ++X) Same += OnScreen.pixel(X, Y) == Own.pixel(X, Y);
      return Same > Own.width() * Own.height() * 9 / 10;
    });
    Options.btnCancel->click();
    return Options.result();
  };
  Panel->DisplayItems1Click();
  EXPECT_TRUE(Seen) << "the screen never showed the dialog as it draws itself";
  Panel->Exit1Click();
}

// The scale factor the run was started with, for the screenshots' names.
QString ScaleName() {
  const QByteArray Factor = qgetenv("QT_SCALE_FACTOR");
  return QStringLiteral("scale") + (Factor.isEmpty() ? QStringLiteral("1") : QString::fromLatin1(Factor));
}

// A screenshot of one window (its own pixels, device pixels at the scale in use).
QImage WindowShot(const QWidget& Window, const QString& Name) {
  const QString Path = ShotPath(Name);
  QProcess Import;
  Import.start(QStringLiteral("import"),
               {QStringLiteral("-window"), QString::number(Window.winId()), Path});
  if (!Import.waitForFinished(20000)) {
    Import.kill();
    Import.waitForFinished(2000);
    return {};
  }
  return QImage(Path).convertToFormat(QImage::Format_RGB32);
}

// Whether every label and button of Dialog is at least as large as its text needs.
void ExpectNothingClipped(const QWidget& Dialog) {
  for (const QWidget* Control : Dialog.findChildren<QWidget*>()) {
    if (!Control->isVisible()) continue;
    if (!qobject_cast<const QLabel*>(Control) && !qobject_cast<const QAbstractButton*>(Control)) continue;
    EXPECT_GE(Control->width(), Control->minimumSizeHint().width()) << Control->metaObject()->className();
    EXPECT_GE(Control->height(), Control->minimumSizeHint().height()) << Control->metaObject()->className();
    EXPECT_TRUE(Dialog.rect().contains(Control->geometry())) << Control->metaObject()->className();
  }
}

// Shows the dialog, waits for its picture on the screen, keeps it for a person to look at
// and checks it is the dialog's whole area at the scale in use.
void ShootDialog(QDialog& Dialog, const QString& Name) {
  Dialog.show();
  ASSERT_TRUE(WaitFor([&] { return Dialog.windowHandle() && Dialog.windowHandle()->isExposed(); }));
  QImage Shot;
  const QSize Device = Dialog.size() * Dialog.devicePixelRatioF();
  ASSERT_TRUE(WaitFor([&] {
    Shot = WindowShot(Dialog, Name + "-" + ScaleName());
    return !Shot.isNull() && Shot.size() == Device;
  })) << Name.toStdString() << ": no screenshot of " << Device.width() << "x" << Device.height();
  ExpectNothingClipped(Dialog);
}

TEST_F(MenuE2E, DialogScreenshotsShowEveryTextWhole) {
  auto Panel = Open();
  Panel->ExecDialog = [&](QDialog& Dialog) {
    if (auto* Options = dynamic_cast<TOptionForm*>(&Dialog)) {
      ShootDialog(Dialog, QStringLiteral("options-dialog"));
      EXPECT_EQ(Options->Memo2->verticalScrollBar()->maximum(), 0)
          << "the markup help does not show all four lines";
    } else if (dynamic_cast<TNetworkAccessDialog*>(&Dialog)) {
      ShootDialog(Dialog, QStringLiteral("network-access-dialog"));
    } else {
      // A white font: the sample shows it on black, readable.
      ShootDialog(Dialog, QStringLiteral("font-dialog"));
    }
    Dialog.reject();
    return static_cast<int>(QDialog::Rejected);
  };
  Panel->DisplayItems1Click();
  Panel->FontDialog1.Color = Qt::white;
  Panel->Font1Click();
  // With the notes a refused allow-list and an unreadable file bring.
  Panel->SettingsRegistry->WriteString("AllowFrom", "10.0.0.0/33");
  Panel->SettingsRegistry->WriteString("WebServiceCert", "/nonexistent/cert.pem");
  Panel->NetworkAccess1Click();
  Panel->Exit1Click();
}

}  // namespace
}  // namespace dravel
