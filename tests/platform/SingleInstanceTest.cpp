#include "platform/SingleInstance.h"

#include "platform/TempFolder.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace dravel {
namespace {

namespace fs = std::filesystem;

// Generous bound for a child to answer; only reached when something is broken.
constexpr int AnswerTimeoutMs = 10000;

class SingleInstanceTest : public ::testing::Test {
 protected:
  // Runs Body in a child process and returns its exit code.
  template <class TBody>
  static int InChild(TBody Body) {
    const pid_t Pid = fork();
    if (Pid == 0) _exit(Body());
    int Status = 0;
    waitpid(Pid, &Status, 0);
    return WIFEXITED(Status) ? WEXITSTATUS(Status) : -1;
  }

  testing::TTempFolder Temp;
  const fs::path Folder = Temp.Path();
};

// A pipe the children report on, one byte per report.
class TReportPipe {
 public:
  TReportPipe() { EXPECT_EQ(pipe(Fds), 0); }
  ~TReportPipe() {
    CloseWriteEnd();
    close(Fds[0]);
  }
  void Send(char Byte) const { EXPECT_EQ(write(Fds[1], &Byte, 1), 1); }
  // The next report, or 0 when none came in time or every writer is gone.
  char Receive() const {
    pollfd Watch{Fds[0], POLLIN, 0};
    char Byte = 0;
    if (poll(&Watch, 1, AnswerTimeoutMs) == 1 && read(Fds[0], &Byte, 1) == 1) return Byte;
    return 0;
  }
  void CloseWriteEnd() {
    if (Fds[1] >= 0) close(Fds[1]);
    Fds[1] = -1;
  }

 private:
  int Fds[2] = {-1, -1};
};

class SingleInstanceLock : public SingleInstanceTest {};

TEST_F(SingleInstanceLock, SecondProcessIsRefusedWhileTheFirstHoldsTheLock) {
  const TSingleInstanceLock First(Folder);
  ASSERT_TRUE(First.IsFirstInstance());
  EXPECT_EQ(InChild([&] { return TSingleInstanceLock(Folder).IsFirstInstance() ? 1 : 0; }), 0);
  EXPECT_TRUE(fs::exists(Folder / "OsselVantorMutex"));
}

TEST_F(SingleInstanceLock, LockIsFreeAgainAfterItsOwnerEnds) {
  {
    const TSingleInstanceLock First(Folder);
    ASSERT_TRUE(First.IsFirstInstance());
  }
  EXPECT_EQ(InChild([&] { return TSingleInstanceLock(Folder).IsFirstInstance() ? 0 : 1; }), 0);
}

TEST_F(SingleInstanceLock, LockOfAKilledProcessIsReleased) {
  TReportPipe Ready;
  const pid_t Owner = fork();
  ASSERT_GE(Owner, 0);
  if (Owner == 0) {
    const TSingleInstanceLock Lock(Folder);
    Ready.Send(Lock.IsFirstInstance() ? 'L' : 'x');
    pause();
    _exit(0);
  }
  ASSERT_EQ(Ready.Receive(), 'L');
  EXPECT_FALSE(TSingleInstanceLock(Folder).IsFirstInstance());
  kill(Owner, SIGKILL);
  waitpid(Owner, nullptr, 0);
  EXPECT_TRUE(TSingleInstanceLock(Folder).IsFirstInstance());
}

TEST_F(SingleInstanceLock, UnusableFolderLetsTheCopyRun) {
  EXPECT_TRUE(TSingleInstanceLock(Folder / "missing").IsFirstInstance());
  EXPECT_TRUE(TSingleInstanceLock(fs::path()).IsFirstInstance());
}

TEST(SingleInstanceFolder, RuntimeFolderFirstElsePrivateTempFolder) {
  const char* Old = std::getenv("XDG_RUNTIME_DIR");
  const std::string Saved = Old ? Old : "";
  setenv("XDG_RUNTIME_DIR", "/run/user/4242", 1);
  EXPECT_EQ(SingleInstanceFolder(), fs::path("/run/user/4242"));
  unsetenv("XDG_RUNTIME_DIR");
  const fs::path Fallback = SingleInstanceFolder();
  EXPECT_EQ(Fallback.filename(), "dravel-" + std::to_string(getuid()));
  EXPECT_EQ(fs::status(Fallback).permissions() & fs::perms::group_all, fs::perms::none);
  if (Old) setenv("XDG_RUNTIME_DIR", Saved.c_str(), 1);
}

class SingleInstanceWake : public SingleInstanceTest {};

TEST_F(SingleInstanceWake, EachSignalWakesExactlyOneOfTwoListeningProcesses) {
  constexpr int Signals = 4;
  TReportPipe Reports;
  std::vector<pid_t> Listeners;
  for (const char Id : {'a', 'b'}) {
    const pid_t Pid = fork();
    ASSERT_GE(Pid, 0);
    if (Pid == 0) {
      TSingleInstanceEvent Event(Folder);
      Reports.Send('r');
      while (Event.Wait()) Reports.Send(Id);
      _exit(0);
    }
    Listeners.push_back(Pid);
  }
  ASSERT_EQ(Reports.Receive(), 'r');
  ASSERT_EQ(Reports.Receive(), 'r');

  for (int i = 0; i < Signals; ++i) {
    ASSERT_TRUE(SignalSingleInstanceEvent(Folder));
    const char Woken = Reports.Receive();
    EXPECT_TRUE(Woken == 'a' || Woken == 'b') << "signal " << i << " woke nobody";
  }
  for (const pid_t Pid : Listeners) {
    kill(Pid, SIGTERM);
    waitpid(Pid, nullptr, 0);
  }
  // With every listener gone, any extra wake would be waiting in the pipe.
  Reports.CloseWriteEnd();
  EXPECT_EQ(Reports.Receive(), 0);
}

TEST_F(SingleInstanceWake, SignalSentBeforeTheWaitIsKeptForIt) {
  TSingleInstanceEvent Event(Folder);
  ASSERT_TRUE(SignalSingleInstanceEvent(Folder));
  EXPECT_TRUE(Event.Wait());
}

TEST_F(SingleInstanceWake, SignalWithoutListenerReportsNobody) {
  EXPECT_FALSE(SignalSingleInstanceEvent(Folder));
  { TSingleInstanceEvent Gone(Folder); }
  EXPECT_FALSE(SignalSingleInstanceEvent(Folder));
}

TEST_F(SingleInstanceWake, StopEndsAWaitOnAnotherThread) {
  TSingleInstanceEvent Event(Folder);
  bool Result = true;
  std::thread Listener([&] { Result = Event.Wait(); });
  Event.Stop();
  Listener.join();
  EXPECT_FALSE(Result);
  EXPECT_FALSE(Event.Wait());
}

TEST_F(SingleInstanceWake, RegularFileInTheChannelsPlaceIsNeitherUsedNorWritten) {
  std::ofstream(Folder / "OsselVantorEvent") << "keep";
  TSingleInstanceEvent Event(Folder);
  EXPECT_FALSE(SignalSingleInstanceEvent(Folder));
  Event.Stop();
  EXPECT_FALSE(Event.Wait());
  std::ifstream Kept(Folder / "OsselVantorEvent");
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(Kept), {}), "keep");
}

}  // namespace
}  // namespace dravel
