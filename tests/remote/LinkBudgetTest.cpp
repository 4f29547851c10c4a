#include "remote/LinkBudget.h"

#include <gtest/gtest.h>

#include <chrono>

namespace dravel {
namespace {

using namespace std::chrono_literals;

class Budget : public ::testing::Test {
 protected:
  // Answers every request offered on Account at Period intervals for Span, each costing
  // Cost (a refused one is not read, so costs nothing); returns how many were answered.
  int Serve(TLinkBudget::TAccount& Account, std::chrono::microseconds Period,
            std::chrono::milliseconds Span, std::chrono::microseconds Cost) {
    int Answered = 0;
    for (const TBudgetTime End = Now + Span; Now < End; Now += Period) {
      const bool May = Limits.MayAnswer(Account, Now);
      if (May) Limits.Charge(Account, Cost, true);
      Answered += May;
    }
    return Answered;
  }

  TBudgetTime Now = TBudgetClock::now();
  TLinkBudget Limits{TLinkLimits{}, Now};
};

TEST_F(Budget, AClientAskingEveryMillisecondIsAnsweredEveryTime) {
  auto Account = Limits.Open(Now);
  EXPECT_EQ(Serve(Account, 1000us, 3000ms, 5us), 3000);
}

TEST_F(Budget, AFloodIsHeldToAThousandRepliesASecondAfterItsBurst) {
  auto Account = Limits.Open(Now);
  const int Answered = Serve(Account, 10us, 2000ms, 1us);
  EXPECT_GE(Answered, 2000);
  EXPECT_LE(Answered, 2000 + 100 + 1);
}

TEST_F(Budget, ExpensiveAnswersAreHeldToOnePercentOfAProcessor) {
  auto Account = Limits.Open(Now);
  // 100 us each: at most 10 ms of every second, after the 20 ms burst.
  const int Answered = Serve(Account, 1000us, 4000ms, 100us);
  EXPECT_GE(Answered, 400);
  EXPECT_LE(Answered, 400 + 200 + 2);
}

TEST_F(Budget, AllConnectionsTogetherGetAQuarterOfAProcessor) {
  std::vector<TLinkBudget::TAccount> Accounts;
  for (int I = 0; I < 100; ++I) Accounts.push_back(Limits.Open(Now));
  // A hundred clients each within their own budget (5 ms a second) ask 500 ms a second.
  int Answered = 0;
  const TBudgetTime End = Now + 2000ms;
  for (; Now < End; Now += 10ms) {
    for (auto& Account : Accounts) {
      const bool May = Limits.MayAnswer(Account, Now);
      if (May) Limits.Charge(Account, 50us, true);
      Answered += May;
    }
  }
  const double Spent = static_cast<double>(Answered) * 50e-6;
  EXPECT_GE(Spent, 0.45);
  EXPECT_LE(Spent, 0.25 * 2 + 0.05 + 0.01);
  EXPECT_EQ(Limits.Charged(), std::chrono::microseconds(50) * Answered);
}

TEST_F(Budget, AConnectionInDebtRestsUntilItIsPaidOff) {
  auto Account = Limits.Open(Now);
  ASSERT_TRUE(Limits.MayAnswer(Account, Now));
  Limits.Charge(Account, 40ms, true);  // 20 ms burst, so 20 ms owed at 10 ms a second
  EXPECT_FALSE(Limits.MayAnswer(Account, Now));
  const auto Rest = Limits.Rest(Account);
  EXPECT_GE(Rest, 1900ms);
  EXPECT_LE(Rest, 2100ms);
  EXPECT_FALSE(Limits.MayAnswer(Account, Now + Rest - 50ms));
  EXPECT_TRUE(Limits.MayAnswer(Account, Now + Rest));
}

TEST_F(Budget, ARestIsNeverShorterThanTheShortestRest) {
  auto Account = Limits.Open(Now);
  EXPECT_EQ(Limits.Rest(Account), Limits.Limits().ShortestRest);
}

TEST(ThreadCpu, ThreadTimeGrowsWithWorkDone) {
  const TCpuTime Before = ThreadCpuTime();
  volatile unsigned Sink = 0;
  for (unsigned I = 0; I < 20000000; ++I) Sink = Sink + I;
  EXPECT_GT(ThreadCpuTime() - Before, 1ms);
}

}  // namespace
}  // namespace dravel
