// The gate in front of the web service: challenges, checks, throttling, the users file
// changing under it, and credentials over plain HTTP.
#include <gtest/gtest.h>

#include <sodium.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <initializer_list>
#include <string>
#include <vector>

#include "FileText.h"
#include "HtpasswdTool.h"
#include "service/BasicAuthGate.h"

namespace dravel {
namespace {

using testing::HtpasswdLine;
using testing::WriteFileText;

std::string Base64(const std::string& Text) {
  std::string Out(sodium_base64_encoded_len(Text.size(), sodium_base64_VARIANT_ORIGINAL), '\0');
  sodium_bin2base64(Out.data(), Out.size(), reinterpret_cast<const unsigned char*>(Text.data()), Text.size(),
                    sodium_base64_VARIANT_ORIGINAL);
  Out.pop_back();  // its NUL
  return Out;
}

THttpRequest Request(const std::string& Credentials, const std::string& Peer = "10.0.0.1", bool Tls = true) {
  THttpRequest Made;
  Made.Method = "GET";
  Made.Target = "/metrics";
  Made.OverTls = Tls;
  Made.PeerAddress = Peer;
  if (!Credentials.empty()) Made.Authorization = "Basic " + Base64(Credentials);
  return Made;
}

class BasicAuthGateTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Ann = HtpasswdLine("ann", "annpass");
    Bob = HtpasswdLine("bob", "bobpass");
    ASSERT_EQ(Ann.rfind("ann:$2y$", 0), 0u) << Ann;
    ASSERT_EQ(Bob.rfind("bob:$2y$", 0), 0u) << Bob;
    WriteFileText(Users, Ann + "\n");
  }
  void TearDown() override { std::filesystem::remove_all(Folder); }

  TBasicAuthGate Gate(bool AllowPlain = false, std::size_t Cache = 1024) {
    return TBasicAuthGate({Users, AllowPlain, Cache}, [this](const std::string& Line) { Logged.push_back(Line); },
                          std::chrono::milliseconds(0));
  }

  // The status the gate answers, or 0 when it lets the request through.
  static int Status(TBasicAuthGate& Gate, const THttpRequest& Made) {
    const auto Refusal = Gate.Refusal(Made);
    return Refusal ? Refusal->StatusCode : 0;
  }

  const std::filesystem::path Folder =
      std::filesystem::temp_directory_path() / ("auth_gate_test_" + std::to_string(::getpid()));
  const std::filesystem::path Users = Folder / "users";
  std::string Ann, Bob;
  std::vector<std::string> Logged;
};

TEST_F(BasicAuthGateTest, TheRightCredentialsPassAndAnythingElseIsChallenged) {
  TBasicAuthGate Checks = Gate();
  EXPECT_EQ(Status(Checks, Request("ann:annpass")), 0);
  const std::initializer_list<std::string> Wrongs = {"ann:annpas", "ann:annpass ", "Ann:annpass", "carl:annpass", ""};
  for (const std::string& Wrong : Wrongs) {
    const auto Refusal = Checks.Refusal(Request(Wrong, "10.0.0." + std::to_string(Wrong.size())));
    ASSERT_TRUE(Refusal) << Wrong;
    EXPECT_EQ(Refusal->StatusCode, 401) << Wrong;
    EXPECT_EQ(Refusal->ContentType, "text/plain");
    EXPECT_EQ(Refusal->Content, "Authentication required\n");
    ASSERT_EQ(Refusal->Headers.size(), 1u);
    EXPECT_EQ(Refusal->Headers[0].first, "WWW-Authenticate");
    EXPECT_EQ(Refusal->Headers[0].second, "Basic realm=\"Dravel\"");
  }
  THttpRequest Malformed = Request("", "10.0.0.50");
  Malformed.Authorization = "Basic !!";
  EXPECT_EQ(Status(Checks, Malformed), 401);
  Malformed.Authorization = "Digest username=\"ann\"";
  EXPECT_EQ(Status(Checks, Malformed), 401);
}

TEST_F(BasicAuthGateTest, AnUnknownUserCostsOneCheckLikeAKnownOne) {
  TBasicAuthGate Checks = Gate();
  EXPECT_EQ(Status(Checks, Request("carl:annpass")), 401);
  EXPECT_EQ(Checks.PasswordChecks(), 1u);
  EXPECT_EQ(Status(Checks, Request("ann:wrong")), 401);
  EXPECT_EQ(Checks.PasswordChecks(), 2u);
  EXPECT_EQ(Status(Checks, Request("")), 401);  // nothing to check
  EXPECT_EQ(Checks.PasswordChecks(), 2u);
}

TEST_F(BasicAuthGateTest, TheSixthFailureInASecondIsRefusedWithoutACheck) {
  TBasicAuthGate Checks = Gate();
  for (int I = 0; I < 5; ++I) EXPECT_EQ(Status(Checks, Request("ann:guess" + std::to_string(I))), 401) << I;
  EXPECT_EQ(Checks.PasswordChecks(), 5u);
  const auto Refusal = Checks.Refusal(Request("ann:guess5"));
  ASSERT_TRUE(Refusal);
  EXPECT_EQ(Refusal->StatusCode, 429);
  ASSERT_EQ(Refusal->Headers.size(), 1u);
  EXPECT_EQ(Refusal->Headers[0], std::make_pair(std::string("Retry-After"), std::string("1")));
  // Not even the right password is looked at: guesses cannot go on behind the 429.
  EXPECT_EQ(Status(Checks, Request("ann:annpass")), 429);
  EXPECT_EQ(Checks.PasswordChecks(), 5u);
  // Without credentials there is nothing to guess with: the challenge as always.
  EXPECT_EQ(Status(Checks, Request("")), 401);
  // Another address is served.
  EXPECT_EQ(Status(Checks, Request("ann:annpass", "10.0.0.2")), 0);
  EXPECT_EQ(Checks.PasswordChecks(), 6u);
}

TEST_F(BasicAuthGateTest, SuccessesAreRememberedUntilTheFileChanges) {
  TBasicAuthGate Cached = Gate();
  for (int I = 0; I < 20; ++I) ASSERT_EQ(Status(Cached, Request("ann:annpass")), 0);
  EXPECT_EQ(Cached.PasswordChecks(), 1u);
  TBasicAuthGate Uncached = Gate(false, 0);
  for (int I = 0; I < 3; ++I) ASSERT_EQ(Status(Uncached, Request("ann:annpass")), 0);
  EXPECT_EQ(Uncached.PasswordChecks(), 3u);
  // Successes take nothing from the bucket: a client that knows its password is never throttled.
  for (int I = 0; I < 10; ++I) ASSERT_EQ(Status(Uncached, Request("ann:annpass")), 0);
}

TEST_F(BasicAuthGateTest, UsersAddedOrRemovedWhileRunningTakeEffect) {
  TBasicAuthGate Checks = Gate();
  EXPECT_EQ(Status(Checks, Request("ann:annpass")), 0);
  EXPECT_EQ(Status(Checks, Request("bob:bobpass", "10.0.0.2")), 401);
  WriteFileText(Users, "# bob joins\n" + Ann + "\n" + Bob + "\n");
  EXPECT_EQ(Status(Checks, Request("bob:bobpass", "10.0.0.2")), 0);
  // Through a new file moved in place, as editors save: ann leaves, her remembered
  // success with her.
  WriteFileText(Folder / "next", Bob + "\n");
  std::filesystem::rename(Folder / "next", Users);
  EXPECT_EQ(Status(Checks, Request("ann:annpass")), 401);
  EXPECT_EQ(Status(Checks, Request("bob:bobpass", "10.0.0.2")), 0);
  EXPECT_TRUE(Logged.empty());
}

TEST_F(BasicAuthGateTest, AFileGoneBadRefusesEveryoneLoggedOnceUntilMended) {
  TBasicAuthGate Checks = Gate();
  ASSERT_EQ(Status(Checks, Request("ann:annpass")), 0);
  WriteFileText(Users, Ann + "\nbob:$apr1$x$y\n");
  for (int I = 0; I < 3; ++I) EXPECT_EQ(Status(Checks, Request("ann:annpass")), 503);
  EXPECT_EQ(Status(Checks, Request("")), 503);
  ASSERT_EQ(Logged.size(), 1u);
  EXPECT_NE(Logged[0].find(Users.string() + " line 2: user \"bob\" has an MD5 (apr1) hash"), std::string::npos)
      << Logged[0];
  std::filesystem::remove(Users);
  EXPECT_EQ(Status(Checks, Request("ann:annpass")), 503);
  EXPECT_EQ(Logged.size(), 1u);  // still refusing: nothing new to say
  WriteFileText(Users, Ann + "\n");
  EXPECT_EQ(Status(Checks, Request("ann:annpass")), 0);
  ASSERT_EQ(Logged.size(), 2u);
  EXPECT_EQ(Logged[1], "web service: " + Users.string() + " can be used again");
  std::filesystem::remove(Users);
  EXPECT_EQ(Status(Checks, Request("ann:annpass")), 503);
  EXPECT_EQ(Logged.size(), 3u);
}

TEST_F(BasicAuthGateTest, PlainHttpIsRefusedUnlessAllowed) {
  TBasicAuthGate Strict = Gate();
  const auto Refusal = Strict.Refusal(Request("ann:annpass", "10.0.0.1", false));
  ASSERT_TRUE(Refusal);
  EXPECT_EQ(Refusal->StatusCode, 403);
  EXPECT_EQ(Strict.PasswordChecks(), 0u);  // never decoded, never checked
  TBasicAuthGate Lenient = Gate(true);
  EXPECT_EQ(Status(Lenient, Request("ann:annpass", "10.0.0.1", false)), 0);
  EXPECT_EQ(Status(Lenient, Request("", "10.0.0.1", false)), 401);
}

TEST_F(BasicAuthGateTest, AnUnusableFileAtTheStartIsAnError) {
  WriteFileText(Users, "ann:$6$salt$hash\n");
  EXPECT_THROW(Gate(), EHtpasswd);
  std::filesystem::remove(Users);
  EXPECT_THROW(Gate(), EHtpasswd);
}

}  // namespace
}  // namespace dravel
