#include "remote/LinkBudget.h"

#include <time.h>

#include <algorithm>

namespace dravel {

namespace {
using TSeconds = std::chrono::duration<double>;
}

TCpuTime ThreadCpuTime() {
  timespec Now{};
  ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &Now);
  return std::chrono::seconds(Now.tv_sec) + std::chrono::nanoseconds(Now.tv_nsec);
}

TTokenBucket::TTokenBucket(double PerSecond, double Capacity, TBudgetTime Now)
    : FPerSecond(PerSecond), FCapacity(Capacity), FTokens(Capacity), FLast(Now) {}

void TTokenBucket::Refill(TBudgetTime Now) {
  if (Now <= FLast) return;
  FTokens = std::min(FCapacity, FTokens + TSeconds(Now - FLast).count() * FPerSecond);
  FLast = Now;
}

std::chrono::nanoseconds TTokenBucket::UntilHolds(double Amount) const {
  if (FTokens >= Amount) return {};
  return std::chrono::ceil<std::chrono::nanoseconds>(TSeconds((Amount - FTokens) / FPerSecond));
}

TLinkBudget::TAccount::TAccount(const TLinkLimits& Limits, TBudgetTime Now)
    : FReplies(Limits.RepliesPerSecond, Limits.ReplyBurst, Now),
      FCpu(Limits.ConnectionCpuShare, Limits.ConnectionCpuBurst, Now) {}

TLinkBudget::TLinkBudget(const TLinkLimits& Limits, TBudgetTime Now)
    : FLimits(Limits), FTotalCpu(Limits.TotalCpuShare, Limits.TotalCpuBurst, Now) {}

bool TLinkBudget::MayAnswer(TAccount& Account, TBudgetTime Now) {
  Account.FReplies.Refill(Now);
  Account.FCpu.Refill(Now);
  FTotalCpu.Refill(Now);
  return Account.FReplies.Holds(1) && Account.FCpu.Holds(0) && FTotalCpu.Holds(0);
}

void TLinkBudget::Charge(TAccount& Account, TCpuTime Spent, bool Replied) {
  const double Seconds = TSeconds(Spent).count();
  Account.FCpu.Take(Seconds);
  FTotalCpu.Take(Seconds);
  FCharged += Spent;
  if (Replied) Account.FReplies.Take(1);
}

std::chrono::nanoseconds TLinkBudget::Rest(const TAccount& Account) const {
  const auto Longest = std::max({Account.FReplies.UntilHolds(1), Account.FCpu.UntilHolds(0),
                                 FTotalCpu.UntilHolds(0)});
  return std::max<std::chrono::nanoseconds>(Longest, FLimits.ShortestRest);
}

}  // namespace dravel
