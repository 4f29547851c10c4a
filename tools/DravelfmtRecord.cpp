#include "DravelfmtRecord.h"

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
  const auto CannotRead = [&] {
    const int Error = errno;  // before the output can change it
    Err << "dravelfmt: cannot read " << Name;
    if (Path != "-") Err << ": " << std::strerror(Error);
    Err << "\n";
    return 2;
  };
  std::ifstream File;
  std::istream* In = &StandardInput;
  if (Path != "-") {
    File.open(Path, std::ios::binary);
    if (!File) return CannotRead();
    In = &File;
  }
  const std::vector<std::uint8_t> Bytes = ReadUpTo(*In, RawDataSize + 1);
  if (In->bad()) return CannotRead();
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
