#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <future>

#include "platform/SensorBlock.h"
#include "platform/SharedMemory.h"
#include "sampling/MBMReader.h"

namespace dravel {
namespace {

using namespace std::chrono_literals;

class MBMReaderTest : public ::testing::Test {
 protected:
  MBMReaderTest() {
    const std::string Tag = "dravel-test-mbm-" + std::to_string(::getpid()) + "-" +
                            ::testing::UnitTest::GetInstance()->current_test_info()->name();
    Names = {Tag + "-i", Tag + "-d", FAKE_MBM_STARTER};
    ::unsetenv("DRAVEL_FAKE_MBM");
  }
  ~MBMReaderTest() override {
    RemoveSharedMemory(Names.InfoBlock);
    RemoveSharedMemory(Names.DataBlock);
  }

  // The data block with temperatures t, fans 1000+n at 96 and 2000+n at 120.
  void PublishData(std::size_t Size = 256, std::int32_t FirstTemp = 40) {
    auto Made = TSharedMemoryBlock::Open(Names.DataBlock, Size);
    ASSERT_TRUE(Made);
    Data.emplace(std::move(*Made));
    const std::int32_t Temps[4] = {FirstTemp, 41, 42, 43};
    std::memcpy(Data->Bytes().data(), Temps, sizeof Temps);
    if (Size < 136) return;
    for (std::int32_t N = 0; N < 4; ++N) {
      const std::int32_t Low = 1000 + N;
      const std::int32_t High = 2000 + N;
      std::memcpy(Data->Bytes().data() + 96 + 4 * N, &Low, 4);
      std::memcpy(Data->Bytes().data() + 120 + 4 * N, &High, 4);
    }
  }

  // The data block of the shipped publisher, with its table of named sensors.
  void PublishTable(const std::vector<TSensorReading>& Sensors) {
    if (!Data) {
      auto Made = TSharedMemoryBlock::Open(Names.DataBlock, SensorBlock::DataSize);
      ASSERT_TRUE(Made);
      Data.emplace(std::move(*Made));
    }
    WriteSensorBlock(Data->Bytes(), Sensors);
  }

  void PublishInfo(std::uint8_t First) {
    auto Made = TSharedMemoryBlock::Open(Names.InfoBlock, 8);
    ASSERT_TRUE(Made);
    Info.emplace(std::move(*Made));
    Info->Bytes()[0] = First;
  }

  // Runs the first MBM step and waits for the start thread's report.
  bool StartAndWait(TMBMReader& Reader) {
    std::promise<void> Reported;
    Reader.OnStartReport = [&] { Reported.set_value(); };
    Reader.MBMStep(Record);
    const bool Arrived = Reported.get_future().wait_for(10s) == std::future_status::ready;
    if (Arrived) Reader.MBMStartFinished();
    return Arrived;
  }

  static std::string Trace() {
    const char* Value = std::getenv("DRAVEL_FAKE_MBM");
    return Value ? Value : "";
  }

  TMBMNames Names;
  TRawData Record{};
  std::optional<TSharedMemoryBlock> Info;
  std::optional<TSharedMemoryBlock> Data;
};

TEST_F(MBMReaderTest, InformationByteZeroPutsTheFansAtNinetySix) {
  PublishInfo(0);
  PublishData();
  TMBMReader Reader(Names);
  ASSERT_TRUE(StartAndWait(Reader));
  EXPECT_EQ(Trace(), "started");
  EXPECT_EQ(Record.Temp[0], 0);  // the first step only starts the library
  EXPECT_FALSE(Reader.MBMStarting());
  EXPECT_TRUE(Reader.MBMInfoZero());
  Reader.MBMStep(Record);
  EXPECT_EQ(Record.Temp[0], 40);
  EXPECT_EQ(Record.Temp[2], 42);
  EXPECT_EQ(Record.Fan[0], 1000);
  EXPECT_EQ(Record.Fan[2], 1002);
  EXPECT_EQ(Reader.MBMFans()[3], 1003);
}

TEST_F(MBMReaderTest, OtherInformationBytePutsTheFansAtOneHundredTwenty) {
  PublishInfo(7);
  PublishData();
  TMBMReader Reader(Names);
  ASSERT_TRUE(StartAndWait(Reader));
  EXPECT_FALSE(Reader.MBMInfoZero());
  Reader.MBMStep(Record);
  EXPECT_EQ(Record.Fan[0], 2000);
  EXPECT_EQ(Record.Fan[1], 2001);
}

TEST_F(MBMReaderTest, TemperatureKeepsOnlyItsLowSixteenBits) {
  PublishInfo(1);
  PublishData(256, 70000);
  TMBMReader Reader(Names);
  ASSERT_TRUE(StartAndWait(Reader));
  Reader.MBMStep(Record);
  EXPECT_EQ(Record.Temp[0], 4464);
  EXPECT_EQ(Reader.MBMTemps()[0], 70000);
}

TEST_F(MBMReaderTest, MissingLibraryStillReadsTheDataBlockOnEveryStep) {
  Names.LibraryPath = "/nonexistent/MBMStarter.so";
  bool Reported = false;
  TMBMReader Reader(Names);
  Reader.OnStartReport = [&] { Reported = true; };
  Reader.MBMStep(Record);
  EXPECT_TRUE(Reader.MBMStarting());
  Reader.MBMStep(Record);
  EXPECT_EQ(Record.Temp[0], 0);
  EXPECT_EQ(Record.Fan[0], 0);
  PublishData();  // the monitor started by hand later
  Reader.MBMStep(Record);
  EXPECT_EQ(Record.Temp[1], 41);
  EXPECT_EQ(Record.Fan[0], 2000);  // the layout flag was never read
  Reader.StopMBM();
  EXPECT_FALSE(Reported);
  EXPECT_TRUE(Reader.MBMStarting());
}

TEST_F(MBMReaderTest, MissingInformationBlockMeansNoReportButTheLibraryRuns) {
  bool Reported = false;
  {
    TMBMReader Reader(Names);
    Reader.OnStartReport = [&] { Reported = true; };
    Reader.MBMStep(Record);
    Reader.StopMBM();
    EXPECT_FALSE(Reader.MBMLibraryLoaded());
  }
  EXPECT_FALSE(Reported);
  EXPECT_EQ(Trace(), "stopped");
}

TEST_F(MBMReaderTest, MissingOrShortDataBlockLeavesTheRecord) {
  Record.Temp[0] = 33;
  Record.Fan[0] = 255;
  TMBMReader Reader(Names);
  EXPECT_FALSE(Reader.ReadMBM());
  PublishData(130);  // long enough for the temperatures, not for the fans at 120
  EXPECT_FALSE(Reader.ReadMBM());
  Names.LibraryPath = "/nonexistent/MBMStarter.so";
  TMBMReader Starting(Names);
  Starting.MBMStep(Record);
  Starting.MBMStep(Record);
  EXPECT_EQ(Record.Temp[0], 33);
  EXPECT_EQ(Record.Fan[0], 255);
}

TEST_F(MBMReaderTest, ExitStepStopsAndUnloadsTheLibrary) {
  PublishInfo(1);
  TMBMReader Reader(Names);
  ASSERT_TRUE(StartAndWait(Reader));
  EXPECT_TRUE(Reader.MBMLibraryLoaded());
  Reader.StopMBM();
  EXPECT_EQ(Trace(), "stopped");
  EXPECT_FALSE(Reader.MBMLibraryLoaded());
}

TEST_F(MBMReaderTest, StartThreadRunsOnlyOnce) {
  PublishInfo(1);
  PublishData();
  TMBMReader Reader(Names);
  ASSERT_TRUE(StartAndWait(Reader));
  ::unsetenv("DRAVEL_FAKE_MBM");
  for (int Step = 0; Step < 3; ++Step) Reader.MBMStep(Record);
  EXPECT_EQ(Trace(), "");
  EXPECT_EQ(Record.Temp[0], 40);
}

TSensorReading Temp(const char* Name, std::optional<double> Value) {
  const std::string Text(Name);
  const auto Slash = Text.find('/');
  return {Text.substr(0, Slash), Text.substr(Slash + 1), TSensorKind::Temperature, Value};
}
TSensorReading Fan(const char* Name, double Value) {
  TSensorReading Sensor = Temp(Name, Value);
  Sensor.Kind = TSensorKind::Fan;
  return Sensor;
}

// The default order as the publisher writes it.
const std::vector<TSensorReading> Machine{
    Temp("coretemp/Package id 0", 51), Temp("acpitz/temp1", 28),   Temp("coretemp/Core 0", 49),
    Temp("nvme/Composite", 38),        Fan("thinkpad/fan1", 2900), Fan("thinkpad/fan2", 0)};

TEST_F(MBMReaderTest, NamedSensorsInTheDefaultOrderWithoutAChoice) {
  PublishTable(Machine);
  TMBMReader Reader(Names);
  ASSERT_TRUE(Reader.ReadMBM());
  EXPECT_EQ(Reader.MBMTemps(), (std::array<std::int32_t, 4>{51, 28, 49, 38}));
  EXPECT_EQ(Reader.MBMFans(), (std::array<std::int32_t, 4>{2900, 0, 0, 0}));
}

TEST_F(MBMReaderTest, ChosenSensorsTakeTheirSlotsFromTheNextReadingOn) {
  PublishTable(Machine);
  TMBMReader Reader(Names);
  ASSERT_TRUE(Reader.ReadMBM());
  TSensorChoice Choice;
  Choice.Temps = {"nvme/Composite", "", "coretemp/Package id 0"};
  Choice.Fans = {"thinkpad/fan2", "unplugged/fan9", ""};
  Reader.SetSensorChoice(Choice);
  EXPECT_EQ(Reader.MBMTemps()[0], 51);  // nothing changes until the next reading
  ASSERT_TRUE(Reader.ReadMBM());
  EXPECT_EQ(Reader.MBMTemps(), (std::array<std::int32_t, 4>{38, 28, 51, 49}));
  // A chosen sensor that is not there shows 0; the next slots keep their places.
  EXPECT_EQ(Reader.MBMFans(), (std::array<std::int32_t, 4>{0, 0, 2900, 0}));
}

TEST_F(MBMReaderTest, SensorThatCannotBeReadKeepsItsFigure) {
  PublishTable(Machine);
  TMBMReader Reader(Names);
  ASSERT_TRUE(Reader.ReadMBM());
  std::vector<TSensorReading> Asleep = Machine;
  Asleep[3].Value.reset();
  Asleep[0].Value = 60;
  PublishTable(Asleep);
  ASSERT_TRUE(Reader.ReadMBM());
  EXPECT_EQ(Reader.MBMTemps()[0], 60);
  EXPECT_EQ(Reader.MBMTemps()[3], 38);
}

TEST_F(MBMReaderTest, TableBeingWrittenLeavesTheRecord) {
  PublishTable(Machine);
  Data->Bytes()[SensorBlock::TableAt + 8] |= 1;  // a writer at work for good
  Record.Temp[0] = 33;
  Names.LibraryPath = "/nonexistent/MBMStarter.so";
  TMBMReader Reader(Names);
  EXPECT_FALSE(Reader.ReadMBM());
  Reader.MBMStep(Record);
  Reader.MBMStep(Record);
  EXPECT_EQ(Record.Temp[0], 33);
}

TEST(MBMNamesTest, BlocksAreThisUsersByDefault) {
  const TMBMNames Names;
  EXPECT_EQ(Names.InfoBlock, "$M$B$M$5$I$." + std::to_string(::geteuid()));
  EXPECT_EQ(Names.DataBlock, "$M$B$M$5$D$." + std::to_string(::geteuid()));
}

TEST(MBMLibraryCandidates, BesideTheExecutableFirstThenTheInstalledLibraryFolders) {
  const std::vector<std::string> Paths = MBMLibraryCandidates("/usr/bin/");
  ASSERT_GE(Paths.size(), 2u);
  EXPECT_EQ(Paths.front(), "/usr/bin/MBMStarter.so");
  EXPECT_EQ(Paths.back(), "/usr/bin/../lib/dravel/MBMStarter.so");
  if (Paths.size() == 3) {
    EXPECT_EQ(Paths[1].rfind("/usr/bin/../lib/", 0), 0u);
    EXPECT_NE(Paths[1].find("-linux-"), std::string::npos) << Paths[1];
    EXPECT_TRUE(Paths[1].ends_with("/dravel/MBMStarter.so"));
  }
}

TEST(MBMLibraryCandidates, AnUnknownExecutableFolderLeavesTheLoadersOwnSearch) {
  EXPECT_EQ(MBMLibraryCandidates(""), std::vector<std::string>{"MBMStarter.so"});
}

}  // namespace
}  // namespace dravel
