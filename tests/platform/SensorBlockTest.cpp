#include "platform/SensorBlock.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>

namespace dravel {
namespace {

using namespace SensorBlock;

TSensorReading Temp(std::string Chip, std::string Label, std::optional<double> Value) {
  return {std::move(Chip), std::move(Label), TSensorKind::Temperature, Value};
}
TSensorReading Fan(std::string Chip, std::string Label, double Value) {
  return {std::move(Chip), std::move(Label), TSensorKind::Fan, Value};
}

std::int32_t Int32At(const std::vector<std::uint8_t>& Block, std::size_t At) {
  std::int32_t Value = 0;
  std::memcpy(&Value, Block.data() + At, 4);
  return Value;
}

class SensorBlockTest : public ::testing::Test {
 protected:
  std::vector<std::uint8_t> Block = std::vector<std::uint8_t>(DataSize);
};

TEST_F(SensorBlockTest, TheTableHoldsEverySensorByNameInOrder) {
  WriteSensorBlock(Block, {Temp("k10temp", "Tctl", 45.5), Fan("thinkpad", "fan1", 2100),
                           Temp("amdgpu", "edge", std::nullopt)});
  ASSERT_TRUE(HoldsSensorTable(Block));
  const auto Table = ReadSensorTable(Block);
  ASSERT_TRUE(Table);
  ASSERT_EQ(Table->size(), 3u);
  EXPECT_EQ((*Table)[0].Name, "k10temp/Tctl");
  EXPECT_EQ((*Table)[0].Kind, TSensorKind::Temperature);
  EXPECT_EQ((*Table)[0].Value, 46);  // whole degrees, rounded
  EXPECT_EQ((*Table)[1].Name, "thinkpad/fan1");
  EXPECT_EQ((*Table)[1].Kind, TSensorKind::Fan);
  EXPECT_EQ((*Table)[1].Value, 2100);
  EXPECT_FALSE((*Table)[2].Value);
}

TEST_F(SensorBlockTest, MonitorSlotsHoldTheFirstFourOfEachKind) {
  WriteSensorBlock(Block, {Temp("a", "1", 31), Fan("f", "1", 900), Temp("a", "2", 32),
                           Temp("a", "3", -4.4), Temp("a", "4", 34), Temp("a", "5", 35)});
  EXPECT_EQ(Int32At(Block, TempsAt), 31);
  EXPECT_EQ(Int32At(Block, TempsAt + 8), -4);
  EXPECT_EQ(Int32At(Block, TempsAt + 12), 34);
  EXPECT_EQ(Int32At(Block, FansAt), 900);
  EXPECT_EQ(Int32At(Block, FansAt + 4), 0);
}

TEST_F(SensorBlockTest, NamesAreCodePage1252AndOverlongOnesAreLeftOut) {
  WriteSensorBlock(Block, {Temp("it87", "Temp\xC3\xA9rature", 30), Temp("x", "\xE6\xB8\xA9", 31),
                           Temp("long", std::string(NameSize, 'n'), 32)});
  const auto Table = ReadSensorTable(Block);
  ASSERT_TRUE(Table);
  ASSERT_EQ(Table->size(), 2u);
  EXPECT_EQ((*Table)[0].Name, "it87/Temp\xE9rature");
  EXPECT_EQ((*Table)[1].Name, "x/?");
}

TEST_F(SensorBlockTest, AtMostMaxEntriesAreKept) {
  std::vector<TSensorReading> Many;
  for (std::size_t I = 0; I < MaxEntries + 5; ++I) Many.push_back(Temp("c", std::to_string(I), 1));
  WriteSensorBlock(Block, Many);
  EXPECT_EQ(ReadSensorTable(Block)->size(), MaxEntries);
  WriteSensorBlock(Block, {});
  EXPECT_TRUE(ReadSensorTable(Block)->empty());
}

TEST_F(SensorBlockTest, BlockWithoutTableOrMidWriteGivesNone) {
  EXPECT_FALSE(HoldsSensorTable(Block));
  EXPECT_FALSE(ReadSensorTable(Block));
  EXPECT_FALSE(HoldsSensorTable(std::vector<std::uint8_t>(256)));
  WriteSensorBlock(Block, {Temp("a", "1", 1)});
  Block[TableAt + 8] |= 1;  // the change count of a writer that is still at work
  EXPECT_TRUE(HoldsSensorTable(Block));
  EXPECT_FALSE(ReadSensorTable(Block));
}

TEST(SensorBlockNameTest, BlocksAreNamedPerUser) {
  EXPECT_EQ(PerUserBlockName(DataName), std::string(DataName) + "." + std::to_string(::geteuid()));
}

}  // namespace
}  // namespace dravel
