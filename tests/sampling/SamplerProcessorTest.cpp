#include <gtest/gtest.h>

#include "SamplerTestSupport.h"

namespace dravel::test {
namespace {

using TInstances = std::vector<std::pair<std::u16string, std::uint64_t>>;

class ProcessorBlockTest : public ::testing::Test {
 protected:
  // Serves the processor block for one pass and runs it.
  void PassAt(std::int64_t Time, const TInstances& Instances) {
    Rig.PerfData.Serve("238", ProcessorBlock(Time, Instances));
    Rig.Pass(Only(&TActiveFamilies::Proc));
  }
  const float* Usage() const { return Rig.Shell.Data.ProcUsage; }

  TSamplerRig Rig;
};

TEST_F(ProcessorBlockTest, OneProcessorFillsItsSlotAndTheOverallFigure) {
  PassAt(1000, {{u"0", 100}, {u"_Total", 100}});
  PassAt(2000, {{u"0", 850}, {u"_Total", 850}});
  EXPECT_FLOAT_EQ(Usage()[1], 25.0f);
  EXPECT_FLOAT_EQ(Usage()[0], 25.0f);
  EXPECT_EQ(Usage()[2], 0.0f);
}

TEST_F(ProcessorBlockTest, TwoProcessorsFillTheFirstTwoSlots) {
  PassAt(1000, {{u"0", 0}, {u"1", 0}, {u"_Total", 0}});
  PassAt(2000, {{u"0", 900}, {u"1", 300}, {u"_Total", 600}});
  EXPECT_FLOAT_EQ(Usage()[1], 10.0f);
  EXPECT_FLOAT_EQ(Usage()[2], 70.0f);
  EXPECT_FLOAT_EQ(Usage()[0], 40.0f);
  EXPECT_EQ(Usage()[3], 0.0f);
}

TEST_F(ProcessorBlockTest, SixProcessorsFillFourSlotsAndPassOverTheRest) {
  TInstances First, Second;
  for (int K = 0; K < 6; ++K) {
    const std::u16string Name(1, static_cast<char16_t>(u'0' + K));
    First.push_back({Name, 0});
    Second.push_back({Name, static_cast<std::uint64_t>(100 * K)});
  }
  First.push_back({u"_Total", 0});
  Second.push_back({u"_Total", 500});
  PassAt(1000, First);
  PassAt(2000, Second);
  EXPECT_FLOAT_EQ(Usage()[1], 100.0f);
  EXPECT_FLOAT_EQ(Usage()[2], 90.0f);
  EXPECT_FLOAT_EQ(Usage()[3], 80.0f);
  EXPECT_FLOAT_EQ(Usage()[4], 70.0f);
  EXPECT_FLOAT_EQ(Usage()[0], 50.0f);
}

class TotalPositionTest : public ProcessorBlockTest,
                          public ::testing::WithParamInterface<std::size_t> {};

TEST_P(TotalPositionTest, TotalIsTheOverallFigureWhereverItStands) {
  TInstances First{{u"0", 0}, {u"1", 0}};
  TInstances Second{{u"0", 200}, {u"1", 400}};
  First.insert(First.begin() + static_cast<std::ptrdiff_t>(GetParam()), {u"_Total", 0});
  Second.insert(Second.begin() + static_cast<std::ptrdiff_t>(GetParam()), {u"_Total", 300});
  PassAt(1000, First);
  PassAt(2000, Second);
  EXPECT_FLOAT_EQ(Usage()[0], 70.0f);
  EXPECT_FLOAT_EQ(Usage()[1], 80.0f);
  EXPECT_FLOAT_EQ(Usage()[2], 60.0f);
  EXPECT_EQ(Usage()[3], 0.0f);
}

INSTANTIATE_TEST_SUITE_P(FirstMiddleLast, TotalPositionTest, ::testing::Values(0u, 1u, 2u));

TEST_F(ProcessorBlockTest, TotalIsRecognisedByItsBeginningWithCase) {
  PassAt(1000, {{u"0", 0}, {u"_total", 0}, {u"_Total#1", 0}});
  PassAt(2000, {{u"0", 100}, {u"_total", 200}, {u"_Total#1", 300}});
  EXPECT_FLOAT_EQ(Usage()[1], 90.0f);
  EXPECT_FLOAT_EQ(Usage()[2], 80.0f);  // "_total" is a processor like any other
  EXPECT_FLOAT_EQ(Usage()[0], 70.0f);
}

TEST_F(ProcessorBlockTest, EqualTimeStampsWriteNothingButMoveThePreviousValues) {
  PassAt(1000, {{u"0", 0}, {u"_Total", 0}});
  PassAt(2000, {{u"0", 500}, {u"_Total", 500}});
  PassAt(2000, {{u"0", 900}, {u"_Total", 900}});
  EXPECT_FLOAT_EQ(Usage()[1], 50.0f);
  EXPECT_FLOAT_EQ(Usage()[0], 50.0f);
  PassAt(3000, {{u"0", 1000}, {u"_Total", 1000}});
  EXPECT_FLOAT_EQ(Usage()[1], 90.0f);  // measured from the values of the still pass
  EXPECT_FLOAT_EQ(Usage()[0], 90.0f);
}

TEST_F(ProcessorBlockTest, UsageIsNotClamped) {
  PassAt(1000, {{u"0", 0}, {u"_Total", 0}});
  PassAt(2000, {{u"0", 1100}, {u"_Total", 1100}});
  EXPECT_FLOAT_EQ(Usage()[1], -10.0f);
}

TEST_F(ProcessorBlockTest, InstanceWithoutTheProcessorTimeCounterWritesNothing) {
  TPerfBlockDesc Block = ProcessorBlock(1000, {{u"0", 0}, {u"_Total", 0}});
  Block.Objects[0].Counters[0].NameIndex = 7;
  Rig.Shell.Data.ProcUsage[0] = 12.0f;
  Rig.PerfData.Serve("238", Block);
  Rig.Pass(Only(&TActiveFamilies::Proc));
  EXPECT_EQ(Rig.Shell.Data.ProcUsage[0], 12.0f);
  EXPECT_EQ(Rig.Renders, 1);
}

class ExclusionTest : public ProcessorBlockTest {
 protected:
  // Two processors, fully busy over 1000 time units between the two passes; each process
  // has used Used[i] of those units by the second pass.
  void TwoPasses(const std::vector<std::u16string>& Names, const std::vector<std::uint64_t>& Used) {
    for (int Pass = 0; Pass < 2; ++Pass) {
      std::vector<TPerfInstanceDesc> Processes;
      for (std::size_t I = 0; I < Names.size(); ++I) {
        Processes.push_back({Names[I], {5000 + (Pass == 1 ? Used[I] : 0)}});
      }
      Rig.PerfData.Serve("230",
                         InstanceBlock(230, {{6, 8, PerfCounterType::Timer100ns}}, Processes));
      PassAt(1000 * (Pass + 1), {{u"0", 0}, {u"1", 0}, {u"_Total", 0}});
    }
  }
};

TEST_F(ExclusionTest, EmptyTextDoesNotQueryTheProcesses) {
  TwoPasses({u"busy"}, {1000});
  EXPECT_EQ(Rig.PerfData.CallsFor("230"), 0u);
  EXPECT_FLOAT_EQ(Usage()[0], 100.0f);
}

TEST_F(ExclusionTest, OneProcessBusyOnOneOfTwoProcessorsLowersTheFigureByHalf) {
  Rig.Sampler.SetExcludeText("busy");
  TwoPasses({u"idle", u"busy"}, {0, 1000});
  EXPECT_FLOAT_EQ(Usage()[0], 50.0f);
  EXPECT_FLOAT_EQ(Usage()[1], 100.0f);  // the processors themselves are left alone
}

TEST_F(ExclusionTest, TwoNamesMatchAnywhereInAnyLetterCase) {
  Rig.Sampler.SetExcludeText("foo, BAR");
  TwoPasses({u"xFoOx", u"bar", u"other"}, {200, 400, 600});
  EXPECT_FLOAT_EQ(Usage()[0], 70.0f);
}

TEST_F(ExclusionTest, OnlyTheFirstTenMatchesAreSubtracted) {
  Rig.Sampler.SetExcludeText("pa,pb,pc,pd,pe,pf,pg,ph,pi,pj,pk");
  std::vector<std::u16string> Names;
  for (char16_t C = u'a'; C <= u'k'; ++C) Names.push_back(std::u16string(u"p") + C);
  TwoPasses(Names, std::vector<std::uint64_t>(11, 20));
  EXPECT_FLOAT_EQ(Usage()[0], 90.0f);
}

TEST_F(ExclusionTest, EntryOfTwentyCharactersMatchesTheFullProcessName) {
  Rig.Sampler.SetExcludeText("shell-calendar-serve");
  TwoPasses({u"gnome-shell-calendar-server", u"gnome-shell-cal"}, {1000, 400});
  EXPECT_FLOAT_EQ(Usage()[0], 50.0f);
}

TEST_F(ExclusionTest, ProcessMatchingTwoEntriesIsSubtractedTwice) {
  Rig.Sampler.SetExcludeText("foo,oo");
  TwoPasses({u"foo"}, {200});
  EXPECT_FLOAT_EQ(Usage()[0], 80.0f);
}

TEST_F(ExclusionTest, EmptyAndBlankEntriesMatchNothing) {
  Rig.Sampler.SetExcludeText(",\" \",");
  TwoPasses({u"busy"}, {1000});
  EXPECT_FLOAT_EQ(Usage()[0], 100.0f);
  EXPECT_EQ(Rig.PerfData.CallsFor("230"), 2u);
}

TEST_F(ExclusionTest, BlockWithoutProcessorInstancesSubtractsNothing) {
  Rig.Sampler.SetExcludeText("busy");
  Rig.PerfData.Serve("230",
                     InstanceBlock(230, {{6, 8, PerfCounterType::Timer100ns}}, {{u"busy", {7}}}));
  PassAt(1000, {{u"_Total", 0}});
  PassAt(2000, {{u"_Total", 500}});
  EXPECT_FLOAT_EQ(Usage()[0], 50.0f);
}

}  // namespace
}  // namespace dravel::test
