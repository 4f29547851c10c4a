// The dravelfmt program itself, run against record files.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "formatter/formatter.h"

namespace dravel {
namespace {

struct TRun {
  int Status;
  std::string Out;
};

// Runs dravelfmt with Arguments (already quoted for the shell) in a UTF-8 locale.
TRun RunDravelfmt(const std::string& Arguments) {
  const std::string Command =
      "LC_ALL=C.UTF-8 '" DRAVELFMT_PATH "' " + Arguments + " 2>/dev/null";
  FILE* Pipe = popen(Command.c_str(), "r");
  if (Pipe == nullptr) return {-1, {}};
  std::string Out;
  char Buffer[4096];
  for (std::size_t N; (N = fread(Buffer, 1, sizeof Buffer, Pipe)) > 0;) Out.append(Buffer, N);
  const int Status = pclose(Pipe);
  return {WIFEXITED(Status) ? WEXITSTATUS(Status) : -1, Out};
}

class DravelfmtCommandTest : public ::testing::Test {
 protected:
  DravelfmtCommandTest() {
    Path = std::filesystem::temp_directory_path() /
           ("dravelfmt-test-" + std::to_string(getpid()) + ".rec");
  }
  ~DravelfmtCommandTest() override { std::filesystem::remove(Path); }

  void Write(const TRawData& Data) {
    std::ofstream File(Path, std::ios::binary);
    const auto Bytes = RecordBytes(Data);
    File.write(reinterpret_cast<const char*>(Bytes.data()), Bytes.size());
  }

  std::filesystem::path Path;
};

TEST_F(DravelfmtCommandTest, EvaluatesEachLineAgainstTheRecordFile) {
  TRawData Data{};
  Data.Marker = 'W';
  Data.Threads = 321;
  Data.Temp[0] = 46;
  WriteShortName(Data.CompName, "BUILDHOST");
  Write(Data);
  const TRun Run = RunDravelfmt("--right --record '" + Path.string() +
                                "' '<B><NAME=Threads SIZE=5></B>\n<NAME=Temp1 FORMAT=\"F\">"
                                "\xC2\xBA <NAME=CompName>'");
  EXPECT_EQ(Run.Status, 0);
  EXPECT_EQ(Run.Out, "<B>  321</B>\n114.8\xC2\xBA BUILDHOST\n");
}

TEST_F(DravelfmtCommandTest, PlainOutputFromStandardInput) {
  TRawData Data{};
  Data.Marker = 'W';
  Data.Processes = 42;
  Write(Data);
  const TRun Run =
      RunDravelfmt("--plain --record - '<C:Red>P <NAME=Processes></C>' < '" + Path.string() + "'");
  EXPECT_EQ(Run.Status, 0);
  EXPECT_EQ(Run.Out, "P 42\n");
}

TEST_F(DravelfmtCommandTest, InputCharacterOutsideTheCodePageIsOneQuestionMark) {
  TRawData Data{};
  Data.Marker = 'W';
  const std::uint8_t Addresses[2][4] = {{10, 0, 0, 5}, {192, 168, 1, 20}};
  std::memcpy(Data.IPAddr, Addresses, sizeof Addresses);
  Write(Data);
  // An arrow taken as "->" would end the tag at its ">".
  const TRun Run = RunDravelfmt("--record '" + Path.string() +
                                "' '\xE2\x86\x92<NAME=IPAddr FORMAT=\" \xE2\x86\x92 \">\xC3\xA9'");
  EXPECT_EQ(Run.Status, 0);
  EXPECT_EQ(Run.Out, "?10.0.0.5 ? 192.168.1.20\xC3\xA9\n");
}

TEST_F(DravelfmtCommandTest, ListSensorsExitsWithZeroAndTakesNoOtherMode) {
  EXPECT_EQ(RunDravelfmt("--list-sensors").Status, 0);
  EXPECT_EQ(RunDravelfmt("--list-sensors --plain").Status, 2);
  EXPECT_EQ(RunDravelfmt("--adapters eth0 --record '" + Path.string() + "' x").Status, 2);
}

TEST_F(DravelfmtCommandTest, BadRecordsExitWithTwo) {
  TRawData Data{};
  Data.Marker = 'X';
  Write(Data);
  EXPECT_EQ(RunDravelfmt("--record '" + Path.string() + "' x").Status, 2);
  std::filesystem::resize_file(Path, 100);
  EXPECT_EQ(RunDravelfmt("--record '" + Path.string() + "' x").Status, 2);
  EXPECT_EQ(RunDravelfmt("--record /nonexistent/file x").Status, 2);
  EXPECT_EQ(RunDravelfmt("--no-such-option x").Status, 2);
}

}  // namespace
}  // namespace dravel
