// The end of dravelfmt's output stream: a reader that goes away, a stop signal.
#include "StreamControl.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <csignal>
#include <string>

namespace dravel {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

class StreamControlTest : public ::testing::Test {
 protected:
  StreamControlTest() { EXPECT_EQ(::pipe(Pipe), 0); }
  ~StreamControlTest() override {
    for (const int End : Pipe)
      if (End >= 0) ::close(End);
  }
  void CloseReader() {
    ::close(Pipe[0]);
    Pipe[0] = -1;
  }
  std::string ReadSome() {
    char Buffer[256];
    const ssize_t Got = ::read(Pipe[0], Buffer, sizeof Buffer);
    return Got > 0 ? std::string(Buffer, static_cast<std::size_t>(Got)) : std::string();
  }
  int Pipe[2] = {-1, -1};
};

TEST_F(StreamControlTest, SendsWholeRefreshesWhileTheReaderReads) {
  TStreamControl Stream(Pipe[1]);
  EXPECT_FALSE(Stream.Stopping());
  EXPECT_EQ(Stream.Send("[1],\n"), TStreamControl::TSend::Sent);
  EXPECT_EQ(ReadSome(), "[1],\n");
  EXPECT_FALSE(Stream.Stopping());
}

TEST_F(StreamControlTest, AClosedReaderEndsTheStreamQuietly) {
  TStreamControl Stream(Pipe[1]);
  CloseReader();
  // Seen while waiting, before anything is written...
  const auto Start = Clock::now();
  EXPECT_FALSE(Stream.WaitUntil(Start + milliseconds(5000)));
  EXPECT_LT(Clock::now() - Start, milliseconds(2000));
  // ...and by the write itself, which gets an error instead of SIGPIPE.
  EXPECT_EQ(Stream.Send("x\n"), TStreamControl::TSend::Closed);
  EXPECT_TRUE(Stream.Stopping());
}

TEST_F(StreamControlTest, WaitsTheWholeIntervalUnlessStopped) {
  TStreamControl Stream(Pipe[1]);
  const auto Start = Clock::now();
  EXPECT_TRUE(Stream.WaitUntil(Start + milliseconds(50)));
  EXPECT_GE(Clock::now() - Start, milliseconds(50));
  Stream.Stop();
  const auto Stopped = Clock::now();
  EXPECT_FALSE(Stream.WaitUntil(Stopped + milliseconds(5000)));
  EXPECT_LT(Clock::now() - Stopped, milliseconds(2000));
  EXPECT_TRUE(Stream.Stopping());
}

TEST_F(StreamControlTest, StopSignalsEndTheStream) {
  for (const int Signal : {SIGTERM, SIGINT, SIGHUP}) {
    TStreamControl Stream(Pipe[1]);
    ASSERT_EQ(std::raise(Signal), 0);  // caught: the test goes on
    EXPECT_TRUE(Stream.Stopping()) << Signal;
    EXPECT_FALSE(Stream.WaitUntil(Clock::now() + milliseconds(5000)));
  }
}

TEST_F(StreamControlTest, WithoutASignalTheStatusIsTheRunsOwn) {
  const TStreamControl Stream(Pipe[1]);
  EXPECT_EQ(Stream.ExitStatus(0), 0);
  EXPECT_EQ(Stream.ExitStatus(2), 2);
}

TEST_F(StreamControlTest, RepeatsACountOrUntilStopped) {
  TStreamControl Stream(Pipe[1]);
  int Shown = 0;
  const auto Start = Clock::now();
  RepeatRefreshes(3, 20, Stream, [&] { ++Shown; });
  EXPECT_EQ(Shown, 3);
  EXPECT_GE(Clock::now() - Start, milliseconds(40));  // the first at once, then the beat
  Shown = 0;
  RepeatRefreshes(0, 1, Stream, [&] {
    if (++Shown == 5) Stream.Stop();
  });
  EXPECT_EQ(Shown, 5);
}

}  // namespace
}  // namespace dravel
