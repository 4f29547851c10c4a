// The dravelfmt program itself, run against record files.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
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

// Runs dravelfmt with Arguments (already quoted for the shell) in a UTF-8 locale, or in
// Locale; with ErrorsToo, standard error comes along on the output.
TRun RunDravelfmt(const std::string& Arguments, bool ErrorsToo = false,
                  const std::string& Locale = "C.UTF-8") {
  const std::string Command = "LC_ALL=" + Locale + " '" DRAVELFMT_PATH "' " + Arguments +
                              (ErrorsToo ? " 2>&1 >/dev/null" : " 2>/dev/null");
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

TEST_F(DravelfmtCommandTest, CommandLineErrorsAreOneLineAndStatusTwo) {
  for (const char* Arguments : {"--no-such-option x", "--i3bar --json x", "--waybar --i3bar x",
                                "--json --plain x", "--i3bar --class c x", "--count"}) {
    const TRun Run = RunDravelfmt(Arguments, true);
    EXPECT_EQ(Run.Status, 2) << Arguments;
    EXPECT_TRUE(Run.Out.starts_with("dravelfmt: ")) << Run.Out;
    EXPECT_EQ(Run.Out.find('\n'), Run.Out.size() - 1) << Run.Out;
  }
  // The authenticated link belongs to --connect alone.
  EXPECT_EQ(RunDravelfmt("--secure '<NAME=Threads>'", true).Out,
            "dravelfmt: --secure has no use in this mode\n");
  EXPECT_EQ(RunDravelfmt("--record '" + Path.string() + "' --secure x").Status, 2);
  EXPECT_EQ(RunDravelfmt("--list-sensors --secure").Status, 2);
  EXPECT_EQ(RunDravelfmt("--i3bar --json x", true).Out,
            "dravelfmt: choose one of --i3bar, --waybar and --json (see dravelfmt --help)\n");
}

TEST_F(DravelfmtCommandTest, RecordRefreshesInEveryOutputMode) {
  TRawData Data{};
  Data.Marker = 'W';
  Data.Threads = 7;
  Write(Data);
  const std::string Record = "--record '" + Path.string() + "' --count 3 --interval 1 ";
  const auto Lines = [](const std::string& Out) {
    return std::count(Out.begin(), Out.end(), '\n');
  };
  TRun Run = RunDravelfmt(Record + "'T <NAME=Threads>'");
  EXPECT_EQ(Run.Out, "T 7\nT 7\nT 7\n");
  Run = RunDravelfmt(Record + "--i3bar 'T <NAME=Threads>'");
  EXPECT_EQ(Run.Status, 0);
  EXPECT_EQ(Lines(Run.Out), 2 + 3);
  EXPECT_NE(Run.Out.find("[{\"full_text\":\"T 7\",\"name\":\"line1\"}],\n"), std::string::npos);
  Run = RunDravelfmt(Record + "--waybar --percentage '<NAME=Threads>0' 'T <NAME=Threads>'");
  EXPECT_EQ(Lines(Run.Out), 3);
  EXPECT_NE(Run.Out.find("\"percentage\":70}"), std::string::npos);
  Run = RunDravelfmt(Record + "--json 'T <NAME=Threads>'");
  EXPECT_EQ(Lines(Run.Out), 3);
  EXPECT_TRUE(Run.Out.starts_with("{\"lines\":[\"T 7\"],\"time\":\"")) << Run.Out;
}

TEST_F(DravelfmtCommandTest, BarsAndGraphsReachTheOutputInTheLocalesEncoding) {
  TRawData Data{};
  Data.Marker = 'W';
  Data.ProcUsage[0] = 37.4f;
  Data.Threads = 7;
  Write(Data);
  const std::string Record = "--record '" + Path.string() + "' --count 2 --interval 1 ";
  const std::string Text = "'CPU <NAME=ProcUsage BAR=10>|<NAME=Threads GRAPH=3>'";
  EXPECT_EQ(RunDravelfmt(Record + Text).Out,
            "CPU \u2588\u2588\u2588\u258A      |  \u2588\n"
            "CPU \u2588\u2588\u2588\u258A      | \u2588\u2588\n");
  // The C locale's ASCII has no blocks.
  EXPECT_EQ(RunDravelfmt(Record + Text, false, "C").Out,
            "CPU ####      |  #\nCPU ####      | ##\n");
  const TRun Json = RunDravelfmt(Record + "--json " + Text, false, "C");
  EXPECT_NE(Json.Out.find("\"CPU \u2588\u2588\u2588\u258A      |  \u2588\"]"), std::string::npos)
      << Json.Out;
}

}  // namespace
}  // namespace dravel
