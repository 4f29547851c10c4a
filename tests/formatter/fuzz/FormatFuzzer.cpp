// libFuzzer entry: the first 312 bytes are the record, the rest one format text whose
// lines are evaluated; the whole input also goes through record assembly, arriving in
// pieces whose size follows from the input's length.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "formatter/formatter.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Bytes, std::size_t Size) {
  using namespace dravel;
  TRawDataShell Shell;
  std::size_t Assembled = 0;
  Shell.OnRecord = [&Assembled](TRawDataShell& Sender) {
    if (Sender.Data.Marker != RecordMarker) std::abort();
    ++Assembled;
  };
  const std::size_t Piece = Size % (RawDataSize + 1) + 1;
  for (std::size_t At = 0; At < Size; At += Piece) Shell.AddBytes(Bytes + At, std::min(Piece, Size - At));
  if (Assembled > Size / RawDataSize || Shell.PendingBytes() >= RawDataSize) std::abort();
  if (Size < RawDataSize) return 0;

  LoadRecord(Shell.Data, std::span<const std::uint8_t, RawDataSize>(Bytes, RawDataSize));
  TFormatterRegistry Registry(Shell, TFormatSettings{});
  const std::string_view Text(reinterpret_cast<const char*>(Bytes + RawDataSize),
                              Size - RawDataSize);
  Registry.DecideIfActive(Text);
  Registry.SetAlignment(Size % 2 == 0 ? TAlignment::Left : TAlignment::Right);
  std::size_t Start = 0;
  while (Start <= Text.size()) {
    const std::size_t End = std::min(Text.find('\n', Start), Text.size());
    Registry.Evaluate(Text.substr(Start, End - Start));
    Start = End + 1;
  }
  return 0;
}
