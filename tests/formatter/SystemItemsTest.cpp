// Addresses, names, date and time, blank, drive space, sensors, page file and memory.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "formatter/FormatterTestSupport.h"

namespace dravel {
namespace {

class SystemItemsTest : public ::testing::Test {
 protected:
  std::string Show(std::string_view Line, TAlignment Alignment = TAlignment::Left) {
    return Engine.Show(Line, Alignment);
  }
  void SetAddress(int Slot, std::uint8_t A, std::uint8_t B, std::uint8_t C, std::uint8_t D) {
    const std::uint8_t Octets[4] = {A, B, C, D};
    std::memcpy(Data.IPAddr[Slot - 1], Octets, 4);
  }
  testing::TEngine Engine;
  TRawData& Data = Engine.Data();
};

TEST_F(SystemItemsTest, AddressesWithSeparatorAndLeadZero) {
  SetAddress(1, 192, 168, 1, 20);
  SetAddress(2, 10, 0, 0, 5);
  EXPECT_EQ(Show("<NAME=IPAddr>"), "192.168.1.20, 10.0.0.5");
  EXPECT_EQ(Show("<NAME=IPAddr FORMAT=\" / \">"), "192.168.1.20 / 10.0.0.5");
  EXPECT_EQ(Show("<NAME=IPAddr LEADZERO>"), "192.168.  1. 20,  10.  0.  0.  5");
}

TEST_F(SystemItemsTest, EmptyAddressSlotsAreSkipped) {
  EXPECT_EQ(Show("[<NAME=IPAddr>]"), "[]");
  SetAddress(3, 10, 1, 2, 3);
  SetAddress(2, 0, 9, 9, 9);  // first octet 0: empty
  EXPECT_EQ(Show("<NAME=IPAddr>"), "10.1.2.3");
}

TEST_F(SystemItemsTest, NamesAreReadWithinTheirField) {
  WriteShortName(Data.CompName, "BUILDHOST");
  WriteShortName(Data.UserName, "alice");
  EXPECT_EQ(Show("<NAME=CompName>\\<NAME=UserName>"), "BUILDHOST\\alice");
  Data.UserName.Length = 200;  // from a faulty peer
  std::memset(Data.UserName.Chars, 'x', sizeof Data.UserName.Chars);
  EXPECT_EQ(Show("<NAME=UserName>"), std::string(15, 'x'));
}

TEST_F(SystemItemsTest, DateTimeWithDefaultAndOwnPattern) {
  Data.DateTime = EncodeDateTime(2004, 3, 7, 9, 5, 0);
  EXPECT_EQ(Show("<NAME=DateTime FORMAT=\"'Date' dd/mm/yy 'Time' hh:nn\">"),
            "Date 07/03/04 Time 09:05");
  EXPECT_EQ(Show("<NAME=DateTime>"), "07/03/2004 09:05:00");
  EXPECT_EQ(Show("<NAME=DateTime FORMAT=\"hh:mm\">"), "09:05");
}

TEST_F(SystemItemsTest, InvalidDateTimeGivesNoValue) {
  Data.DateTime = std::nan("");
  EXPECT_EQ(Show("[<NAME=DateTime>]"), "[]");
  Data.DateTime = 1e300;
  EXPECT_EQ(Show("[<NAME=DateTime FORMAT=\"yyyy\">]"), "[]");
}

TEST_F(SystemItemsTest, BlankFills) {
  EXPECT_EQ(Show("<NAME=Blank SIZE=5>"), "     ");
}

TEST_F(SystemItemsTest, DriveSlotIsClaimedThenShown) {
  const std::string Line = "Drive C: <NAME=DriveSpace SIZE=5 FORMAT=\"C FREE\">";
  EXPECT_EQ(Show(Line, TAlignment::Right), "Drive C:      ");
  EXPECT_EQ(Data.Drives[0].Letter, 'C');
  // The sampler measures the slot; the next render shows it.
  Data.Drives[0].FreeMB = 12345.0f;
  Data.Drives[0].TotalMB = 99999.5f;
  EXPECT_EQ(Engine.Registry.Evaluate(Line), "Drive C: 12,345");
  EXPECT_EQ(Engine.Registry.Evaluate("<NAME=DriveSpace FORMAT=\"c free\" DECIMAL>"), "12,345.00");
  EXPECT_EQ(Engine.Registry.Evaluate("<NAME=DriveSpace FORMAT=\"C TOTAL\">"), "100,000");
  EXPECT_EQ(Engine.Registry.Evaluate("<NAME=DriveSpace FORMAT=\"C TOTAL FREE\">"), "12,345");
  EXPECT_EQ(Engine.Registry.Evaluate("[<NAME=DriveSpace FORMAT=\"C\">]"), "[]");
  EXPECT_EQ(Engine.Registry.Evaluate("[<NAME=DriveSpace>]"), "[]");
}

TEST_F(SystemItemsTest, SlotsAreClaimedInEvaluationOrder) {
  Show("<NAME=DriveSpace FORMAT=\"d FREE\"><NAME=DriveSpace FORMAT=\"E\">"
       "<NAME=DriveSpace FORMAT=\"D TOTAL\">");
  EXPECT_EQ(Data.Drives[0].Letter, 'D');
  EXPECT_EQ(Data.Drives[1].Letter, 'E');
  EXPECT_EQ(Data.Drives[2].Letter, 0);
}

TEST_F(SystemItemsTest, NinthLetterNeverGetsASlot) {
  std::string Line;
  for (char Letter = 'C'; Letter <= 'K'; ++Letter) {
    Line += std::string("[<NAME=DriveSpace FORMAT=\"") + Letter + " FREE\">]";
  }
  Show(Line);
  for (std::size_t Slot = 0; Slot < DriveSlotCount; ++Slot) {
    EXPECT_EQ(Data.Drives[Slot].Letter, static_cast<char>('C' + Slot));
    Data.Drives[Slot].FreeMB = 1;
  }
  EXPECT_EQ(Engine.Registry.Evaluate(Line), "[1][1][1][1][1][1][1][1][]");
}

TEST_F(SystemItemsTest, TemperaturesInCelsiusOrFahrenheit) {
  Data.Temp[0] = 46;
  Data.Temp[2] = -3;
  EXPECT_EQ(Show("<NAME=Temp1 FORMAT=\"F\">"), "114.8");
  EXPECT_EQ(Show("<NAME=Temp1 FORMAT=\"f\">"), "114.8");
  EXPECT_EQ(Show("<NAME=Temp1 FORMAT=\"C\">"), "46");
  EXPECT_EQ(Show("<NAME=Temp1>"), "46");
  EXPECT_EQ(Show("<NAME=Temp1 FORMAT=\"Fahrenheit\">"), "46");
  EXPECT_EQ(Show("<NAME=Temp3 FORMAT=\"F\">"), "26.6");
}

TEST_F(SystemItemsTest, DefaultTemperatureTagKeepsTheDegreeByte) {
  Data.Temp[1] = 50;
  EXPECT_EQ(Show(Engine.Registry.GetDefaultTag("Temperature 2")), "Temp2: 122\xBA");
}

TEST_F(SystemItemsTest, FanWithoutReadingShowsZero) {
  Data.Fan[1] = 255;
  Data.Fan[2] = 4500;
  EXPECT_EQ(Show("<NAME=Fan2>"), "0");
  EXPECT_EQ(Show("<NAME=Fan3>"), "4500");
}

TEST_F(SystemItemsTest, MemoryInMegabytesAndPercent) {
  Data.RAMTotal = 536870912;
  Data.RAMFree = 134217728;
  EXPECT_EQ(Show("<NAME=RAMTotal>"), "512");
  EXPECT_EQ(Show("<NAME=RAMTotal DECIMAL>"), "512.00");
  EXPECT_EQ(Show("<NAME=RAMFree FORMAT=\"%\">"), "25");
  EXPECT_EQ(Show("<NAME=RAMFree FORMAT=\"%\" DECIMAL>"), "25.00");
  EXPECT_EQ(Show("<NAME=RAMUsed>"), "384");
  EXPECT_EQ(Show("<NAME=RAMUsed FORMAT=\"%\">"), "75");
  EXPECT_EQ(Show("<NAME=RAMTotal FORMAT=\"%\">"), "512");  // no percentage of the total
}

TEST_F(SystemItemsTest, PageFileFigures) {
  Data.PageTotal = 3u * 1048576;
  Data.PageFree = 1048576;
  EXPECT_EQ(Show("<NAME=PageUsed>/<NAME=PageTotal>"), "2/3");
  EXPECT_EQ(Show("<NAME=PageFree FORMAT=\"%\" DECIMAL>"), "33.33");
  EXPECT_EQ(Show("<NAME=PageUsed FORMAT=\"%\" DECIMAL>"), "66.67");
}

TEST_F(SystemItemsTest, MemoryAboveFourGigabytes) {
  WriteMemory(Data, TMemoryField::RAMTotal, 64ull << 30);
  WriteMemory(Data, TMemoryField::RAMFree, 16ull << 30);
  EXPECT_EQ(Show("<NAME=RAMTotal>"), "65536");
  EXPECT_EQ(Show("<NAME=RAMUsed>"), "49152");
  EXPECT_EQ(Show("<NAME=RAMFree FORMAT=\"%\">"), "25");
}

TEST_F(SystemItemsTest, ZeroTotalShowsZeroPercent) {
  EXPECT_EQ(Show("<NAME=PageFree FORMAT=\"%\">"), "0");
  EXPECT_EQ(Show("<NAME=RAMUsed FORMAT=\"%\" DECIMAL>"), "0.00");
}

TEST_F(SystemItemsTest, FreeAboveTotalShowsNothingUsed) {
  Data.RAMTotal = 1048576;
  Data.RAMFree = 2 * 1048576;
  EXPECT_EQ(Show("<NAME=RAMUsed>"), "0");
}

}  // namespace
}  // namespace dravel
