#include "panel/AutostartEntry.h"

#include <QAction>
#include <QMenu>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <string>

#include "FileText.h"
#include "PanelTestSupport.h"
#include "panel/StartAtLoginItem.h"
#include "platform/TempFolder.h"

namespace dravel {
namespace {

namespace fs = std::filesystem;

using testing::ReadFileText;
using testing::WriteFileText;

class AutostartEntryTest : public ::testing::Test {
 protected:
  testing::TTempFolder Folder;
  const fs::path File = Folder.Path() / "config" / "autostart" / "dravel.desktop";
};

TEST_F(AutostartEntryTest, EnableWritesAnEntryThatStartsTheProgram) {
  const TAutostartEntry Entry(File);
  EXPECT_FALSE(Entry.Enabled());
  Entry.Enable("/usr/bin/dravel");
  EXPECT_TRUE(Entry.Enabled());
  const std::string Text = ReadFileText(File);
  EXPECT_EQ(Text.rfind("[Desktop Entry]\n", 0), 0u);
  EXPECT_NE(Text.find("\nType=Application\n"), std::string::npos);
  EXPECT_NE(Text.find("\nExec=/usr/bin/dravel\n"), std::string::npos);
  EXPECT_EQ(Text.find("Hidden"), std::string::npos);
  // Nothing is left beside it.
  EXPECT_EQ(std::distance(fs::directory_iterator(File.parent_path()), fs::directory_iterator()), 1);
}

TEST_F(AutostartEntryTest, DisableRemovesTheEntryAndIsHarmlessTwice) {
  const TAutostartEntry Entry(File);
  Entry.Enable("/usr/bin/dravel");
  Entry.Disable();
  EXPECT_FALSE(fs::exists(File));
  EXPECT_NO_THROW(Entry.Disable());
  EXPECT_FALSE(Entry.Enabled());
}

TEST_F(AutostartEntryTest, HiddenTrueInTheMainGroupTurnsItOff) {
  const TAutostartEntry Entry(File);
  WriteFileText(File, "[Desktop Entry]\nType=Application\nExec=dravel\nHidden = true\n");
  EXPECT_FALSE(Entry.Enabled());
  WriteFileText(File, "[Desktop Entry]\nExec=dravel\nHidden=false\n");
  EXPECT_TRUE(Entry.Enabled());
  // Only the main group counts, and the value is compared exactly.
  WriteFileText(File, "[Desktop Entry]\nExec=dravel\n[Desktop Action x]\nHidden=true\n");
  EXPECT_TRUE(Entry.Enabled());
  WriteFileText(File, "[Desktop Entry]\nExec=dravel\n#Hidden=true\nHidden=TRUE\n");
  EXPECT_TRUE(Entry.Enabled());
  // A hidden entry ticked on again is written afresh.
  WriteFileText(File, "[Desktop Entry]\nExec=dravel\nHidden=true\n");
  Entry.Enable("/opt/dravel/bin/dravel");
  EXPECT_TRUE(Entry.Enabled());
  EXPECT_NE(ReadFileText(File).find("Exec=/opt/dravel/bin/dravel\n"), std::string::npos);
}

TEST_F(AutostartEntryTest, AnUnwritableFolderThrows) {
  WriteFileText(Folder.Path() / "config" / "autostart", "a file where the folder should be");
  const TAutostartEntry Entry(File);
  EXPECT_THROW(Entry.Enable("/usr/bin/dravel"), std::system_error);
}

TEST(AutostartFile, FollowsXdgConfigHomeElseHome) {
  const char* SavedConfig = std::getenv("XDG_CONFIG_HOME");
  const std::string Config = SavedConfig ? SavedConfig : "";
  setenv("XDG_CONFIG_HOME", "/cfg", 1);
  EXPECT_EQ(TAutostartEntry::DefaultFile(), fs::path("/cfg/autostart/dravel.desktop"));
  setenv("XDG_CONFIG_HOME", "relative", 1);
  setenv("HOME", "/home/u", 1);
  EXPECT_EQ(TAutostartEntry::DefaultFile(), fs::path("/home/u/.config/autostart/dravel.desktop"));
  unsetenv("XDG_CONFIG_HOME");
  EXPECT_EQ(TAutostartEntry::DefaultFile(), fs::path("/home/u/.config/autostart/dravel.desktop"));
  if (SavedConfig) setenv("XDG_CONFIG_HOME", Config.c_str(), 1);
}

TEST(DesktopExecArgument, PlainPathsStayAndReservedCharactersAreQuoted) {
  EXPECT_EQ(DesktopExecArgument("/usr/bin/dravel"), "/usr/bin/dravel");
  EXPECT_EQ(DesktopExecArgument("/home/a b/dravel"), "\"/home/a b/dravel\"");
  // Inside quotes " ` $ \ take a backslash, and the string level doubles every backslash.
  EXPECT_EQ(DesktopExecArgument("/x$y/dravel"), "\"/x\\\\$y/dravel\"");
  EXPECT_EQ(DesktopExecArgument("/50%/dravel"), "/50%%/dravel");
}

TEST_F(AutostartEntryTest, TheInstalledPanelOnThePathIsPreferred) {
  const fs::path Bin = Folder.Path() / "bin";
  WriteFileText(Bin / "dravel", "#!/bin/sh\n");
  const fs::path Running = "/work/build/src/dravel";
  // Not executable yet: not a program.
  EXPECT_EQ(AutostartProgram(Running, Bin.string()), Running);
  fs::permissions(Bin / "dravel", fs::perms::owner_all);
  EXPECT_EQ(AutostartProgram(Running, "/nonexistent:" + Bin.string()), Bin / "dravel");
  // Relative and empty entries of the path are no installed place.
  EXPECT_EQ(AutostartProgram(Running, ":.:bin"), Running);
  EXPECT_EQ(AutostartProgram(Running, ""), Running);
}

// In the panel's throw-away configuration folder: the item's own default file.
class StartAtLoginItemTest : public testing::PanelTest {
 protected:
  void SetUp() override {
    PanelTest::SetUp();
    File = TAutostartEntry::DefaultFile();
  }
  fs::path File;
  testing::TTempFolder Folder;
};

TEST_F(StartAtLoginItemTest, TheTickFollowsTheFileAndAClickTogglesIt) {
  QMenu Menu;
  std::string Shown;
  TStartAtLoginItem Item(Menu, [&](const std::exception& E) { Shown = E.what(); });
  EXPECT_EQ(Item.Entry().File(), File);
  EXPECT_TRUE(File.string().ends_with("/config/autostart/dravel.desktop")) << File;
  ASSERT_EQ(Menu.actions().size(), 1);
  EXPECT_EQ(Menu.actions()[0]->text(), "Start at &Login");
  EXPECT_TRUE(Item.Item()->isCheckable());
  EXPECT_FALSE(Item.Item()->isChecked());

  Item.Item()->trigger();
  EXPECT_TRUE(fs::exists(File));
  EXPECT_TRUE(Item.Item()->isChecked());
  // The running program, or an installed dravel on the PATH.
  const char* Path = std::getenv("PATH");
  const fs::path Program =
      AutostartProgram(QCoreApplication::applicationFilePath().toStdString(), Path ? Path : "");
  EXPECT_NE(ReadFileText(File).find("Exec=" + DesktopExecArgument(Program.string()) + "\n"),
            std::string::npos);

  Item.Item()->trigger();
  EXPECT_FALSE(fs::exists(File));
  EXPECT_FALSE(Item.Item()->isChecked());

  // Changed behind the panel's back: the tick is read again when the menu opens.
  WriteFileText(File, "[Desktop Entry]\nExec=dravel\n");
  emit Menu.aboutToShow();
  EXPECT_TRUE(Item.Item()->isChecked());
  EXPECT_TRUE(Shown.empty());
}

TEST_F(StartAtLoginItemTest, AFailureIsShownAndTheTickStaysOff) {
  WriteFileText(File.parent_path(), "a file where the folder should be");
  QMenu Menu;
  std::string Shown;
  TStartAtLoginItem Item(Menu, [&](const std::exception& E) { Shown = E.what(); });
  Item.StartatLogin1Click();
  EXPECT_NE(Shown.find("autostart"), std::string::npos) << Shown;
  EXPECT_FALSE(Item.Item()->isChecked());
}

}  // namespace
}  // namespace dravel
