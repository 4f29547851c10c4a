#include <gtest/gtest.h>
#include <pwd.h>
#include <unistd.h>

#include <ctime>

#include "FixtureText.h"
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
  EXPECT_EQ(System->ComputerName(), Host);
  EXPECT_EQ(System->UserName(), ::getpwuid(::geteuid())->pw_name);
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
