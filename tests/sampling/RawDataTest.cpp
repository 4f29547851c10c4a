#include "sampling/RawData.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace dravel {
namespace {

std::vector<std::uint8_t> Record(char Marker, std::uint8_t Fill) {
  std::vector<std::uint8_t> Bytes(RawDataSize, Fill);
  Bytes[0] = static_cast<std::uint8_t>(Marker);
  return Bytes;
}

std::vector<std::uint8_t> Join(std::initializer_list<std::vector<std::uint8_t>> Parts) {
  std::vector<std::uint8_t> All;
  for (const auto& Part : Parts) All.insert(All.end(), Part.begin(), Part.end());
  return All;
}

class AddBytesTest : public ::testing::Test {
 protected:
  AddBytesTest() {
    Shell.OnRecord = [this](TRawDataShell& Sender) {
      EXPECT_EQ(&Sender, &Shell);
      Fills.push_back(Sender.Data.Pad1[0]);
    };
  }
  void Feed(const std::vector<std::uint8_t>& Bytes) { Shell.AddBytes(Bytes.data(), Bytes.size()); }

  TRawDataShell Shell;
  std::vector<std::uint8_t> Fills;  // Pad1[0] of each record announced
};

TEST_F(AddBytesTest, FreshShellIsAllZero) {
  const auto Bytes = RecordBytes(Shell.Data);
  EXPECT_TRUE(std::all_of(Bytes.begin(), Bytes.end(), [](std::uint8_t B) { return B == 0; }));
}

TEST_F(AddBytesTest, OneWholeRecordFiresOnce) {
  Feed(Record('W', 7));
  EXPECT_EQ(Fills, std::vector<std::uint8_t>{7});
  EXPECT_EQ(Shell.PendingBytes(), 0u);
}

TEST_F(AddBytesTest, TwoRecordsInOneChunkFireTwiceAndKeepTheSecond) {
  Feed(Join({Record('W', 1), Record('W', 2)}));
  EXPECT_EQ(Fills, (std::vector<std::uint8_t>{1, 2}));
  EXPECT_EQ(Shell.Data.Pad1[0], 2);
}

TEST_F(AddBytesTest, RecordSplitOverTwoChunksFiresAfterTheSecond) {
  const auto Bytes = Record('W', 3);
  Shell.AddBytes(Bytes.data(), 100);
  EXPECT_TRUE(Fills.empty());
  EXPECT_EQ(Shell.PendingBytes(), 100u);
  Shell.AddBytes(Bytes.data() + 100, 212);
  EXPECT_EQ(Fills, std::vector<std::uint8_t>{3});
}

TEST_F(AddBytesTest, BadMarkerReplacesDataWithoutFiringAndDropsAChunkWithoutW) {
  Feed(Record('X', 4));
  EXPECT_TRUE(Fills.empty());
  EXPECT_EQ(Shell.Data.Marker, 'X');
  EXPECT_EQ(Shell.PendingBytes(), 0u);
}

TEST_F(AddBytesTest, ResynchronisesInsideTheDroppedRecordOfThisChunk) {
  auto Bad = Record('X', 0);
  Bad[10] = 'W';  // a good record starts here and runs 312 bytes
  auto Stream = Bad;
  Stream.resize(10 + RawDataSize, 5);
  Stream[10] = 'W';
  Stream[11] = 9;
  Feed(Stream);
  ASSERT_EQ(Fills.size(), 1u);
  EXPECT_EQ(Shell.Data.Marker, 'W');
  EXPECT_EQ(Shell.Data.Pad1[0], 9);
}

TEST_F(AddBytesTest, GoodThenBadRecordNeverReturnsToTheGoodOne) {
  auto Bad = Record('X', 6);
  Bad[50] = 'W';
  Feed(Join({Record('W', 1), Bad}));
  EXPECT_EQ(Fills, std::vector<std::uint8_t>{1});
  // The tail of the bad record from its "W" waits as the start of the next record.
  EXPECT_EQ(Shell.PendingBytes(), RawDataSize - 50);
}

TEST_F(AddBytesTest, DroppedRecordFromEarlierChunkSearchesTheChunkFromItsStart) {
  auto Bad = Record('X', 0);
  Shell.AddBytes(Bad.data(), 300);
  std::vector<std::uint8_t> Tail(12, 0);
  Tail[3] = 'W';  // inside the dropped record's own last bytes
  Feed(Tail);
  EXPECT_TRUE(Fills.empty());
  EXPECT_EQ(Shell.PendingBytes(), 9u);
}

TEST(RawDataFields, MemoryAbove4GiBUsesTheHighBytes) {
  TRawData Data{};
  WriteMemory(Data, TMemoryField::RAMTotal, 16ull << 30);
  EXPECT_EQ(Data.RAMTotal, 0u);
  EXPECT_EQ(Data.MemoryHigh[3], 4);
  EXPECT_EQ(ReadMemory(Data, TMemoryField::RAMTotal), 16ull << 30);
  EXPECT_EQ(RecordBytes(Data)[311], 4);

  WriteMemory(Data, TMemoryField::PageFree, 3'000'000'000ull);
  EXPECT_EQ(Data.PageFree, 3'000'000'000u);
  EXPECT_EQ(Data.MemoryHigh[0], 0);

  WriteMemory(Data, TMemoryField::PageTotal, ~0ull);
  EXPECT_EQ(ReadMemory(Data, TMemoryField::PageTotal), (1ull << 40) - 1);
}

TEST(RawDataFields, ShortNamesAreCutAndClamped) {
  TShortName Name{};
  WriteShortName(Name, "A-VERY-LONG-COMPUTER-NAME");
  EXPECT_EQ(ReadShortName(Name), "A-VERY-LONG-COM");
  Name.Length = 200;
  EXPECT_EQ(ReadShortName(Name).size(), 15u);
}

}  // namespace
}  // namespace dravel
