#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>
#include <vector>

#include "DravelfmtLive.h"
#include "sampling/RawData.h"

namespace dravel {
namespace {

TLiveRequest Quick(int Count) {
  TLiveRequest Request;
  Request.IntervalMs = 1;
  Request.Count = Count;
  return Request;
}

TEST(DravelfmtLiveTest, FirstPassIsUnseenThenOnePassPerRefresh) {
  TRawDataShell Shell;
  std::vector<bool> Passes;
  std::ostringstream Err;
  EXPECT_EQ(RunLive(
                Quick(2), TActiveFamilies{}, Shell,
                [&](bool Refresh) { Passes.push_back(Refresh); }, Err),
            0);
  EXPECT_EQ(Passes, (std::vector<bool>{false, true, true}));
  EXPECT_EQ(Shell.Data.Marker, 'W');
  EXPECT_TRUE(Err.str().empty());
}

TEST(DravelfmtLiveTest, OnlyTheActiveFamiliesAreSampled) {
  TRawDataShell Shell;
  std::ostringstream Err;
  ASSERT_EQ(RunLive(
                Quick(1), TActiveFamilies{}, Shell, [](bool) {}, Err),
            0);
  EXPECT_EQ(Shell.Data.DateTime, 0.0);
  TActiveFamilies NonPerf;
  NonPerf.NonPerf = true;
  ASSERT_EQ(RunLive(
                Quick(1), NonPerf, Shell, [](bool) {}, Err),
            0);
  EXPECT_GT(Shell.Data.DateTime, 0.0);
  EXPECT_GT(Shell.Data.UserName.Length, 0);
}

TEST(DravelfmtLiveTest, RecordIsDumpedAfterTheLastRefresh) {
  const std::string Path =
      ::testing::TempDir() + "dravelfmt-live-" + std::to_string(::getpid()) + ".rec";
  TLiveRequest Request = Quick(1);
  Request.DumpRecordPath = Path;
  TRawDataShell Shell;
  std::ostringstream Err;
  TActiveFamilies UTP;
  UTP.UTP = true;
  ASSERT_EQ(RunLive(
                Request, UTP, Shell, [](bool) {}, Err),
            0);
  std::ifstream File(Path, std::ios::binary);
  const std::vector<std::uint8_t> Bytes{std::istreambuf_iterator<char>(File), {}};
  std::remove(Path.c_str());
  ASSERT_EQ(Bytes.size(), RawDataSize);
  EXPECT_TRUE(std::equal(Bytes.begin(), Bytes.end(), RecordBytes(Shell.Data).begin()));
  EXPECT_GT(Shell.Data.Processes, 0);
}

// The loopback bytes received, from the kernel's own list.
double LoopbackKiloBytes() {
  std::ifstream NetDev("/proc/net/dev");
  for (std::string Line; std::getline(NetDev, Line);) {
    std::istringstream Words(Line);
    std::string Name;
    double Received = 0;
    if (Words >> Name >> Received && Name == "lo:") return Received / 1024;
  }
  return -1;
}

TEST(DravelfmtLiveTest, ChosenAdaptersTakeTheirSlotsAnAbsentOneStaysEmpty) {
  TLiveRequest Request = Quick(1);
  Request.Adapters = {"no-such-if0", "lo"};
  TRawDataShell Shell;
  Shell.Data.NetSumRead[1] = 99;
  std::ostringstream Err;
  TActiveFamilies Network;
  Network.Network = true;
  const double Before = LoopbackKiloBytes();
  ASSERT_EQ(RunLive(
                Request, Network, Shell, [](bool) {}, Err),
            0);
  const double After = LoopbackKiloBytes();
  EXPECT_EQ(Shell.Data.NetSumRead[1], 0.0f);
  EXPECT_GE(Shell.Data.NetSumRead[2], static_cast<float>(Before) - 1);
  EXPECT_LE(Shell.Data.NetSumRead[2], static_cast<float>(After) + 1);
  EXPECT_GE(Shell.Data.NetSumRead[0], Shell.Data.NetSumRead[2]);
}

TEST(DravelfmtLiveTest, UnwritableDumpIsAnError) {
  TLiveRequest Request = Quick(1);
  Request.DumpRecordPath = "/nonexistent-folder/record.bin";
  TRawDataShell Shell;
  std::ostringstream Err;
  EXPECT_EQ(RunLive(
                Request, TActiveFamilies{}, Shell, [](bool) {}, Err),
            2);
  EXPECT_NE(Err.str().find("/nonexistent-folder/record.bin"), std::string::npos);
}

}  // namespace
}  // namespace dravel
