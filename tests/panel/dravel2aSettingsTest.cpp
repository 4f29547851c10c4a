// The window's settings: migration, defaults, the client's per-server key, the exit save.
#include <array>
#include <cstdint>
#include <vector>

#include "PanelTestSupport.h"
#include "panel/FmtLabel.h"
#include "sampling/Sampler.h"

namespace dravel {
namespace {

using testing::PanelTest;

std::vector<std::uint8_t> Bytes8(std::int64_t Value) {
  std::vector<std::uint8_t> Bytes(8);
  for (std::size_t I = 0; I < 8; ++I) {
    Bytes[I] = static_cast<std::uint8_t>(static_cast<std::uint64_t>(Value) >> (8 * I));
  }
  return Bytes;
}

const std::string DefaultText =
    "Proc %: <NAME=ProcUsage LEADZERO DECIMAL SIZE=5 FORMAT=\"ALL\">\r\n"
    "Processes: <NAME=Processes SIZE=5>Threads: <NAME=Threads SIZE=5>\r\n"
    "<NAME=Uptime FORMAT=\"*d* days, *H* hrs, *M* mins, *S* secs\" SIZE=20>\r\n"
    "PageUsed: <NAME=PageUsed>/PageTotal: <NAME=PageTotal>\r\n"
    "RAMUsed: <NAME=RAMUsed>/RAMTotal: <NAME=RAMTotal>\r\n"
    "<NAME=DateTime FORMAT=\"'Date' dd/mm/yy 'Time' hh:nn\">\r\n"
    "<NAME=IPAddr>\r\n"
    "<NAME=CompName>";

using Migration = PanelTest;

TEST_F(Migration, FirstStartCreatesTheKeyWithVersionAndAZeroLongestUptime) {
  auto Panel = Start();
  auto Seen = Store();
  EXPECT_EQ(Seen->ReadInteger("Version"), 87);
  EXPECT_EQ(Seen->ReadBinaryData("LongestUptime"), Bytes8(0));
  EXPECT_TRUE(Log->Messages.empty());
}

TEST_F(Migration, BelowVersion75EverythingIsDeletedWithTheServerKeys) {
  {
    auto Seed = Store();
    Seed->WriteInteger("Version", 74);
    Seed->WriteInteger("Align", 1);
    Seed->OpenKey(std::string(MainSettingsKey) + "\\10.11.12.13:6130", true);
    Seed->WriteInteger("Align", 1);
  }
  auto Panel = Start();
  EXPECT_EQ(Panel->LabelAlign, 0);
  auto Seen = Store();
  EXPECT_FALSE(Seen->ValueExists("Align"));
  EXPECT_EQ(Seen->ReadInteger("Version"), 87);
  EXPECT_FALSE(Seen->KeyExists(std::string(MainSettingsKey) + "\\10.11.12.13:6130"));
}

TEST_F(Migration, Version80KeepsTheSettingsButForgetsTheFixedSize) {
  {
    auto Seed = Store();
    Seed->WriteInteger("Version", 80);
    Seed->WriteInteger("W", 300);
    Seed->WriteInteger("H", 200);
    Seed->WriteInteger("Align", 1);
  }
  auto Panel = Start();
  EXPECT_TRUE(Panel->AutoSizeForm);
  EXPECT_EQ(Panel->LabelAlign, 1);
  auto Seen = Store();
  EXPECT_FALSE(Seen->ValueExists("W"));
  EXPECT_FALSE(Seen->ValueExists("H"));
  EXPECT_EQ(Seen->ReadInteger("Align"), 1);
}

TEST_F(Migration, Version77WidensTheLongestUptimeWithItsSign) {
  {
    auto Seed = Store();
    Seed->WriteInteger("Version", 77);
    Seed->WriteInteger("LongestUptime", 3600);
  }
  Start();
  EXPECT_EQ(Store()->ReadBinaryData("LongestUptime"), Bytes8(3600));
  {
    auto Seed = Store();
    Seed->WriteInteger("Version", 76);
    Seed->WriteInteger("LongestUptime", -2);
  }
  Start();
  EXPECT_EQ(Store()->ReadBinaryData("LongestUptime"), Bytes8(-2));
}

TEST_F(Migration, CurrentVersionIsLeftAlone) {
  {
    auto Seed = Store();
    Seed->WriteInteger("Version", 87);
    Seed->WriteInteger("W", 300);
    Seed->WriteBinaryData("LongestUptime", Bytes8(99));
  }
  auto Panel = Start();
  EXPECT_FALSE(Panel->AutoSizeForm);
  EXPECT_EQ(Store()->ReadBinaryData("LongestUptime"), Bytes8(99));
}

using Defaults = PanelTest;

TEST_F(Defaults, WithoutAStoredTextTheEightLineDefaultIsShownButNotStored) {
  auto Panel = Start();
  EXPECT_EQ(Panel->FFormatText, DefaultText);
  ASSERT_EQ(Panel->Labels().size(), 8u);
  EXPECT_EQ(Panel->Labels()[7]->FormatText(), "<NAME=CompName>");
  EXPECT_FALSE(Store()->ValueExists("FormatString"));
  EXPECT_EQ(Panel->TimerInterval(), 1000);
  EXPECT_TRUE(Panel->TimerEnabled());
  EXPECT_EQ(Panel->UptimeFormat, "*d* days, *H* hrs, *M* mins, *S* secs");
}

TEST_F(Defaults, StoredValuesAreRestored) {
  {
    auto Seed = Store();
    Seed->WriteInteger("Version", 87);
    Seed->WriteString("FormatString", "one\r\ntwo");
    Seed->WriteInteger("X", 40);
    Seed->WriteInteger("Y", 50);
    Seed->WriteInteger("Interval", 250);
    Seed->WriteString("UTstr", "*d*d");
    Seed->WriteString("Exclude", "a.exe, \"b c\"");
  }
  auto Panel = Start();
  EXPECT_EQ(Panel->Labels().size(), 2u);
  EXPECT_EQ(Panel->pos(), QPoint(40, 50));
  EXPECT_EQ(Panel->TimerInterval(), 250);
  EXPECT_EQ(Panel->UptimeFormat, "*d*d");
  EXPECT_EQ(Panel->FSampler->ExcludeList(), (std::vector<std::string>{"a.exe", "b c"}));
}

TEST_F(Defaults, AValueOfTheWrongTypeIsReportedAndTheSetUpGoesOn) {
  {
    auto Seed = Store();
    Seed->WriteInteger("Version", 87);
    Seed->WriteString("Align", "right");
    Seed->WriteInteger("FormatString", 5);
    Seed->WriteInteger("Interval", 300);
  }
  auto Panel = Start();
  EXPECT_EQ(Log->Messages, (std::vector<std::string>{"Invalid data type for 'Align'",
                                                     "Invalid data type for 'FormatString'"}));
  EXPECT_EQ(Panel->FFormatText, DefaultText);
  EXPECT_EQ(Panel->TimerInterval(), 300);
  Panel->Exit1Click();
  EXPECT_EQ(Store()->ReadInteger("X"), Panel->x());
}

TEST_F(Defaults, AWrongTypeAtExitIsReportedAndTheExitStillCompletes) {
  {
    auto Seed = Store();
    Seed->WriteInteger("Version", 87);
    Seed->WriteString("LongestUptime", "long");
  }
  auto Panel = Start();
  Panel->move(12, 34);
  Panel->Exit1Click();
  EXPECT_EQ(Log->Messages, (std::vector<std::string>{"Invalid data type for 'LongestUptime'"}));
  EXPECT_TRUE(Panel->Exited());
  EXPECT_TRUE(Panel->Labels().empty());
  EXPECT_EQ(Store()->ReadInteger("X"), 12);
}

using ClientKeys = PanelTest;

TEST_F(ClientKeys, AClientKeepsItsSettingsUnderTheServersKey) {
  {
    auto Panel = Start({"-c", "-i127.0.0.1", "-p1"});
    EXPECT_TRUE(Panel->ClientMode);
    EXPECT_EQ(Panel->SettingsKey(), std::string(MainSettingsKey) + "\\127.0.0.1:1");
    EXPECT_EQ(Panel->TimerInterval(), 2000);
    Panel->move(10, 20);
    Panel->Exit1Click();
  }
  auto Main = Store();
  EXPECT_EQ(Main->ReadInteger("Version"), 87);
  EXPECT_FALSE(Main->ValueExists("X"));
  auto Server = Store(std::string(MainSettingsKey) + "\\127.0.0.1:1");
  EXPECT_FALSE(Server->ValueExists("Version"));
  EXPECT_EQ(Server->ReadInteger("X"), 10);
  EXPECT_EQ(Server->ReadInteger("Y"), 20);
}

TEST_F(ClientKeys, AClientShowsBlankUntilItsFirstRecordArrives) {
  auto Panel = Start({"-c", "-i127.0.0.1", "-p1"});
  ASSERT_EQ(Panel->Labels().size(), 8u);
  for (const TFmtLabel* Label : Panel->Labels()) EXPECT_EQ(Label->Caption(), "BLANK");
  EXPECT_EQ(Panel->CurrentUptime(), 0);
}

TEST_F(ClientKeys, TwoServersHaveIndependentSettings) {
  Store()->WriteInteger("Version", 87);
  Store(std::string(MainSettingsKey) + "\\127.0.0.1:1")->WriteInteger("Align", 1);
  auto First = Start({"-c", "-i127.0.0.1", "-p1"});
  auto Second = Start({"-C", "-I127.0.0.1", "-p2"});
  EXPECT_EQ(First->LabelAlign, 1);
  EXPECT_EQ(Second->LabelAlign, 0);
}

TEST_F(ClientKeys, WithoutAHostTheWindowIsALocalMonitor) {
  {
    auto Seed = Store();
    Seed->WriteInteger("Version", 87);
    Seed->WriteInteger("Align", 1);
  }
  auto Panel = Start({"-c"});
  EXPECT_FALSE(Panel->ClientMode);
  EXPECT_EQ(Panel->SettingsKey(), MainSettingsKey);
  EXPECT_EQ(Panel->LabelAlign, 1);
}

using ExitSequence = PanelTest;

TEST_F(ExitSequence, SavesPositionDraggedLabelsAndDropsTheSizeWhileAutoSized) {
  {
    auto Seed = Store();
    Seed->WriteInteger("Version", 87);
    Seed->WriteString("FormatString", "a\r\nb");
  }
  auto Panel = Start();
  Panel->move(30, 40);
  Panel->FormDragOver(*Panel->Labels()[1], QPoint(70, 9));
  Panel->Exit1Click();
  Panel->Exit1Click();  // a second close changes nothing
  auto Seen = Store();
  EXPECT_EQ(Seen->ReadInteger("X"), 30);
  EXPECT_EQ(Seen->ReadInteger("Y"), 40);
  EXPECT_EQ(Seen->ReadInteger("XVal_FormatLabel1"), 70);
  EXPECT_EQ(Seen->ReadInteger("YVal_FormatLabel1"), 9);
  EXPECT_FALSE(Seen->ValueExists("XVal_FormatLabel0"));
  EXPECT_FALSE(Seen->ValueExists("W"));
  EXPECT_TRUE(Panel->Labels().empty());
  EXPECT_FALSE(Panel->TimerEnabled());
}

TEST_F(ExitSequence, AFixedSizeIsWrittenBack) {
  {
    auto Seed = Store();
    Seed->WriteInteger("Version", 87);
    Seed->WriteInteger("W", 321);
  }
  auto Panel = Start();
  Panel->resize(Panel->width(), 77);
  Panel->close();  // the window manager's close runs the same sequence
  EXPECT_TRUE(Panel->Exited());
  auto Seen = Store();
  EXPECT_EQ(Seen->ReadInteger("W"), 321);
  EXPECT_EQ(Seen->ReadInteger("H"), 77);
}

}  // namespace
}  // namespace dravel
