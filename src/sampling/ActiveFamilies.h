#pragma once
// Which families of figures the format text shows; the sampler gathers only those.

namespace dravel {

struct TActiveFamilies {
  bool MBM = false;      // temperatures and fans
  bool UTP = false;      // uptime, threads, processes
  bool PageRAM = false;  // page file and memory
  bool Proc = false;     // processor usage
  bool Network = false;  // network rates and totals
  bool NonPerf = false;  // addresses, names, date and time, drives
};

}  // namespace dravel
