#include "dravelfmt_record.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <istream>
#include <ostream>
#include <vector>

#include "sampling/RawData.h"

namespace dravel {
namespace {

// Reads at most one byte more than a record, so a longer file is told from a record
// without reading all of it.
std::vector<std::uint8_t> ReadUpTo(std::istream& In, std::size_t Limit) {
  std::vector<std::uint8_t> Bytes(Limit);
  In.read(reinterpret_cast<char*>(Bytes.data()), static_cast<std::streamsize>(Limit));
  Bytes.resize(static_cast<std::size_t>(In.gcount()));
  return Bytes;
}

}  // namespace

int RunRecord(const std::string& Path, std::istream& StandardInput, TRawDataShell& Shell,
              const std::function<void()>& OnRecord, std::ostream& Err) {
  const std::string Name = Path == "-" ? "standard input" : Path;
  std::vector<std::uint8_t> Bytes;
  if (Path == "-") {
    Bytes = ReadUpTo(StandardInput, RawDataSize + 1);
    if (StandardInput.bad()) {
      Err << "dravelfmt: cannot read " << Name << "\n";
      return 2;
    }
  } else {
    std::ifstream File(Path, std::ios::binary);
    if (!File) {
      Err << "dravelfmt: cannot read " << Name << ": " << std::strerror(errno) << "\n";
      return 2;
    }
    Bytes = ReadUpTo(File, RawDataSize + 1);
    if (File.bad()) {
      Err << "dravelfmt: cannot read " << Name << ": " << std::strerror(errno) << "\n";
      return 2;
    }
  }
  if (Bytes.size() != RawDataSize) {
    Err << "dravelfmt: " << Name << " is not a record: a record is exactly " << RawDataSize
        << " bytes, " << Name << " has "
        << (Bytes.size() > RawDataSize ? "more" : std::to_string(Bytes.size())) << "\n";
    return 2;
  }
  if (Bytes[0] != static_cast<std::uint8_t>(RecordMarker)) {
    Err << "dravelfmt: " << Name << " is not a record: it does not begin with \"W\"\n";
    return 2;
  }
  Shell.OnRecord = [&OnRecord](TRawDataShell&) { OnRecord(); };
  Shell.AddBytes(Bytes.data(), Bytes.size());
  Shell.OnRecord = nullptr;
  return 0;
}

}  // namespace dravel
