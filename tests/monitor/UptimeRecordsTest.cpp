#include "monitor/UptimeRecords.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <limits>
#include <vector>

#include "platform/SettingsStore.h"

namespace dravel {
namespace {

class UptimeRecordsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FFile = std::filesystem::temp_directory_path() /
            ("dravel-uptime-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
             "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".db");
    std::filesystem::remove(FFile);
    Store = std::make_unique<TRegistry>(FFile);
    ASSERT_TRUE(Store->OpenKey("\\Software\\KelmarSoftware\\Dravel", true));
  }
  void TearDown() override {
    Store.reset();
    std::filesystem::remove(FFile);
  }
  void WriteBytes(const std::string& Name, std::vector<std::uint8_t> Bytes) {
    Store->WriteBinaryData(Name, Bytes);
  }

  std::unique_ptr<TRegistry> Store;

 private:
  std::filesystem::path FFile;
};

TEST_F(UptimeRecordsTest, FiguresAreEightLittleEndianBytes) {
  WriteUptimeFigure(*Store, "LongestUptime", 0x0102030405060708);
  EXPECT_EQ(Store->ReadBinaryData("LongestUptime"),
            (std::vector<std::uint8_t>{8, 7, 6, 5, 4, 3, 2, 1}));
  WriteUptimeFigure(*Store, "TotalUptime", -2);
  EXPECT_EQ(ReadUptimeFigure(*Store, "TotalUptime"), -2);
}

TEST_F(UptimeRecordsTest, AnAbsentFigureReadsAsZero) {
  EXPECT_EQ(ReadUptimeFigure(*Store, "LongestUptime"), 0);
}

TEST_F(UptimeRecordsTest, ShortBinaryDataGivesTheLowBytes) {
  WriteBytes("LongestUptime", {0x10, 0x0E});
  EXPECT_EQ(ReadUptimeFigure(*Store, "LongestUptime"), 3600);
  WriteBytes("LongestUptime", {});
  EXPECT_EQ(ReadUptimeFigure(*Store, "LongestUptime"), 0);
}

TEST_F(UptimeRecordsTest, WrongTypesRaiseInvalidDataType) {
  WriteBytes("LongestUptime", std::vector<std::uint8_t>(9, 1));
  try {
    ReadUptimeFigure(*Store, "LongestUptime");
    FAIL() << "nine bytes were accepted";
  } catch (const ERegistryException& e) {
    EXPECT_STREQ(e.what(), "Invalid data type for 'LongestUptime'");
  }
  Store->WriteString("TotalUptime", "12");
  Store->WriteInteger("UptimeCount", 1);
  try {
    AverageUptime(*Store, 5);
    FAIL() << "a text total was accepted";
  } catch (const ERegistryException& e) {
    EXPECT_STREQ(e.what(), "Invalid data type for 'TotalUptime'");
  }
  Store->WriteInteger("LongestUptime", 7);
  EXPECT_THROW(LongestUptime(*Store, 5), ERegistryException);
}

TEST_F(UptimeRecordsTest, AFreshStoreAveragesTheCurrentUptime) {
  WriteUptimeFigure(*Store, "LongestUptime", 0);
  EXPECT_EQ(AverageUptime(*Store, 4321), 4321);
  EXPECT_FALSE(Store->ValueExists("TotalUptime"));
}

TEST_F(UptimeRecordsTest, TheFirstSavedExitCountsOneRun) {
  WriteUptimeFigure(*Store, "LongestUptime", 0);
  SaveUptimeAtExit(*Store, 93784);
  EXPECT_EQ(Store->ReadInteger("UptimeCount"), 1);
  EXPECT_EQ(ReadUptimeFigure(*Store, "TotalUptime"), 93784);
  EXPECT_EQ(ReadUptimeFigure(*Store, "LongestUptime"), 93784);
}

TEST_F(UptimeRecordsTest, ExitsAddUpAndTheLongestOnlyGrows) {
  SaveUptimeAtExit(*Store, 500);
  SaveUptimeAtExit(*Store, 200);
  SaveUptimeAtExit(*Store, 0);
  EXPECT_EQ(Store->ReadInteger("UptimeCount"), 3);
  EXPECT_EQ(ReadUptimeFigure(*Store, "TotalUptime"), 700);
  EXPECT_EQ(ReadUptimeFigure(*Store, "LongestUptime"), 500);
  EXPECT_EQ(AverageUptime(*Store, 99999), 233);
}

TEST_F(UptimeRecordsTest, AnOrphanHalfOfThePairIsOverwritten) {
  WriteUptimeFigure(*Store, "TotalUptime", 1000000);
  SaveUptimeAtExit(*Store, 10);
  EXPECT_EQ(ReadUptimeFigure(*Store, "TotalUptime"), 10);
  EXPECT_EQ(Store->ReadInteger("UptimeCount"), 1);
}

TEST_F(UptimeRecordsTest, LongestIsRaisedAndWrittenWhenTheCurrentIsHigher) {
  WriteUptimeFigure(*Store, "LongestUptime", 300);
  EXPECT_EQ(LongestUptime(*Store, 100), 300);
  EXPECT_EQ(ReadUptimeFigure(*Store, "LongestUptime"), 300);
  EXPECT_EQ(LongestUptime(*Store, 900), 900);
  EXPECT_EQ(ReadUptimeFigure(*Store, "LongestUptime"), 900);
}

TEST_F(UptimeRecordsTest, ACountOfZeroIsADivisionByZero) {
  WriteUptimeFigure(*Store, "TotalUptime", 50);
  Store->WriteInteger("UptimeCount", 0);
  try {
    AverageUptime(*Store, 5);
    FAIL() << "no error";
  } catch (const std::exception& e) {
    EXPECT_STREQ(e.what(), "Division by zero");
  }
}

TEST_F(UptimeRecordsTest, AverageTruncatesTowardZeroAndSurvivesExtremes) {
  WriteUptimeFigure(*Store, "TotalUptime", -7);
  Store->WriteInteger("UptimeCount", 2);
  EXPECT_EQ(AverageUptime(*Store, 0), -3);
  WriteUptimeFigure(*Store, "TotalUptime", std::numeric_limits<std::int64_t>::min());
  Store->WriteInteger("UptimeCount", -1);
  EXPECT_EQ(AverageUptime(*Store, 0), std::numeric_limits<std::int64_t>::min());
  WriteUptimeFigure(*Store, "TotalUptime", std::numeric_limits<std::int64_t>::max());
  Store->WriteInteger("UptimeCount", std::numeric_limits<std::int32_t>::max());
  SaveUptimeAtExit(*Store, 1);  // wraps instead of overflowing
  EXPECT_EQ(ReadUptimeFigure(*Store, "TotalUptime"), std::numeric_limits<std::int64_t>::min());
  EXPECT_EQ(Store->ReadInteger("UptimeCount"), std::numeric_limits<std::int32_t>::min());
}

}  // namespace
}  // namespace dravel
