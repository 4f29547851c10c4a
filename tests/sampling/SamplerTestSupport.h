#pragma once
// Fakes of the platform sources the sampler reads, serving blocks built from plain values.

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform/PerfBlockBuilder.h"
#include "platform/PerfData.h"
#include "platform/SystemInfo.h"
#include "sampling/MBMReader.h"
#include "sampling/Sampler.h"

namespace dravel::test {

class TFakePerfData : public IPerfDataSource {
 public:
  std::uint32_t QueryValue(std::string_view ValueName, std::span<std::uint8_t> Buffer,
                           std::size_t& Written) override {
    Calls.push_back({std::string(ValueName), Buffer.size()});
    const auto Found = Blocks.find(std::string(ValueName));
    if (Found == Blocks.end()) return 2;  // not found: the buffer is left as it is
    return CopyPerfBlock(Found->second, Buffer, Written);
  }

  void ChooseAdapters(const std::vector<std::string>& Names) override { ChosenAdapters = Names; }

  void Serve(const std::string& Name, const TPerfBlockDesc& Desc) {
    Blocks[Name] = BuildPerfBlock(Desc);
  }
  std::size_t CallsFor(const std::string& Name) const {
    std::size_t Count = 0;
    for (const auto& Call : Calls) Count += Call.Name == Name;
    return Count;
  }

  struct TCall {
    std::string Name;
    std::size_t BufferSize;
  };
  std::map<std::string, std::vector<std::uint8_t>> Blocks;
  std::vector<TCall> Calls;
  std::vector<std::string> ChosenAdapters;
};

class TFakeSystemInfo : public ISystemInfo {
 public:
  bool MemoryStatus(TMemoryStatus& Status) override {
    Status = Memory;
    return MemoryReadable;
  }
  std::vector<TIPv4Address> HostAddresses() override {
    ++AddressCalls;
    return Addresses;
  }
  bool DiskFreeSpace(char Letter, TDiskSpace& Space) override {
    DiskCalls.push_back(Letter);
    const auto Found = Disks.find(Letter);
    if (Found == Disks.end()) return false;
    Space = Found->second;
    return true;
  }
  std::string ComputerName() override {
    ++ComputerNameCalls;
    return Computer;
  }
  std::string UserName() override {
    ++UserNameCalls;
    return User;
  }
  double LocalDateTime() override { return Now; }

  TMemoryStatus Memory;
  bool MemoryReadable = true;
  std::vector<TIPv4Address> Addresses;
  std::map<char, TDiskSpace> Disks;
  std::string Computer = "host";
  std::string User = "user";
  double Now = 38053.375;
  int AddressCalls = 0;
  std::vector<char> DiskCalls;
  int ComputerNameCalls = 0;
  int UserNameCalls = 0;
};

// Processor blocks: counter 6 (64-bit) per instance, time stamp of the data block.
inline TPerfBlockDesc ProcessorBlock(
    std::int64_t Time, const std::vector<std::pair<std::u16string, std::uint64_t>>& Instances) {
  TPerfObjectDesc Object;
  Object.NameIndex = 238;
  Object.Counters = {{6, 8, PerfCounterType::Timer100nsInverse}};
  for (const auto& [Name, Idle] : Instances) Object.Instances.push_back({Name, {Idle}});
  TPerfBlockDesc Block;
  Block.PerfTime100nSec = Time;
  Block.Objects = {Object};
  return Block;
}

inline TPerfBlockDesc InstanceBlock(std::uint32_t Index, std::vector<TPerfCounterDesc> Counters,
                                    std::vector<TPerfInstanceDesc> Instances) {
  TPerfObjectDesc Object;
  Object.NameIndex = Index;
  Object.Counters = std::move(Counters);
  Object.Instances = std::move(Instances);
  TPerfBlockDesc Block;
  Block.Objects = {Object};
  return Block;
}

// The sampler over the fakes, with an MBM reader whose library and blocks do not exist.
struct TSamplerRig {
  TSamplerRig()
      : MBM(TMBMNames{"dravel-test-none-i", "dravel-test-none-d", "/nonexistent/MBMStarter.so"}),
        Sampler(Shell, PerfData, System, MBM) {
    Sampler.RenderLabels = [this] { ++Renders; };
  }
  void Pass(const TActiveFamilies& Active, bool Forced = false) {
    Sampler.SamplePass(Active, Forced);
  }

  TRawDataShell Shell;
  TFakePerfData PerfData;
  TFakeSystemInfo System;
  TMBMReader MBM;
  TSampler Sampler;
  int Renders = 0;
};

// The flags with only one family active.
inline TActiveFamilies Only(bool TActiveFamilies::*Family) {
  TActiveFamilies Active;
  Active.*Family = true;
  return Active;
}

}  // namespace dravel::test
