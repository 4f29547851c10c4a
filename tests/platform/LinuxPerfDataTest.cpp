#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <tuple>

#include "FakeTree.h"
#include "FixtureText.h"
#include "platform/linux/LinuxPerfData.h"
#include "sampling/PerfBlockReader.h"

namespace dravel {
namespace {

using test::Fixture;

// The block of one object, walked back with the reader the sampler uses.
struct TWalked {
  std::vector<std::string> Names;
  std::vector<std::vector<std::uint64_t>> Values;
  std::vector<TPerfCounterDef> Counters;
  std::uint32_t Index = 0;
  std::int32_t Instances = 0;
};

TWalked Walk(const TPerfObjectDesc& Object) {
  TPerfBlockDesc Desc;
  Desc.Objects = {Object};
  const auto Bytes = BuildPerfBlock(Desc);
  const TPerfBlockReader Block(Bytes);
  TWalked Out;
  const std::size_t O = Block.FirstObject();
  Out.Index = Block.ObjectNameIndex(O);
  Out.Instances = Block.NumInstances(O);
  std::size_t C = Block.FirstCounter(O);
  for (std::uint32_t I = 0; I < Block.NumCounters(O); ++I, C = Block.NextCounter(C)) {
    Out.Counters.push_back(Block.Counter(C));
  }
  const auto ValuesAt = [&](std::size_t CounterBlock) {
    std::vector<std::uint64_t> Values;
    for (const auto& Counter : Out.Counters) Values.push_back(Block.Value(CounterBlock, Counter));
    return Values;
  };
  if (Out.Instances < 0) {
    Out.Values.push_back(ValuesAt(Block.ObjectCounterBlock(O)));
    return Out;
  }
  std::size_t Instance = Block.FirstInstance(O);
  for (std::int32_t I = 0; I < Out.Instances; ++I, Instance = Block.NextInstance(Instance)) {
    Out.Names.emplace_back();
    Block.InstanceName(Instance, Out.Names.back());
    Out.Values.push_back(ValuesAt(Block.InstanceCounterBlock(Instance)));
  }
  return Out;
}

TEST(ProcessorObjectTest, ProcessorsThenTotalWithIdleTimeIn100ns) {
  const auto Walked = Walk(ProcessorObject({184897200000, 185022700000}));
  EXPECT_EQ(Walked.Index, 238u);
  EXPECT_EQ(Walked.Names, (std::vector<std::string>{"0", "1", "_Total"}));
  ASSERT_EQ(Walked.Counters.size(), 1u);
  EXPECT_EQ(Walked.Counters[0].NameIndex, 6u);
  EXPECT_EQ(Walked.Counters[0].Size, 8u);
  EXPECT_EQ(Walked.Values[0][0], 184897200000u);
  EXPECT_EQ(Walked.Values[1][0], 185022700000u);
  EXPECT_EQ(Walked.Values[2][0], (184897200000u + 185022700000u) / 2);
}

TEST(ProcessObjectTest, OneInstancePerProcessWithItsProcessorTimeFirst) {
  const auto Process = ParseProcessStat(Fixture("pid_stat.txt"));
  ASSERT_TRUE(Process);
  const auto Walked = Walk(ProcessObject({*Process, {"caf\xc3\xa9", 4, 0}}, 100));
  EXPECT_EQ(Walked.Index, 230u);
  EXPECT_EQ(Walked.Names, (std::vector<std::string>{"my (odd) app", "caf\xe9"}));
  EXPECT_EQ(Walked.Values[0][0], 225u * 100000);
  EXPECT_EQ(Walked.Values[1][0], 4u * 100000);
}

TEST(NetworkObjectTest, ByteCountersAreSixtyFourBit) {
  std::vector<TNetworkInterface> Interfaces;
  for (const auto& Counters : ParseNetDev(Fixture("net_dev.txt"))) {
    Interfaces.push_back(
        {.Name = Counters.Name, .Received = Counters.Received, .Sent = Counters.Sent});
  }
  const auto Walked = Walk(NetworkObject(Interfaces));
  EXPECT_EQ(Walked.Names, (std::vector<std::string>{"lo", "eth0", "wlan0"}));
  ASSERT_EQ(Walked.Counters.size(), 2u);
  EXPECT_EQ(Walked.Counters[0].NameIndex, 264u);
  EXPECT_EQ(Walked.Counters[1].NameIndex, 506u);
  EXPECT_EQ(Walked.Counters[0].Size, 8u);
  EXPECT_EQ(Walked.Values[1], (std::vector<std::uint64_t>{6283745921u, 104857600u}));
}

TEST(SystemObjectTest, BootTimeInTheObjectsTimeBaseGivesTheUptime) {
  const std::int64_t Now = 133'000'000'000'000'000;
  const auto Uptime = ParseUptime100ns(Fixture("uptime.txt"));
  ASSERT_TRUE(Uptime);
  const auto Object = SystemObject(Now, Uptime, 300, 523);
  const auto Walked = Walk(Object);
  EXPECT_EQ(Walked.Instances, -1);
  EXPECT_EQ(Walked.Counters[0].NameIndex, 674u);
  EXPECT_EQ(Walked.Counters[1].NameIndex, 248u);
  EXPECT_EQ(Walked.Counters[2].NameIndex, 250u);
  const auto Boot = static_cast<std::int64_t>(Walked.Values[0][0]);
  EXPECT_EQ((Object.PerfTime - Boot) / Object.PerfFreq, 12345);
  EXPECT_EQ(Walked.Values[0][1], 300u);
  EXPECT_EQ(Walked.Values[0][2], 523u);
}

TEST(LinuxPerfDataSourceTest, SmallBufferAsksForMoreThenTheBlockFits) {
  TLinuxPerfDataSource Source;
  std::vector<std::uint8_t> Buffer(100);
  std::size_t Written = 0;
  EXPECT_EQ(Source.QueryValue("238", Buffer, Written), ErrorMoreData);
  Buffer.resize(1 << 20);
  ASSERT_EQ(Source.QueryValue("238", Buffer, Written), ErrorSuccess);
  const TPerfBlockReader Block(std::span<const std::uint8_t>(Buffer).first(Written));
  EXPECT_EQ(Block.NumObjectTypes(), 1u);
  const auto Processors = ParseCpuTicks([] {
    std::string Text;
    std::ifstream File("/proc/stat");
    std::getline(File, Text, '\0');
    return Text;
  }());
  EXPECT_EQ(Block.NumInstances(Block.FirstObject()),
            static_cast<std::int32_t>(Processors.size() + 1));
}

TEST(LinuxPerfDataSourceTest, EveryObjectIsServed) {
  TLinuxPerfDataSource Source;
  std::vector<std::uint8_t> Buffer(4 << 20);
  for (const char* Name : {"238", "230", "638", "2"}) {
    std::size_t Written = 0;
    ASSERT_EQ(Source.QueryValue(Name, Buffer, Written), ErrorSuccess) << Name;
    const TPerfBlockReader Block(std::span<const std::uint8_t>(Buffer).first(Written));
    EXPECT_EQ(Block.ObjectNameIndex(Block.FirstObject()),
              static_cast<std::uint32_t>(std::stoul(Name)));
  }
}

TEST(SystemObjectTest, FigureThatCannotBeReadLeavesItsCounterOut) {
  const auto Walked = Walk(SystemObject(133'000'000'000'000'000, std::nullopt, 300, std::nullopt));
  ASSERT_EQ(Walked.Counters.size(), 1u);
  EXPECT_EQ(Walked.Counters[0].NameIndex, 248u);
  EXPECT_EQ(Walked.Values[0][0], 300u);
}

// The source over a fake root: a few processes and interfaces.
class FakeRootPerfDataTest : public ::testing::Test {
 protected:
  // A process whose kernel name (comm) is Comm, with the given executable and command line.
  void Process(int Pid, const std::string& Comm, const std::string& Exe,
               const std::string& CmdLine) {
    const std::string Folder = "proc/" + std::to_string(Pid) + "/";
    Tree.Write(Folder + "stat", std::to_string(Pid) + " (" + Comm +
                                    ") S 1 1 1 0 -1 0 0 0 0 0 150 75 0 0 20 0 1 0 " +
                                    std::to_string(1000 + Pid) + " 0 0\n");
    Tree.Write(Folder + "cmdline", CmdLine);
    if (!Exe.empty()) Tree.Link(Folder + "exe", Exe);
  }
  TWalked Query(const char* Name) {
    std::vector<std::uint8_t> Buffer(1 << 20);
    std::size_t Written = 0;
    EXPECT_EQ(Source.QueryValue(Name, Buffer, Written), ErrorSuccess);
    Buffer.resize(Written);
    const TPerfBlockReader Block(Buffer);
    TWalked Out;
    const std::size_t O = Block.FirstObject();
    std::size_t C = Block.FirstCounter(O);
    for (std::uint32_t I = 0; I < Block.NumCounters(O); ++I, C = Block.NextCounter(C)) {
      Out.Counters.push_back(Block.Counter(C));
    }
    std::size_t Instance = Block.FirstInstance(O);
    for (std::int32_t I = 0; I < Block.NumInstances(O);
         ++I, Instance = Block.NextInstance(Instance)) {
      Out.Names.emplace_back();
      Block.InstanceName(Instance, Out.Names.back());
    }
    return Out;
  }

  testing::TFakeTree Tree;
  TLinuxPerfDataSource Source{Tree.Root()};
};

TEST_F(FakeRootPerfDataTest, ProcessInstancesCarryTheirFullNames) {
  using namespace std::string_literals;
  Process(100, "gnome-shell-cal", "/usr/libexec/gnome-shell-calendar-server",
          "/usr/libexec/gnome-shell-calendar-server\0"s);
  Process(101, "systemd-resolve", "", "/lib/systemd/systemd-resolved\0"s);  // exe unreadable
  Process(102, "kworker/0:1", "", "");
  Process(103, "foo-daemon", "/usr/bin/python3.11", "python3\0/usr/bin/foo-daemon\0"s);
  Process(104, "caf\xC3\xA9", "/opt/caf\xC3\xA9 bar (deleted)", "");
  auto Names = Query("230").Names;
  std::sort(Names.begin(), Names.end());
  EXPECT_EQ(Names,
            (std::vector<std::string>{"caf\xE9 bar", "foo-daemon", "gnome-shell-calendar-server",
                                      "kworker/0:1", "systemd-resolved"}));
}

TEST_F(FakeRootPerfDataTest, NewProcessUnderAReusedIdGetsItsOwnName) {
  Process(200, "first", "/bin/first-program", "");
  EXPECT_EQ(Query("230").Names, (std::vector<std::string>{"first-program"}));
  Tree.Remove("proc/200");
  Process(200, "first", "/bin/first", "");  // same id, same comm, started later
  Tree.Write("proc/200/stat", "200 (first) S 1 1 1 0 -1 0 0 0 0 0 1 1 0 0 20 0 1 0 99999 0 0\n");
  EXPECT_EQ(Query("230").Names, (std::vector<std::string>{"first"}));
}

TEST_F(FakeRootPerfDataTest, UnreadableUptimeLeavesItsCounterOut) {
  Process(1, "init", "/sbin/init", "");
  Tree.Write("proc/loadavg", "0.10 0.20 0.30 2/345 6789\n");
  const auto Without = Query("2");
  ASSERT_EQ(Without.Counters.size(), 2u);
  EXPECT_EQ(Without.Counters[0].NameIndex, 248u);
  EXPECT_EQ(Without.Counters[1].NameIndex, 250u);
  Tree.Write("proc/uptime", "12345.67 2345.00\n");
  EXPECT_EQ(Query("2").Counters.front().NameIndex, 674u);
}

TEST_F(FakeRootPerfDataTest, NetworkObjectListsTheCountedInterfacesInTheirOrder) {
  Tree.Write("proc/net/dev",
             "h\nh\n  veth0: 5 1 0 0 0 0 0 0 6 1 0 0 0 0 0 0\n"
             "  wlan0: 1 1 0 0 0 0 0 0 2 1 0 0 0 0 0 0\n"
             "   tun0: 3 1 0 0 0 0 0 0 4 1 0 0 0 0 0 0\n");
  for (const auto& [Name, Index, Link] :
       {std::tuple{"veth0", 3, 9}, {"wlan0", 4, 4}, {"tun0", 2, 2}}) {
    const std::string Folder = std::string("sys/class/net/") + Name + "/";
    Tree.Write(Folder + "flags", "0x1003");
    Tree.Write(Folder + "ifindex", std::to_string(Index));
    Tree.Write(Folder + "iflink", std::to_string(Link));
  }
  Tree.Folder("sys/class/net/wlan0/device");
  EXPECT_EQ(Query("638").Names, (std::vector<std::string>{"wlan0", "tun0"}));
  Source.ChooseAdapters({"veth0"});
  EXPECT_EQ(Query("638").Names, (std::vector<std::string>{"wlan0", "tun0", "veth0"}));
}

}  // namespace
}  // namespace dravel
