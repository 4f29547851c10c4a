// libFuzzer entry: the first 312 bytes are the record, the rest one format text whose
// lines are evaluated; the whole input also goes through record assembly.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "formatter/formatter.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Bytes, std::size_t Size) {
  using namespace dravel;
  TRawDataShell Shell;
  Shell.AddBytes(Bytes, Size);
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
