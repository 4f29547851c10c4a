#include "platform/NetworkInterfaces.h"

#include <gtest/gtest.h>

#include "FakeTree.h"

namespace dravel {
namespace {

using testing::TFakeTree;

// A fake /proc/net/dev and /sys/class/net: interfaces added one by one.
class NetworkInterfacesTest : public ::testing::Test {
 protected:
  struct TFake {
    std::string Name;
    unsigned Index;
    const char* Flags = "0x1003";  // up, broadcast, multicast
    unsigned Link = 0;             // 0: the interface's own index
    bool Physical = false;
    bool BridgePort = false;
    std::uint64_t Received = 0;
  };

  void Add(const TFake& Fake) {
    NetDev += Fake.Name + ": " + std::to_string(Fake.Received) + " 1 0 0 0 0 0 0 " +
              std::to_string(Fake.Received / 2) + " 1 0 0 0 0 0 0\n";
    Tree.Write("proc/net/dev", NetDev);
    const std::string Folder = "sys/class/net/" + Fake.Name + "/";
    Tree.Write(Folder + "flags", std::string(Fake.Flags) + "\n");
    Tree.Write(Folder + "ifindex", std::to_string(Fake.Index) + "\n");
    Tree.Write(Folder + "iflink", std::to_string(Fake.Link ? Fake.Link : Fake.Index) + "\n");
    if (Fake.Physical) Tree.Link(Folder + "device", "../../../0000:00:1f.6");
    if (Fake.BridgePort) Tree.Folder(Folder + "brport");
  }

  std::vector<std::string> Counted(const std::vector<std::string>& Chosen = {}) {
    std::vector<std::string> Names;
    for (const auto& Interface :
         CountedInterfaces(MakeNetworkInterfaces(Tree.Root())->List(), Chosen)) {
      Names.push_back(Interface.Name);
    }
    return Names;
  }

  TFakeTree Tree;
  std::string NetDev = "Inter-|   Receive\n face |bytes    packets\n";
};

TEST_F(NetworkInterfacesTest, CountersAndStateComeFromProcAndSys) {
  Add({.Name = "eth0", .Index = 2, .Physical = true, .Received = 6283745921u});
  Add({.Name = "ifb0", .Index = 3, .Flags = "0x82"});
  const auto All = MakeNetworkInterfaces(Tree.Root())->List();
  ASSERT_EQ(All.size(), 2u);
  EXPECT_EQ(All[0].Name, "eth0");
  EXPECT_EQ(All[0].Index, 2u);
  EXPECT_TRUE(All[0].Up);
  EXPECT_TRUE(All[0].Physical);
  EXPECT_FALSE(All[0].CountedElsewhere);
  EXPECT_EQ(All[0].Received, 6283745921u);
  EXPECT_EQ(All[0].Sent, 6283745921u / 2);
  EXPECT_FALSE(All[1].Up);
  EXPECT_FALSE(All[1].Physical);
}

TEST_F(NetworkInterfacesTest, DownLoopbackVethEndsAndBridgePortsAreLeftOut) {
  Add({.Name = "ifb0", .Index = 2, .Flags = "0x82"});
  Add({.Name = "enp3s0", .Index = 3, .Physical = true});
  Add({.Name = "lo2", .Index = 4, .Flags = "0x49"});  // a second loopback
  Add({.Name = "docker0", .Index = 5});
  Add({.Name = "veth1a2b", .Index = 7, .Link = 6, .BridgePort = true});
  Add({.Name = "vethpeer", .Index = 8, .Link = 9});
  Add({.Name = "tap0", .Index = 10, .BridgePort = true});
  Add({.Name = "eth0.100", .Index = 11, .Link = 3});  // a VLAN on enp3s0
  EXPECT_EQ(Counted(), (std::vector<std::string>{"enp3s0", "docker0"}));
}

TEST_F(NetworkInterfacesTest, PhysicalInterfacesComeFirstThenTheRestEachByIndex) {
  Add({.Name = "wg0", .Index = 12});
  Add({.Name = "wlp2s0", .Index = 4, .Physical = true});
  Add({.Name = "tun0", .Index = 9});
  Add({.Name = "enp0s31f6", .Index = 2, .Physical = true});
  EXPECT_EQ(Counted(), (std::vector<std::string>{"enp0s31f6", "wlp2s0", "tun0", "wg0"}));
}

TEST_F(NetworkInterfacesTest, ChosenInterfacesCountWhateverTheirState) {
  Add({.Name = "lo", .Index = 1, .Flags = "0x9"});
  Add({.Name = "eth0", .Index = 2, .Physical = true});
  Add({.Name = "veth0", .Index = 3, .Link = 4});
  Add({.Name = "eth1", .Index = 5, .Flags = "0x1002", .Physical = true});
  EXPECT_EQ(Counted(), (std::vector<std::string>{"eth0"}));
  EXPECT_EQ(Counted({"veth0", "eth1", "gone0", "lo"}),
            (std::vector<std::string>{"eth0", "eth1", "lo", "veth0"}));
}

TEST_F(NetworkInterfacesTest, InterfaceMissingFromSysCountsAfterTheKnownOnes) {
  // A sysfs mounted in another network namespace lacks this namespace's interfaces.
  Add({.Name = "eth0", .Index = 2, .Physical = true});
  NetDev += "lo: 10 1 0 0 0 0 0 0 20 1 0 0 0 0 0 0\n";
  NetDev += "ns0: 10 1 0 0 0 0 0 0 20 1 0 0 0 0 0 0\n";
  Tree.Write("proc/net/dev", NetDev);
  Add({.Name = "tun0", .Index = 6});
  EXPECT_EQ(Counted(), (std::vector<std::string>{"eth0", "tun0", "ns0"}));
}

TEST_F(NetworkInterfacesTest, UnreadableNetDevListsNothing) {
  EXPECT_TRUE(MakeNetworkInterfaces(Tree.Root())->List().empty());
}

}  // namespace
}  // namespace dravel
