// The HTTP server when the process runs out of descriptors: the test runs itself again
// under `prlimit --nofile` with room for only a few dozen, opens connections until no
// descriptor is left, and checks that the server lives through it and answers again
// once the descriptors are free.
#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "LoopbackClient.h"
#include "service/IndyHTTP.h"

namespace dravel {
namespace {

constexpr const char* ChildMark = "DRAVEL_HTTP_EXHAUSTION_CHILD";
constexpr int DescriptorLimit = 48;

std::string ServeUntilAnswered(std::uint16_t Port) {
  std::string Answer;
  const auto Until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (Answer.empty() && std::chrono::steady_clock::now() < Until) {
    Answer = test::Exchange(Port, "GET /wsdl HTTP/1.1\r\nConnection: close\r\n\r\n");
    if (Answer.empty()) std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return Answer;
}

TEST(HttpExhaustionTest, ServerKeepsAnsweringOnceDescriptorsFree) {
#if defined(__SANITIZE_ADDRESS__)
  // The sanitizers probe memory through a pipe; with no descriptor left that probe fails
  // and they report objects as invalid that are not.
  GTEST_SKIP() << "runs in the build without sanitizers";
#endif
  if (!std::getenv(ChildMark)) {
    const std::string Command = std::string(ChildMark) + "=1 prlimit --nofile=" + std::to_string(DescriptorLimit) +
                                ":" + std::to_string(DescriptorLimit) + " /proc/" + std::to_string(::getpid()) +
                                "/exe --gtest_filter=HttpExhaustionTest.* > /dev/null 2>&1";
    const int Status = std::system(Command.c_str());
    ASSERT_TRUE(WIFEXITED(Status));
    EXPECT_EQ(WEXITSTATUS(Status), 0) << "the run under prlimit failed: " << Command;
    return;
  }
  THttpLimits Limits;
  Limits.MaxConnections = 10000;  // the descriptors run out long before
  Limits.AcceptPause = std::chrono::milliseconds(20);
  TIndyHTTPServer Server([](const THttpRequest&) { return TWebResponse{200, "text/xml", "<ok/>"}; }, Limits);
  ASSERT_EQ(Server.Start(0), "");
  std::vector<std::unique_ptr<test::TLoopbackClient>> Clients;
  // Each connection takes one descriptor here and one in the server: the clients take
  // what the server's accepts leave, until the system refuses a socket.
  for (int I = 0; I < 2 * DescriptorLimit; ++I) {
    auto Client = std::make_unique<test::TLoopbackClient>(Server.Port());
    if (!Client->Connected()) break;
    Clients.push_back(std::move(Client));
  }
  EXPECT_FALSE(Clients.empty());
  const auto Until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (Server.AcceptFailures() < 3 && std::chrono::steady_clock::now() < Until) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_GE(Server.AcceptFailures(), 3u);
  EXPECT_TRUE(Server.Active());
  Clients.clear();
  EXPECT_EQ(ServeUntilAnswered(Server.Port()),
            "HTTP/1.1 200 OK\r\nServer: Dravel/87\r\nContent-Type: text/xml\r\nContent-Length: 5\r\nConnection: close\r\n\r\n<ok/>");
}

}  // namespace
}  // namespace dravel
