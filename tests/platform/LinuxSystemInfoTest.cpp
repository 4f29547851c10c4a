#include <gtest/gtest.h>
#include <pwd.h>
#include <unistd.h>

#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>

#include <ctime>
#include <fstream>
#include <functional>
#include <optional>

#include "FixtureText.h"
#include "TempFolder.h"
#include "platform/CodePage.h"
#include "platform/SystemInfo.h"
#include "platform/linux/FileText.h"
#include "platform/linux/ProcText.h"

namespace dravel {
namespace {

TEST(LinuxSystemInfoTest, MemoryTotalIsMemTotal) {
  std::string Text;
  ASSERT_TRUE(ReadTextFile("/proc/meminfo", Text));
  const auto Expected = ParseMemInfo(Text);
  ASSERT_TRUE(Expected);
  TMemoryStatus Status;
  ASSERT_TRUE(MakeSystemInfo()->MemoryStatus(Status));
  EXPECT_EQ(Status.TotalPhys, Expected->TotalPhys);
  EXPECT_GE(Status.TotalPageFile, Status.TotalPhys);
}

TEST(LinuxSystemInfoTest, DriveCIsTheRootFileSystem) {
  TDiskSpace Space;
  ASSERT_TRUE(MakeSystemInfo()->DiskFreeSpace('C', Space));
  EXPECT_GT(Space.Total, 0u);
  EXPECT_LE(Space.FreeToCaller, Space.Total);
  EXPECT_FALSE(MakeSystemInfo()->DiskFreeSpace('A', Space));
}

TEST(LinuxSystemInfoTest, NamesOfThisMachineAndUser) {
  const auto System = MakeSystemInfo();
  char Host[256] = {};
  ::gethostname(Host, sizeof Host - 1);
  const std::string HostName(Host);
  EXPECT_EQ(System->ComputerName(), Utf8ToCp1252(HostName.substr(0, HostName.find('.'))));
  EXPECT_EQ(System->UserName(), Utf8ToCp1252(::getpwuid(::geteuid())->pw_name));
}

// Runs Step in a child process with namespaces of its own and hands back what it
// returned; empty when the namespaces cannot be had (not root).
std::optional<std::string> InOwnNamespaces(int Flags, const std::function<std::string()>& Step) {
  int Pipe[2];
  if (::pipe(Pipe) != 0) return std::nullopt;
  const pid_t Child = ::fork();
  if (Child == 0) {
    ::close(Pipe[0]);
    std::string Result = "\x01";  // no namespaces
    if (::unshare(Flags) == 0) {
      ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr);
      Result = Step();
    }
    ::write(Pipe[1], Result.data(), Result.size());
    ::_exit(0);
  }
  ::close(Pipe[1]);
  std::string Result;
  char Chunk[256];
  for (ssize_t Got; (Got = ::read(Pipe[0], Chunk, sizeof Chunk)) > 0;) Result.append(Chunk, Got);
  ::close(Pipe[0]);
  ::waitpid(Child, nullptr, 0);
  if (Result == "\x01") return std::nullopt;
  return Result;
}

TEST(LinuxSystemInfoTest, ComputerNameIsTheHostNameUpToItsFirstDot) {
  const auto Name = InOwnNamespaces(CLONE_NEWUTS, [] {
    const std::string Full = "build-server-07.example.org";
    if (::sethostname(Full.data(), Full.size()) != 0) return std::string("sethostname failed");
    return MakeSystemInfo()->ComputerName();
  });
  if (!Name) GTEST_SKIP() << "no namespace of its own for the host name (needs root)";
  EXPECT_EQ(*Name, "build-server-07");
}

TEST(LinuxSystemInfoTest, UserNameIsGivenInCodePage1252) {
  testing::TTempFolder Folder;
  const auto Passwd = (Folder.Path() / "passwd").string();
  std::ofstream(Passwd) << "j\xC3\xBCrgen\xE2\x86\x92x:x:" << ::geteuid() << ":0::/root:/bin/sh\n";
  const auto Name = InOwnNamespaces(CLONE_NEWNS, [&] {
    if (::mount(Passwd.c_str(), "/etc/passwd", nullptr, MS_BIND, nullptr) != 0) {
      return std::string("bind mount failed");
    }
    return MakeSystemInfo()->UserName();
  });
  if (!Name) GTEST_SKIP() << "no mount namespace of its own (needs root)";
  EXPECT_EQ(*Name, "j\xFCrgen?x");
}

TEST(LinuxSystemInfoTest, AddressesAreNeverLoopback) {
  for (const auto& Address : MakeSystemInfo()->HostAddresses()) {
    if (Address[0] == 127) ADD_FAILURE() << "loopback address among the interfaces";
  }
}

TEST(LinuxSystemInfoTest, DateTimeCountsDaysFrom1899InLocalTime) {
  const double Now = MakeSystemInfo()->LocalDateTime();
  const std::time_t Seconds = std::time(nullptr);
  std::tm Local{};
  ::localtime_r(&Seconds, &Local);
  const double Expected = (Seconds + Local.tm_gmtoff) / 86400.0 + 25569.0;
  EXPECT_NEAR(Now, Expected, 5.0 / 86400);
}

}  // namespace
}  // namespace dravel
