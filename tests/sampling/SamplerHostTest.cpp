#include <gtest/gtest.h>

#include "SamplerTestSupport.h"

namespace dravel::test {
namespace {

constexpr std::uint64_t MB = 1 << 20;

class HostBlockTest : public ::testing::Test {
 protected:
  TSamplerRig Rig;
  TRawData& Data() { return Rig.Shell.Data; }
};

TEST_F(HostBlockTest, RefreshesOnTheFirstPassThenEveryTenthAndCountsBackAtFifty) {
  std::vector<int> Refreshed;
  for (int Pass = 1; Pass <= 61; ++Pass) {
    const int Before = Rig.System.AddressCalls;
    Rig.Pass(Only(&TActiveFamilies::NonPerf));
    if (Rig.System.AddressCalls != Before) Refreshed.push_back(Pass);
    if (Pass == 41) {
      EXPECT_EQ(Rig.Sampler.PassCounter(), 0);
    }
  }
  EXPECT_EQ(Refreshed, (std::vector<int>{1, 11, 21, 31, 41, 51, 61}));
}

TEST_F(HostBlockTest, ForcedPassRefreshesAtOnce) {
  Rig.Pass(Only(&TActiveFamilies::NonPerf));
  Rig.Pass(Only(&TActiveFamilies::NonPerf), true);
  Rig.Pass(Only(&TActiveFamilies::NonPerf));
  EXPECT_EQ(Rig.System.AddressCalls, 2);
  EXPECT_EQ(Rig.Sampler.PassCounter(), 12);
}

TEST_F(HostBlockTest, QuerySizesShrinkBackAtTheFiftiethCount) {
  std::vector<std::pair<std::u16string, std::uint64_t>> Many;
  for (int I = 0; I < 40; ++I) Many.push_back({u"cpu" + std::u16string(1, u'A' + (I % 26)), 0});
  Rig.PerfData.Serve("238", ProcessorBlock(1, Many));
  ASSERT_GT(Rig.PerfData.Blocks["238"].size(), 2048u);
  ASSERT_LE(Rig.PerfData.Blocks["238"].size(), 3072u);
  TActiveFamilies Both = Only(&TActiveFamilies::NonPerf);
  Both.Proc = true;

  const auto FirstCallSizes = [&] {
    std::vector<std::size_t> Sizes;
    for (const auto& Call : Rig.PerfData.Calls) Sizes.push_back(Call.BufferSize);
    Rig.PerfData.Calls.clear();
    return Sizes;
  };
  Rig.Pass(Both);
  EXPECT_EQ(FirstCallSizes(), (std::vector<std::size_t>{1024, 2048, 3072}));
  for (int Pass = 2; Pass <= 41; ++Pass) Rig.Pass(Both);
  const auto Remembered = FirstCallSizes();
  EXPECT_EQ(Remembered.size(), 40u);
  EXPECT_EQ(Remembered.back(), 3072u);
  Rig.Pass(Both);
  EXPECT_EQ(FirstCallSizes(), (std::vector<std::size_t>{1024, 2048, 3072}));
}

TEST_F(HostBlockTest, NamesAreFetchedOnceTrimmedAndCut) {
  Rig.System.Computer = " \tworkstation-of-the-lab\r\n";
  Rig.System.User = "  ann ";
  for (int Pass = 0; Pass < 3; ++Pass) Rig.Pass(Only(&TActiveFamilies::NonPerf));
  EXPECT_EQ(ReadShortName(Data().CompName), "workstation-of-");
  EXPECT_EQ(ReadShortName(Data().UserName), "ann");
  EXPECT_EQ(Rig.System.ComputerNameCalls, 1);
  EXPECT_EQ(Rig.System.UserNameCalls, 1);
}

TEST_F(HostBlockTest, NameAlreadyInTheRecordIsNeverFetched) {
  WriteShortName(Data().CompName, "server");
  WriteShortName(Data().UserName, "bob");
  Rig.Pass(Only(&TActiveFamilies::NonPerf));
  EXPECT_EQ(Rig.System.ComputerNameCalls, 0);
  EXPECT_EQ(Rig.System.UserNameCalls, 0);
  EXPECT_EQ(ReadShortName(Data().CompName), "server");
}

TEST_F(HostBlockTest, AddressesFillAtMostFourSlotsAndClearTheRest) {
  Rig.System.Addresses = {
      {10, 0, 0, 1}, {10, 0, 0, 2}, {10, 0, 0, 3}, {10, 0, 0, 4}, {10, 0, 0, 5}};
  Rig.Pass(Only(&TActiveFamilies::NonPerf));
  EXPECT_EQ(Data().IPAddr[3][3], 4);
  Rig.System.Addresses = {{192, 168, 1, 20}};
  Rig.Pass(Only(&TActiveFamilies::NonPerf), true);
  EXPECT_EQ(Data().IPAddr[0][0], 192);
  EXPECT_EQ(Data().IPAddr[0][3], 20);
  EXPECT_EQ(Data().IPAddr[1][0], 0);
  EXPECT_EQ(Data().IPAddr[3][3], 0);
}

TEST_F(HostBlockTest, ClaimedDrivesAreMeasuredAndUnknownOnesGiveZero) {
  Data().Drives[0].Letter = 'C';
  Data().Drives[2].Letter = 'Q';
  Data().Drives[2].FreeMB = 5.0f;
  Rig.System.Disks['C'] = {1536 * MB, 4096 * MB};
  Rig.Pass(Only(&TActiveFamilies::NonPerf));
  EXPECT_EQ(Rig.System.DiskCalls, (std::vector<char>{'C', 'Q'}));
  EXPECT_FLOAT_EQ(Data().Drives[0].FreeMB, 1536.0f);
  EXPECT_FLOAT_EQ(Data().Drives[0].TotalMB, 4096.0f);
  EXPECT_EQ(Data().Drives[2].FreeMB, 0.0f);
  EXPECT_EQ(Data().Drives[2].TotalMB, 0.0f);
  EXPECT_EQ(Data().Drives[1].TotalMB, 0.0f);
}

TEST_F(HostBlockTest, DateTimeIsWrittenOnEveryPass) {
  Rig.Pass(Only(&TActiveFamilies::NonPerf));
  Rig.System.Now = 40000.5;
  Rig.Pass(Only(&TActiveFamilies::NonPerf));
  EXPECT_EQ(Data().DateTime, 40000.5);
}

TEST(MemoryBlockTest, FiguresAboveFourGiBKeepTheirHighBytes) {
  TSamplerRig Rig;
  Rig.System.Memory = {6ull << 30, 5ull << 30, 8ull << 30, 7ull << 30};
  Rig.Pass(Only(&TActiveFamilies::PageRAM));
  EXPECT_EQ(ReadMemory(Rig.Shell.Data, TMemoryField::RAMTotal), 6ull << 30);
  EXPECT_EQ(ReadMemory(Rig.Shell.Data, TMemoryField::RAMFree), 5ull << 30);
  EXPECT_EQ(ReadMemory(Rig.Shell.Data, TMemoryField::PageTotal), 8ull << 30);
  EXPECT_EQ(ReadMemory(Rig.Shell.Data, TMemoryField::PageFree), 7ull << 30);
}

TEST(MemoryBlockTest, UnreadableStatusKeepsThePreviousFigures) {
  TSamplerRig Rig;
  WriteMemory(Rig.Shell.Data, TMemoryField::RAMTotal, 1234);
  Rig.System.MemoryReadable = false;
  Rig.Pass(Only(&TActiveFamilies::PageRAM));
  EXPECT_EQ(ReadMemory(Rig.Shell.Data, TMemoryField::RAMTotal), 1234u);
}

}  // namespace
}  // namespace dravel::test
