#include <gtest/gtest.h>

#include "FixtureText.h"
#include "platform/linux/ProcText.h"

namespace dravel {
namespace {

using test::Fixture;

TEST(ProcStatTest, IdleIsIdlePlusIowaitAndTotalLeavesGuestTimeOut) {
  EXPECT_EQ(ParseCpuTicks(Fixture("proc_stat.txt")),
            (std::vector<TCpuTicks>{{1848972, 1850978}, {1850227, 1853889}}));
  // guest and guest_nice (fields 9 and 10) are in user and nice already
  EXPECT_EQ(ParseCpuTicks("cpu0 1 2 3 4 5 6 7 8 900 900\n"),
            (std::vector<TCpuTicks>{{9, 36}}));
}

TEST(ProcStatTest, LinesWithoutAnIdleFieldOrWithABadNumberAreLeftOut) {
  EXPECT_EQ(ParseCpuTicks("cpu0 1 2 3\ncpuX 1 2 3 4 5\ncpu1 1 2 3 40\ncpu2 1 x 3 4 5\n"),
            (std::vector<TCpuTicks>{{40, 46}}));
  EXPECT_TRUE(ParseCpuTicks("").empty());
}

TEST(ProcessStatTest, NameMayHoldBlanksAndParentheses) {
  const auto Times = ParseProcessStat(Fixture("pid_stat.txt"));
  ASSERT_TRUE(Times);
  EXPECT_EQ(Times->Name, "my (odd) app");
  EXPECT_EQ(Times->CpuTicks, 225u);
  EXPECT_EQ(Times->StartTicks, 1286u);
}

TEST(FullProcessNameTest, ExecutableThenCommandLineThenTheKernelsName) {
  using namespace std::string_literals;
  EXPECT_EQ(FullProcessName("/usr/libexec/gnome-shell-calendar-server", "", "gnome-shell-cal"),
            "gnome-shell-calendar-server");
  EXPECT_EQ(FullProcessName("", "/usr/bin/chromium-browser\0--type=renderer\0"s, "chromium-browse"),
            "chromium-browser");
  EXPECT_EQ(FullProcessName("", "", "kthreadd"), "kthreadd");
  EXPECT_EQ(FullProcessName("/usr/sbin/sshd", "sshd: user@pts/0"s, "sshd"), "sshd");
  EXPECT_EQ(FullProcessName("", "sshd: user@pts/0"s, "sshd"), "sshd:");
}

TEST(FullProcessNameTest, ReplacedExecutableKeepsItsName) {
  EXPECT_EQ(FullProcessName("/usr/bin/some-long-daemon-name (deleted)", "", "some-long-daem"),
            "some-long-daemon-name");
}

TEST(FullProcessNameTest, NameThatDoesNotBeginWithTheKernelsOneIsNotTaken) {
  using namespace std::string_literals;
  // A script: the executable is its interpreter, the kernel's name the script's.
  EXPECT_EQ(FullProcessName("/usr/bin/python3.11", "python3\0/usr/bin/backup-job\0"s, "backup-job"),
            "backup-job");
  // A link to another program: the name it was started by.
  EXPECT_EQ(FullProcessName("/usr/bin/mawk", "awk\0{print}\0"s, "awk"), "awk");
}

TEST(ProcessStatTest, TruncatedOrGarbledLineGivesNothing) {
  EXPECT_FALSE(ParseProcessStat("12 (x) S 1 2 3"));
  EXPECT_FALSE(ParseProcessStat("no parentheses here"));
  EXPECT_FALSE(ParseProcessStat("1 (a) S 0 0 0 0 0 0 0 0 0 0 x 5"));
}

TEST(NetDevTest, InterfacesInListedOrder) {
  const auto Interfaces = ParseNetDev(Fixture("net_dev.txt"));
  ASSERT_EQ(Interfaces.size(), 3u);
  EXPECT_EQ(Interfaces[0].Name, "lo");
  EXPECT_EQ(Interfaces[1].Name, "eth0");
  EXPECT_EQ(Interfaces[1].Received, 6283745921u);  // beyond 32 bits
  EXPECT_EQ(Interfaces[1].Sent, 104857600u);
  EXPECT_EQ(Interfaces[2].Name, "wlan0");
  EXPECT_EQ(Interfaces[2].Received, 12345u);
  EXPECT_EQ(Interfaces[2].Sent, 678u);
}

TEST(MemInfoTest, FiguresInBytesWithSwapInThePageFile) {
  const auto Status = ParseMemInfo(Fixture("meminfo.txt"));
  ASSERT_TRUE(Status);
  EXPECT_EQ(Status->TotalPhys, 16337700ull * 1024);
  EXPECT_EQ(Status->AvailPhys, 12771184ull * 1024);
  EXPECT_EQ(Status->TotalPageFile, (16337700ull + 2097148) * 1024);
  EXPECT_EQ(Status->AvailPageFile, (12771184ull + 2000000) * 1024);
}

TEST(MemInfoTest, MissingTotalsGiveNothing) {
  EXPECT_FALSE(ParseMemInfo("MemTotal: 100 kB\n"));
  EXPECT_FALSE(ParseMemInfo(""));
}

TEST(UptimeTest, SecondsWithFractionIn100ns) {
  EXPECT_EQ(ParseUptime100ns(Fixture("uptime.txt")), 123456700000u);
  EXPECT_EQ(ParseUptime100ns("7"), 70000000u);
  EXPECT_FALSE(ParseUptime100ns("abc"));
  EXPECT_FALSE(ParseUptime100ns("1.x2"));
}

TEST(LoadAvgTest, ThreadsAreTheTotalAfterTheSlash) {
  EXPECT_EQ(ParseLoadAvgThreads(Fixture("loadavg.txt")), 523u);
  EXPECT_FALSE(ParseLoadAvgThreads("0.1 0.2 0.3"));
}

TEST(DriveMountTest, RootIsCThenOtherBlockDevicesInMountOrder) {
  const auto Points = DriveMountPoints(Fixture("mountinfo.txt"));
  EXPECT_EQ(Points, (std::vector<std::string>{"/", "/boot/efi", "/media/my disk", "/data"}));
  EXPECT_EQ(MountPointOfDrive(Points, 'C'), "/");
  EXPECT_EQ(MountPointOfDrive(Points, 'D'), "/boot/efi");
  EXPECT_EQ(MountPointOfDrive(Points, 'E'), "/media/my disk");
  EXPECT_EQ(MountPointOfDrive(Points, 'F'), "/data");
}

TEST(DriveMountTest, LettersBeyondTheListMapToNothing) {
  const auto Points = DriveMountPoints(Fixture("mountinfo.txt"));
  EXPECT_EQ(MountPointOfDrive(Points, 'G'), "");
  EXPECT_EQ(MountPointOfDrive(Points, 'A'), "");
  EXPECT_EQ(MountPointOfDrive(Points, 'B'), "");
  EXPECT_EQ(MountPointOfDrive(Points, 'c'), "");
}

TEST(DriveMountTest, RootIsCEvenWithoutMountInformation) {
  EXPECT_EQ(DriveMountPoints(""), (std::vector<std::string>{"/"}));
  EXPECT_EQ(DriveMountPoints("garbage line\n1 2\n"), (std::vector<std::string>{"/"}));
}

}  // namespace
}  // namespace dravel
