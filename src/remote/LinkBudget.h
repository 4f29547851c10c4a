#pragma once
// What the link server may spend on its clients, as token buckets: each connection gets
// at most a number of replies per second and a share of one processor's time, and all
// connections together a larger share. Time is charged after it was spent, so a bucket
// can run into debt; its connection is answered again once the debt is paid off. No Qt.

#include <chrono>

namespace dravel {

using TBudgetClock = std::chrono::steady_clock;
using TBudgetTime = TBudgetClock::time_point;
using TCpuTime = std::chrono::nanoseconds;

// Processor time the calling thread has used so far.
TCpuTime ThreadCpuTime();

class TTokenBucket {
 public:
  // Starts full: PerSecond tokens come back each second, up to Capacity.
  TTokenBucket(double PerSecond, double Capacity, TBudgetTime Now);

  void Refill(TBudgetTime Now);
  // Within a nanosecond's worth, so that rounding never keeps a bucket from refilling.
  bool Holds(double Amount) const { return FTokens >= Amount - 1e-9; }
  void Take(double Amount) { FTokens -= Amount; }
  // How long until the bucket holds Amount again (zero when it does).
  std::chrono::nanoseconds UntilHolds(double Amount) const;
  double Tokens() const { return FTokens; }

 private:
  double FPerSecond;
  double FCapacity;
  double FTokens;
  TBudgetTime FLast;
};

struct TLinkLimits {
  double RepliesPerSecond = 1000;
  double ReplyBurst = 100;
  double ConnectionCpuShare = 0.01;  // of one processor
  double ConnectionCpuBurst = 0.02;  // seconds
  double TotalCpuShare = 0.25;
  double TotalCpuBurst = 0.05;  // seconds
  // A connection over its budget is not read for at least this long.
  std::chrono::milliseconds ShortestRest{10};
};

class TLinkBudget {
 public:
  // One connection's own buckets.
  class TAccount {
   public:
    TAccount(const TLinkLimits& Limits, TBudgetTime Now);

   private:
    friend class TLinkBudget;
    TTokenBucket FReplies;
    TTokenBucket FCpu;  // seconds
  };

  explicit TLinkBudget(const TLinkLimits& Limits = {}, TBudgetTime Now = TBudgetClock::now());

  TAccount Open(TBudgetTime Now) const { return TAccount(FLimits, Now); }
  // Whether a request read now on this connection may be answered.
  bool MayAnswer(TAccount& Account, TBudgetTime Now);
  // Spent is the processor time the read event took; Replied whether it sent a reply.
  void Charge(TAccount& Account, TCpuTime Spent, bool Replied);
  // How long a connection that may not be answered rests before it is read again.
  std::chrono::nanoseconds Rest(const TAccount& Account) const;

  const TLinkLimits& Limits() const { return FLimits; }
  // All processor time charged so far, over every connection.
  TCpuTime Charged() const { return FCharged; }

 private:
  TLinkLimits FLimits;
  TTokenBucket FTotalCpu;  // seconds
  TCpuTime FCharged{};
};

}  // namespace dravel
