// Random lines through the evaluation and random chunks through record assembly: both
// always end, without a fault (this also runs under the sanitizers).
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <random>

#include "formatter/FormatterTestSupport.h"
#include "formatter/QarvMarkup.h"
#include "formatter/TagParser.h"

namespace dravel {
namespace {

constexpr int LineCount = 3000;
constexpr int ChunkRounds = 300;

// Pieces the lines are made of: tag syntax, attribute keywords and pattern tokens.
const std::array<std::string_view, 26> Pieces = {
    "<NAME=", "<name=", "<NAME= ", ">", "\"", " FORMAT=\"", "FORMAT=", " SIZE=", "SIZE=0",
    "CHAR=", "LEADZERO", "DECIMAL", "'", "*d*", "*H*", "dddddd", "hh:mm", "am/pm", "ampm",
    "c", "%", "b", "99999", "<B>", "2", " F"};
const std::array<std::string_view, 26> ItemNames = {
    "Temp1", "Temp2", "Temp3", "Fan1", "Fan2", "Fan3", "Uptime", "Threads", "Processes",
    "PageTotal", "PageUsed", "PageFree", "RAMTotal", "RAMUsed", "RAMFree", "ProcUsage",
    "NetRead", "NetWrite", "NetSumRead", "NetSumWrite", "IPAddr", "CompName", "UserName",
    "DateTime", "Blank", "DriveSpace"};

template <typename TList>
std::string_view Pick(const TList& List, std::mt19937& Random) {
  return List[std::uniform_int_distribution<std::size_t>(0, List.size() - 1)(Random)];
}

// Mostly tags of real items with random attributes, some loose pieces and stray bytes.
std::string RandomLine(std::mt19937& Random) {
  std::uniform_int_distribution<int> Count(0, 8);
  std::uniform_int_distribution<int> Kind(0, 9);
  std::string Line;
  for (int I = Count(Random); I > 0; --I) {
    const int K = Kind(Random);
    if (K == 0) {
      Line += static_cast<char>(Random());
    } else if (K <= 3) {
      Line += Pick(Pieces, Random);
    } else {
      Line += std::string(K == 4 ? "<name=" : "<NAME=") + std::string(Pick(ItemNames, Random));
      for (int A = Count(Random) / 2; A > 0; --A) Line += Pick(Pieces, Random);
      if (K != 5) Line += '>';
    }
  }
  return Line;
}

void FillRandom(TRawData& Data, std::mt19937& Random) {
  std::array<std::uint8_t, RawDataSize> Bytes;
  for (auto& B : Bytes) B = static_cast<std::uint8_t>(Random());
  LoadRecord(Data, Bytes);
}

bool HasOpener(std::string_view Line) {
  return UpperCaseAscii(Line).find("<NAME=") != std::string::npos;
}

TEST(EvaluationFuzzTest, RandomLinesAlwaysEnd) {
  std::mt19937 Random(20260101);
  testing::TEngine Engine;
  int Changed = 0;
  for (int Round = 0; Round < LineCount; ++Round) {
    if (Round % 50 == 0) FillRandom(Engine.Data(), Random);
    const std::string Line = RandomLine(Random);
    const std::string Shown =
        Engine.Show(Line, Round % 2 == 0 ? TAlignment::Left : TAlignment::Right);
    if (!HasOpener(Line)) {
      EXPECT_EQ(Shown, Line);
    }
    if (Shown != Line) ++Changed;
    // Each tag adds at most the fill bound and a bounded value.
    const auto Tags = static_cast<std::size_t>(std::count(Line.begin(), Line.end(), '>'));
    EXPECT_LE(Shown.size(), Line.size() * 64 + Tags * (MaxFill + 64)) << Line;
  }
  // The lines are made to hold real tags; a good share of them must have been evaluated.
  EXPECT_GT(Changed, LineCount / 4);
}

// Bar and graph keywords with good and bad numbers, and pieces of tokens and markup.
const std::array<std::string_view, 20> GaugePieces = {
    " BAR=", " GRAPH=", " MAX=", "bar=", "0", "7", "512", "99999", "x", ".", "1.5", "-",
    "<~B:1:*:3>", "<~G:", ":*:", ",", "<~", "<B>", "<<>", " FORMAT=\"%\""};

std::string RandomGaugeLine(std::mt19937& Random) {
  std::uniform_int_distribution<int> Count(0, 6);
  std::string Line;
  for (int I = Count(Random); I >= 0; --I) {
    Line += std::string("<NAME=") + std::string(Pick(ItemNames, Random));
    for (int A = Count(Random); A > 0; --A) Line += Pick(GaugePieces, Random);
    if (Count(Random) > 0) Line += '>';
    if (Count(Random) == 0) Line += Pick(GaugePieces, Random);
  }
  return Line;
}

// Random tags asking for bars and graphs, over refreshes of random records: every token a
// line's history gives back is within its bounds, and the rest of the line is kept.
TEST(EvaluationFuzzTest, RandomGaugeLinesResolveToTokensWithinBounds) {
  std::mt19937 Random(20260315);
  testing::TEngine Engine;
  int Tokens = 0;
  for (int Round = 0; Round < LineCount / 10; ++Round) {
    const std::string Line = RandomGaugeLine(Random);
    Engine.Registry.DecideIfActive(Line);
    TGaugeHistory History;
    for (int Refresh = 0; Refresh < 8; ++Refresh) {
      FillRandom(Engine.Data(), Random);
      const std::string Shown = Engine.Registry.Evaluate(Line);
      const std::string Resolved = History.Advance(Shown);
      std::string ShownText;
      std::string ResolvedText;
      SplitAtGauges(Shown, [&](std::string_view Plain) { ShownText += Plain; }, [](const TGaugeToken&) {});
      SplitAtGauges(
          Resolved, [&](std::string_view Plain) { ResolvedText += Plain; },
          [&](const TGaugeToken& Token) {
            ++Tokens;
            EXPECT_GE(Token.Cells, 1u);
            EXPECT_LE(Token.Cells, MaxGaugeCells);
            EXPECT_GE(Token.Values.size(), 1u);
            EXPECT_LE(Token.Values.size(), Token.Kind == TGaugeKind::Bar ? 1u : Token.Cells);
            ASSERT_TRUE(Token.Top);
            EXPECT_TRUE(std::isfinite(*Token.Top));
            const double Share = GaugeShare(Token.Values.back(), *Token.Top);
            EXPECT_TRUE(Share >= 0 && Share <= 1);
          });
      EXPECT_EQ(ResolvedText, ShownText) << Line;
    }
  }
  EXPECT_GT(Tokens, LineCount / 10);  // a good share of the lines drew something
}

std::vector<std::uint8_t> RecordWithSerial(std::uint32_t Serial) {
  std::vector<std::uint8_t> Bytes(RawDataSize, 0);
  Bytes[0] = 'W';
  std::memcpy(&Bytes[4], &Serial, sizeof Serial);
  return Bytes;
}

TEST(AssemblyFuzzTest, GoodStreamCutAnywhereGivesEveryRecordOnce) {
  std::mt19937 Random(7);
  std::vector<std::uint8_t> Stream;
  constexpr std::uint32_t Records = 200;
  for (std::uint32_t Serial = 0; Serial < Records; ++Serial) {
    const auto Record = RecordWithSerial(Serial);
    Stream.insert(Stream.end(), Record.begin(), Record.end());
  }
  TRawDataShell Shell;
  std::vector<std::uint32_t> Seen;
  Shell.OnRecord = [&Seen](TRawDataShell& Sender) {
    std::uint32_t Serial;
    std::memcpy(&Serial, &RecordBytes(Sender.Data)[4], sizeof Serial);
    Seen.push_back(Serial);
  };
  std::uniform_int_distribution<std::size_t> ChunkSize(0, 1024);
  for (std::size_t At = 0; At < Stream.size();) {
    const std::size_t Count = std::min(ChunkSize(Random), Stream.size() - At);
    Shell.AddBytes(Stream.data() + At, Count);
    At += Count;
  }
  ASSERT_EQ(Seen.size(), Records);
  for (std::uint32_t Serial = 0; Serial < Records; ++Serial) EXPECT_EQ(Seen[Serial], Serial);
  EXPECT_EQ(Shell.PendingBytes(), 0u);
}

TEST(AssemblyFuzzTest, RandomChunksAlwaysEnd) {
  std::mt19937 Random(11);
  std::uniform_int_distribution<std::size_t> ChunkSize(0, 1024);
  std::uniform_int_distribution<int> Byte(0, 255);
  TRawDataShell Shell;
  std::size_t Fired = 0;
  Shell.OnRecord = [&Fired](TRawDataShell& Sender) {
    EXPECT_EQ(Sender.Data.Marker, 'W');
    ++Fired;
  };
  for (int Round = 0; Round < ChunkRounds; ++Round) {
    std::vector<std::uint8_t> Chunk(ChunkSize(Random));
    for (auto& B : Chunk) {
      const int Value = Byte(Random);
      B = static_cast<std::uint8_t>(Value < 16 ? 'W' : Value);  // markers are frequent
    }
    Shell.AddBytes(Chunk.data(), Chunk.size());
    EXPECT_LT(Shell.PendingBytes(), RawDataSize);
  }
  EXPECT_GT(Fired, 0u);
}

}  // namespace
}  // namespace dravel
