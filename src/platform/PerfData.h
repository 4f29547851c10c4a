#pragma once
// The performance-data query: a data block in the published Windows layouts for one
// object, asked for by its counter-name index as decimal text ("238", "230", "638", "2").

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace dravel {

constexpr std::uint32_t ErrorSuccess = 0;
constexpr std::uint32_t ErrorMoreData = 234;

// The standard counter-name indices of the objects and counters this program reads.
namespace PerfIndex {
constexpr std::uint32_t System = 2;
constexpr std::uint32_t Process = 230;
constexpr std::uint32_t Processor = 238;
constexpr std::uint32_t NetworkInterface = 638;
constexpr std::uint32_t ProcessorTime = 6;
constexpr std::uint32_t Processes = 248;
constexpr std::uint32_t Threads = 250;
constexpr std::uint32_t BytesReceived = 264;
constexpr std::uint32_t BytesSent = 506;
constexpr std::uint32_t SystemUpTime = 674;
}  // namespace PerfIndex

class IPerfDataSource {
 public:
  virtual ~IPerfDataSource() = default;
  // Fills Buffer with the object's data block and sets Written: ErrorSuccess. When the
  // block does not fit: ErrorMoreData, and the buffer's contents are undefined.
  virtual std::uint32_t QueryValue(std::string_view ValueName, std::span<std::uint8_t> Buffer,
                                   std::size_t& Written) = 0;
  // Interfaces the network object lists whatever their state, beside those it counts on
  // its own: the ones the user named for the adapter slots. Ignored by sources that list
  // every adapter anyway.
  virtual void ChooseAdapters(const std::vector<std::string>& Names) { (void)Names; }
};

// The running system's data, served in those layouts, from the files under Root + "/proc"
// and Root + "/sys"; Root is empty for this machine.
std::unique_ptr<IPerfDataSource> MakePerfDataSource(const std::string& Root = {});

}  // namespace dravel
