#include "remote/SecureKeyDeriver.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "remote/LinkTestSupport.h"

namespace dravel {
namespace {

using testing::App;
using testing::WaitFor;

struct TResults {
  std::vector<std::string> Done;  // the password of each result delivered
  TSecureKeyDeriver::TDone For(const std::string& Password, const TSecureKeyCost& Cost) {
    return [this, Password, Cost](const std::optional<TSecureLinkKey>& Key, const std::string& Error) {
      EXPECT_TRUE(Key) << Error;
      if (Key) {
        EXPECT_EQ(*Key, TSecureLinkKey::Derive(Password, TSecureSalt{}, Cost));
      }
      Done.push_back(Password);
    };
  }
};

TEST(SecureKeyDeriverTest, TheResultComesBackOnTheEventLoopAndOnlyTheNewestRequestsResult) {
  App();
  const TSecureKeyCost Cost{1, 32 * 1024};
  TSecureKeyDeriver Deriver;
  TResults Results;
  Deriver.Derive("first", TSecureSalt{}, Cost, Results.For("first", Cost));
  EXPECT_TRUE(Deriver.Busy());
  EXPECT_TRUE(Results.Done.empty());  // never delivered from inside Derive
  Deriver.Derive("second", TSecureSalt{}, Cost, Results.For("second", Cost));
  Deriver.Derive("third", TSecureSalt{}, Cost, Results.For("third", Cost));
  ASSERT_TRUE(WaitFor([&] { return !Deriver.Busy() && !Results.Done.empty(); }));
  testing::Settle();
  EXPECT_EQ(Results.Done, std::vector<std::string>{"third"});
}

TEST(SecureKeyDeriverTest, CancelledWorkIsNotDeliveredAndAFailureIsReported) {
  App();
  TSecureKeyDeriver Deriver;
  TResults Results;
  Deriver.Derive("gone", TSecureSalt{}, CheapestSecureKeyCost(), Results.For("gone", CheapestSecureKeyCost()));
  Deriver.Cancel();
  ASSERT_TRUE(WaitFor([&] { return !Deriver.Busy(); }));
  testing::Settle();
  EXPECT_TRUE(Results.Done.empty());

  std::string Error;
  bool Delivered = false;
  Deriver.Derive("x", TSecureSalt{}, {MaxSecureOpsLimit + 1, 8},
                 [&](const std::optional<TSecureLinkKey>& Key, const std::string& Why) {
                   Delivered = !Key;
                   Error = Why;
                 });
  ASSERT_TRUE(WaitFor([&] { return Delivered; }));
  EXPECT_NE(Error.find("cost"), std::string::npos);
}

}  // namespace
}  // namespace dravel
