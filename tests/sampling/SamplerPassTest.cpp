#include <gtest/gtest.h>

#include <cstring>

#include "SamplerTestSupport.h"

namespace dravel::test {
namespace {

using namespace PerfLayout;

TEST(SamplerPassTest, PassMarksTheRecordAndEndsInTheRender) {
  TSamplerRig Rig;
  Rig.Pass(TActiveFamilies{});
  EXPECT_EQ(Rig.Shell.Data.Marker, 'W');
  EXPECT_EQ(Rig.Renders, 1);
  Rig.Pass(TActiveFamilies{}, true);
  EXPECT_EQ(Rig.Renders, 2);
}

TEST(SamplerPassTest, InactiveFamiliesAreNotGathered) {
  TSamplerRig Rig;
  Rig.Pass(TActiveFamilies{});
  EXPECT_TRUE(Rig.PerfData.Calls.empty());
  EXPECT_EQ(Rig.System.AddressCalls, 0);
  EXPECT_EQ(Rig.System.ComputerNameCalls, 0);
  EXPECT_EQ(Rig.Shell.Data.DateTime, 0.0);
  EXPECT_FALSE(Rig.MBM.MBMStarting());
  EXPECT_EQ(Rig.Sampler.PassCounter(), 9);
}

TEST(SamplerPassTest, QueryGrowsInStepsOfOneKilobyteAndRemembersItsSize) {
  TSamplerRig Rig;
  std::vector<TPerfInstanceDesc> Many;
  for (int I = 0; I < 60; ++I) Many.push_back({u"eth", {1, 2}});
  Rig.PerfData.Serve("638", InstanceBlock(638, {{264, 8}, {506, 8}}, Many));
  const std::size_t Needed = Rig.PerfData.Blocks["638"].size();
  Rig.Pass(Only(&TActiveFamilies::Network));
  ASSERT_GE(Rig.PerfData.Calls.size(), 2u);
  for (std::size_t I = 0; I < Rig.PerfData.Calls.size(); ++I) {
    EXPECT_EQ(Rig.PerfData.Calls[I].BufferSize, 1024 * (I + 1));
  }
  EXPECT_GE(Rig.PerfData.Calls.back().BufferSize, Needed);
  const std::size_t Settled = Rig.PerfData.Calls.back().BufferSize;
  Rig.PerfData.Calls.clear();
  Rig.Pass(Only(&TActiveFamilies::Network));
  ASSERT_EQ(Rig.PerfData.Calls.size(), 1u);
  EXPECT_EQ(Rig.PerfData.Calls[0].BufferSize, Settled);
}

// A source that never has enough room.
class TGreedySource : public IPerfDataSource {
 public:
  std::uint32_t QueryValue(std::string_view, std::span<std::uint8_t>, std::size_t&) override {
    ++Calls;
    return ErrorMoreData;
  }
  int Calls = 0;
};

TEST(SamplerPassTest, SourceThatAlwaysWantsMoreEndsInTheFailureHandling) {
  TRawDataShell Shell;
  TGreedySource Source;
  TFakeSystemInfo System;
  TMBMReader MBM(TMBMNames{"dravel-test-none-i", "dravel-test-none-d", "/nonexistent/lib.so"});
  TSampler Sampler(Shell, Source, System, MBM);
  EXPECT_THROW(Sampler.SamplePass(Only(&TActiveFamilies::Proc), false), TPerfDataError);
  EXPECT_GT(Source.Calls, 1);
}

TEST(SamplerPassTest, UnboundFailureIsThrownToTheCaller) {
  TSamplerRig Rig;  // no processor block served: the buffer stays zero
  EXPECT_THROW(Rig.Pass(Only(&TActiveFamilies::Proc)), TPerfDataError);
  EXPECT_EQ(Rig.Renders, 0);
}

// Corruptions of a valid processor block: (offset, new 32-bit value).
struct TCorruption {
  const char* What;
  std::size_t Offset;
  std::uint32_t Value;
};

class MalformedBlockTest : public ::testing::TestWithParam<TCorruption> {};

TEST_P(MalformedBlockTest, EndsInTheFailureHandlingWithoutRender) {
  TSamplerRig Rig;
  Rig.PerfData.Serve("238", ProcessorBlock(1000, {{u"0", 5}, {u"_Total", 5}}));
  auto& Bytes = Rig.PerfData.Blocks["238"];
  const std::size_t Object = DataBlockSize;
  const std::size_t Instance = Object + ObjectTypeSize + CounterDefinitionSize;
  const std::size_t At = GetParam().Offset;
  const std::size_t Where = At < 1000 ? At : At - 1000 + Instance;  // 1000+n: into the instance
  std::memcpy(&Bytes[Where], &GetParam().Value, 4);
  int Failures = 0;
  Rig.Sampler.OnPerfDataFailure = [&](const std::exception&) { ++Failures; };
  Rig.Pass(Only(&TActiveFamilies::Proc));
  EXPECT_EQ(Failures, 1);
  EXPECT_EQ(Rig.Renders, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Corruptions, MalformedBlockTest,
    ::testing::Values(
        TCorruption{"HeaderLengthBeyondBlock", BlockHeaderLength, 0x7FFFFFF0},
        TCorruption{"HeaderLengthTooSmall", BlockHeaderLength, 4},
        TCorruption{"DefinitionLengthBeyondBlock", DataBlockSize + ObjDefinitionLength, 0x10000},
        TCorruption{"CounterOffsetBeyondCounterBlock",
                    DataBlockSize + ObjectTypeSize + CtrCounterOffset, 4000},
        TCorruption{"CounterOffsetWrapsAround", DataBlockSize + ObjectTypeSize + CtrCounterOffset,
                    0xFFFFFFFC},
        TCorruption{"CounterDefinitionsBeyondBlock", DataBlockSize + ObjHeaderLength, 0xFFFFFF00},
        TCorruption{"InstanceCountBeyondBlock", DataBlockSize + ObjNumInstances, 100000},
        TCorruption{"InstanceLengthZero", 1000 + InstByteLength, 0},
        TCorruption{"NameOffsetBeyondBlock", 1000 + InstNameOffset, 0x80000000},
        TCorruption{"NameLengthBeyondBlock", 1000 + InstNameLength, 0xFFFFFFFF}),
    [](const auto& Info) { return std::string(Info.param.What); });

TEST(SamplerPassTest, TruncatedBlockEndsInTheFailureHandling) {
  TSamplerRig Rig;
  Rig.PerfData.Serve("2", TPerfBlockDesc{});
  Rig.PerfData.Blocks["2"].resize(60);
  bool Failed = false;
  Rig.Sampler.OnPerfDataFailure = [&](const std::exception&) { Failed = true; };
  Rig.Pass(Only(&TActiveFamilies::UTP));
  EXPECT_TRUE(Failed);
}

TEST(SamplerPassTest, ExcludeTextIsParsedIntoTheList) {
  TSamplerRig Rig;
  Rig.Sampler.SetExcludeText("a, \"b c\"");
  EXPECT_EQ(Rig.Sampler.ExcludeText(), "a, \"b c\"");
  EXPECT_EQ(Rig.Sampler.ExcludeList(), (std::vector<std::string>{"a", "b c"}));
}

}  // namespace
}  // namespace dravel::test
