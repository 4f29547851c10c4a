#include "DravelfmtLabels.h"

#include <gtest/gtest.h>

#include <sstream>

#include "DravelfmtRecord.h"

namespace dravel {
namespace {

TEST(StripMarkupTest, TagsGoLiteralLessThanStays) {
  EXPECT_EQ(StripMarkup("<B>bold</B> <C:$8080FF>x</C><S:3>y</S>"), "bold xy");
  EXPECT_EQ(StripMarkup("a <<> b"), "a < b");
  EXPECT_EQ(StripMarkup("1 > 0"), "1 > 0");
  EXPECT_EQ(StripMarkup("open <B"), "open ");
}

class RecordModeTest : public ::testing::Test {
 protected:
  std::string Run(const std::string& Text, const std::string& Bytes, TAlignment Alignment,
                  int& Status) {
    TRawDataShell Shell;
    const TLabelText Labels(Shell, TFormatSettings{}, Text, Alignment);
    std::istringstream In(Bytes);
    std::string Out;
    Status = RunRecord(
        "-", In, Shell,
        [&] {
          for (const std::string& Line : Labels.Render()) Out += Line + "\n";
        },
        Err);
    return Out;
  }
  static std::string RecordText(const TRawData& Data) {
    const auto Bytes = RecordBytes(Data);
    return std::string(reinterpret_cast<const char*>(Bytes.data()), Bytes.size());
  }
  std::ostringstream Err;
};

TEST_F(RecordModeTest, EachLineAgainstTheRecord) {
  TRawData Data{};
  Data.Marker = 'W';
  Data.Threads = 321;
  Data.ProcUsage[0] = 9.5f;
  int Status = -1;
  EXPECT_EQ(Run("T <NAME=Threads SIZE=5>\r\n<NAME=ProcUsage LEADZERO>", RecordText(Data),
                TAlignment::Right, Status),
            "T   321\n010\n");
  EXPECT_EQ(Status, 0);
  EXPECT_EQ(Err.str(), "");
}

TEST_F(RecordModeTest, DriveSlotsAreTheRecordsOwn) {
  TRawData Data{};
  Data.Marker = 'W';
  Data.Drives[1].Letter = 'D';
  Data.Drives[1].FreeMB = 2048;
  int Status = -1;
  // Slot 2 holds D in the record: shown at once, nothing claimed over it.
  EXPECT_EQ(Run("<NAME=DriveSpace FORMAT=\"D FREE\">", RecordText(Data), TAlignment::Left,
                Status),
            "2,048\n");
  EXPECT_EQ(Status, 0);
}

TEST_F(RecordModeTest, NotARecord) {
  int Status = -1;
  EXPECT_EQ(Run("x", std::string(311, 'W'), TAlignment::Left, Status), "");
  EXPECT_EQ(Status, 2);
  EXPECT_NE(Err.str().find("exactly 312 bytes"), std::string::npos);
  Err.str("");
  EXPECT_EQ(Run("x", std::string(400, 'W'), TAlignment::Left, Status), "");
  EXPECT_EQ(Status, 2);
  Err.str("");
  EXPECT_EQ(Run("x", std::string(312, 'V'), TAlignment::Left, Status), "");
  EXPECT_EQ(Status, 2);
  EXPECT_NE(Err.str().find("does not begin with \"W\""), std::string::npos);
}

TEST_F(RecordModeTest, UnreadableFile) {
  TRawDataShell Shell;
  std::istringstream In;
  const int Status = RunRecord("/nonexistent/dir/record", In, Shell, [] {}, Err);
  EXPECT_EQ(Status, 2);
  EXPECT_NE(Err.str().find("cannot read /nonexistent/dir/record"), std::string::npos);
}

}  // namespace
}  // namespace dravel
