#include <gtest/gtest.h>
#include <unistd.h>

#include "FakeTree.h"
#include "FixtureText.h"
#include "platform/MachineFigures.h"

namespace dravel {
namespace {

using testing::TFakeTree;

class MachineFiguresTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Tree.Write("proc/stat", test::Fixture("proc_stat.txt"));
    Tree.Write("proc/meminfo", test::Fixture("meminfo.txt"));
    Tree.Write("proc/loadavg", test::Fixture("loadavg.txt"));
    Tree.Write("proc/uptime", test::Fixture("uptime.txt"));
  }
  std::unique_ptr<IMachineFigures> Figures() { return MakeMachineFigures(Tree.Root()); }

  TFakeTree Tree;
};

TEST_F(MachineFiguresTest, EveryProcessorWithEveryModeInSeconds) {
  // Nine processors: more than the record's four slots.
  std::string Stat = "cpu  1 2 3 4 5 6 7 8 0 0\n";
  for (int Cpu = 0; Cpu < 9; ++Cpu) {
    Stat += "cpu" + std::to_string(Cpu) + " " + std::to_string(100 * (Cpu + 1)) + " 0 50 1000 7 1 2 3 0 0\n";
  }
  Tree.Write("proc/stat", Stat + "btime 1700000000\n");
  const auto Times = Figures()->CpuTimes();
  ASSERT_EQ(Times.size(), 9u);
  const double Tick = 1.0 / static_cast<double>(::sysconf(_SC_CLK_TCK));
  EXPECT_EQ(Times[8].Cpu, "8");
  EXPECT_DOUBLE_EQ(Times[8].Seconds[0], 900 * Tick);   // user
  EXPECT_DOUBLE_EQ(Times[8].Seconds[2], 50 * Tick);    // system
  EXPECT_DOUBLE_EQ(Times[8].Seconds[3], 1000 * Tick);  // idle
  EXPECT_DOUBLE_EQ(Times[8].Seconds[7], 3 * Tick);     // steal
}

TEST_F(MachineFiguresTest, ShortProcessorLinesCountTheMissingModesAsZero) {
  Tree.Write("proc/stat", "cpu0 10 20 30 40\n");
  const auto Times = Figures()->CpuTimes();
  ASSERT_EQ(Times.size(), 1u);
  EXPECT_GT(Times[0].Seconds[3], 0);
  EXPECT_EQ(Times[0].Seconds[4], 0);
}

TEST_F(MachineFiguresTest, BootUptimeThreadsAndProcesses) {
  auto Machine = Figures();
  EXPECT_EQ(Machine->BootTime(), 1062191376.0);
  ASSERT_TRUE(Machine->Uptime());
  EXPECT_GT(*Machine->Uptime(), 0);
  EXPECT_TRUE(Machine->Threads());
  Tree.Folder("proc/1");
  Tree.Folder("proc/4711");
  Tree.Folder("proc/self");
  Tree.Folder("proc/sys");
  EXPECT_EQ(Machine->Processes(), 2u);
}

TEST_F(MachineFiguresTest, MemoryAsTheKernelStatesIt) {
  const auto Memory = Figures()->Memory();
  ASSERT_TRUE(Memory);
  EXPECT_EQ(Memory->TotalBytes, 16337700ull * 1024);
  EXPECT_EQ(Memory->AvailableBytes, 12771184ull * 1024);
  EXPECT_EQ(Memory->SwapTotalBytes, 2097148ull * 1024);
  EXPECT_EQ(Memory->SwapFreeBytes, 2000000ull * 1024);
}

TEST_F(MachineFiguresTest, UnreadableFilesGiveNoFigures) {
  TFakeTree Empty;
  auto Machine = MakeMachineFigures(Empty.Root());
  EXPECT_TRUE(Machine->CpuTimes().empty());
  EXPECT_FALSE(Machine->Memory());
  EXPECT_FALSE(Machine->BootTime());
  EXPECT_FALSE(Machine->Uptime());
  EXPECT_FALSE(Machine->Processes());
  EXPECT_TRUE(Machine->FileSystems().empty());
}

TEST_F(MachineFiguresTest, FileSystemsAreTheDriveMountsWithTheirDeviceAndType) {
  Tree.Write("proc/self/mountinfo", test::Fixture("mountinfo.txt"));
  // statvfs reads the folders under the root; every mount point is there.
  for (const char* Point : {"boot/efi", "media/my disk", "data"}) Tree.Folder(Point);
  const auto Systems = Figures()->FileSystems();
  ASSERT_EQ(Systems.size(), 4u);
  EXPECT_EQ(Systems[0].MountPoint, "/");
  EXPECT_EQ(Systems[0].Device, "/dev/sda1");
  EXPECT_EQ(Systems[0].FsType, "ext4");
  EXPECT_EQ(Systems[1].MountPoint, "/boot/efi");
  EXPECT_EQ(Systems[1].FsType, "vfat");
  EXPECT_EQ(Systems[2].MountPoint, "/media/my disk");
  EXPECT_EQ(Systems[3].Device, "/dev/nvme0n1p1");
  EXPECT_EQ(Systems[3].FsType, "xfs");
  for (const auto& System : Systems) {
    EXPECT_GT(System.SizeBytes, 0u);
    EXPECT_LE(System.AvailBytes, System.SizeBytes);
  }
}

TEST_F(MachineFiguresTest, MountPointThatCannotBeReadIsLeftOut) {
  Tree.Write("proc/self/mountinfo", test::Fixture("mountinfo.txt"));
  Tree.Folder("data");
  const auto Systems = Figures()->FileSystems();
  ASSERT_EQ(Systems.size(), 2u);
  EXPECT_EQ(Systems[1].MountPoint, "/data");
}

}  // namespace
}  // namespace dravel
