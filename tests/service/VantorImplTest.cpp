// The sixteen operations over prepared records.
#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>

#include "service/VantorImpl.h"
#include "ServiceFixture.h"

namespace dravel {
namespace {

class VantorImplTest : public ::testing::Test {
 protected:
  test::TPanelState Panel;
  TRawData& Data = Panel.Shell.Data;
  TVantorWS Service{Panel.State};
};

TEST_F(VantorImplTest, NeverSampledRecordGivesZerosAndEmptyTexts) {
  EXPECT_EQ(Service.GetVersion(), 0);
  EXPECT_EQ(Service.GetCompName(), "");
  EXPECT_EQ(Service.GetUser(), "");
  EXPECT_EQ(Service.GetDateTime().ToXSD(), "1899-12-30");
  EXPECT_EQ(Service.GetDriveSpace('C', TSubItem::siTotal), 0.0f);
}

TEST_F(VantorImplTest, VersionIsTheRecordMarker) {
  Data.Marker = 'W';
  EXPECT_EQ(Service.GetVersion(), 87);
}

TEST_F(VantorImplTest, SelectionsZeroToFourPickAnElementOthersGiveZero) {
  for (int I = 0; I < 5; ++I) {
    Data.ProcUsage[I] = 10.0f + I;
    Data.NetRead[I] = 20.0f + I;
    Data.NetSumRead[I] = 30.0f + I;
    Data.NetWrite[I] = 40.0f + I;
    Data.NetSumWrite[I] = 50.0f + I;
  }
  EXPECT_EQ(Service.GetProcUsage(0), 10.0f);
  EXPECT_EQ(Service.GetProcUsage(4), 14.0f);
  EXPECT_EQ(Service.GetNetRead(1), 21.0f);
  EXPECT_EQ(Service.GetNetReadSum(2), 32.0f);
  EXPECT_EQ(Service.GetNetWrite(3), 43.0f);
  EXPECT_EQ(Service.GetNetWriteSum(4), 54.0f);
  for (std::int8_t Outside : {std::int8_t{5}, std::int8_t{127}, std::int8_t{-1}, std::int8_t{-128}}) {
    EXPECT_EQ(Service.GetProcUsage(Outside), 0.0f);
    EXPECT_EQ(Service.GetNetRead(Outside), 0.0f);
    EXPECT_EQ(Service.GetNetReadSum(Outside), 0.0f);
    EXPECT_EQ(Service.GetNetWrite(Outside), 0.0f);
    EXPECT_EQ(Service.GetNetWriteSum(Outside), 0.0f);
  }
}

TEST_F(VantorImplTest, DriveLettersMatchWithCaseAndTheFirstSlotWins) {
  Data.Drives[2] = {'C', {}, 100.0f, 30.5f};
  Data.Drives[5] = {'C', {}, 999.0f, 1.0f};
  EXPECT_EQ(Service.GetDriveSpace('C', TSubItem::siFree), 30.5f);
  EXPECT_EQ(Service.GetDriveSpace('C', TSubItem::siTotal), 100.0f);
  EXPECT_EQ(Service.GetDriveSpace('C', TSubItem::siUsed), 69.5f);
  EXPECT_EQ(Service.GetDriveSpace('c', TSubItem::siUsed), 0.0f);
  EXPECT_EQ(Service.GetDriveSpace('D', TSubItem::siTotal), 0.0f);
  EXPECT_EQ(Service.GetDriveSpace('C', static_cast<TSubItem>(3)), 0.0f);
}

TEST_F(VantorImplTest, UsedMemoryWrapsInThirtyTwoBits) {
  WriteMemory(Data, TMemoryField::PageFree, 3000);
  WriteMemory(Data, TMemoryField::PageTotal, 1000);
  EXPECT_EQ(Service.GetPage(TSubItem::siFree), 3000u);
  EXPECT_EQ(Service.GetPage(TSubItem::siTotal), 1000u);
  EXPECT_EQ(Service.GetPage(TSubItem::siUsed), 4294965296u);
  EXPECT_EQ(Service.GetPage(static_cast<TSubItem>(0xFF)), 0u);
}

TEST_F(VantorImplTest, ThreeGigabytesOfMemoryIsAnUnsignedCount) {
  WriteMemory(Data, TMemoryField::RAMTotal, 3ull << 30);
  WriteMemory(Data, TMemoryField::RAMFree, 1ull << 30);
  EXPECT_EQ(Service.GetRAM(TSubItem::siTotal), 3221225472u);
  EXPECT_EQ(Service.GetRAM(TSubItem::siUsed), 2147483648u);
}

TEST_F(VantorImplTest, MemoryAboveFourGibibytesReadsAsTheLargestUnsignedInt) {
  WriteMemory(Data, TMemoryField::RAMTotal, 16ull << 30);
  WriteMemory(Data, TMemoryField::RAMFree, 6ull << 30);
  EXPECT_EQ(Service.GetRAM(TSubItem::siTotal), 4294967295u);
  EXPECT_EQ(Service.GetRAM(TSubItem::siFree), 4294967295u);
  EXPECT_EQ(Service.GetRAM(TSubItem::siUsed), 0u);
}

TEST_F(VantorImplTest, CountsUptimeAndNames) {
  Data.Threads = -2;
  Data.Processes = 321;
  Data.Uptime = 9876543210LL;
  WriteShortName(Data.CompName, "BUILDHOST");
  WriteShortName(Data.UserName, "alice");
  EXPECT_EQ(Service.GetThreads(), -2);
  EXPECT_EQ(Service.GetProcesses(), 321);
  EXPECT_EQ(Service.GetUptime(), 9876543210LL);
  EXPECT_EQ(Service.GetCompName(), "BUILDHOST");
  EXPECT_EQ(Service.GetUser(), "alice");
}

TEST_F(VantorImplTest, DateTimeComesFromTheRecordDayCount) {
  Data.DateTime = 38053.378472222219;  // 2004-03-07 09:05:00
  const TXSDateTime Value = Service.GetDateTime();
  EXPECT_EQ(Value.Year, 2004);
  EXPECT_EQ(Value.Month, 3);
  EXPECT_EQ(Value.Day, 7);
  EXPECT_EQ(Value.Hour, 9);
  EXPECT_EQ(Value.Minute, 5);
  EXPECT_EQ(Value.Second, 0);
}

TEST_F(VantorImplTest, FormattedItemRunsTheActiveFormatters) {
  EXPECT_EQ(Service.GetFormattedItem("no tags <B>here</B>"), "no tags <B>here</B>");
  // Not active on the panel: the tag comes back as written.
  EXPECT_EQ(Service.GetFormattedItem("<NAME=ProcUsage>"), "<NAME=ProcUsage>");
  Panel.Registry.DecideIfActive("<NAME=ProcUsage>");
  Data.ProcUsage[0] = 42.0f;
  EXPECT_EQ(Service.GetFormattedItem("CPU <NAME=ProcUsage>%"), "CPU 42%");
}

TEST_F(VantorImplTest, FormattedItemRefusesATextTooLongToAnswer) {
  Panel.Registry.DecideIfActive("<NAME=Blank>");
  std::string Longest;
  while (Longest.size() + 20 <= TVantorWS::MaxFormatStringLength) Longest += "<NAME=Blank SIZE=9>";
  Longest.resize(TVantorWS::MaxFormatStringLength, ' ');
  EXPECT_EQ(Service.GetFormattedItem(Longest).substr(0, 9), std::string(9, ' '));
  EXPECT_THROW(Service.GetFormattedItem(Longest + " "), std::length_error);
}

TEST_F(VantorImplTest, FormattedDriveTagClaimsASlotFilledLater) {
  Panel.Registry.DecideIfActive("<NAME=DateTime>");
  Service.GetFormattedItem("<NAME=DriveSpace FORMAT=\"E FREE\">");
  EXPECT_EQ(Data.Drives[0].Letter, 'E');
  Data.Drives[0].TotalMB = 50.0f;
  Data.Drives[0].FreeMB = 20.0f;
  EXPECT_EQ(Service.GetDriveSpace('E', TSubItem::siUsed), 30.0f);
}

}  // namespace
}  // namespace dravel
