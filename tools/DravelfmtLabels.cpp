#include "DravelfmtLabels.h"

#include "formatter/TextLines.h"

namespace dravel {

TLabelText::TLabelText(TRawDataShell& Shell, const TFormatSettings& Settings,
                       std::string_view Text, TAlignment Alignment, std::string_view Side)
    : FRegistry(Shell, Settings), FLines(SplitLines(Text)), FSide(Side) {
  FRegistry.DecideIfActive(Side.empty() ? std::string(Text) : std::string(Text) + "\r\n" + FSide);
  FRegistry.SetAlignment(Alignment);
}

std::vector<std::string> TLabelText::Render() const {
  std::vector<std::string> Captions;
  Captions.reserve(FLines.size());
  for (const std::string& Line : FLines) Captions.push_back(FRegistry.Evaluate(Line));
  return Captions;
}

std::string StripMarkup(std::string_view Caption) {
  std::string Plain;
  std::size_t At = 0;
  while (At < Caption.size()) {
    if (Caption[At] != '<') {
      Plain += Caption[At++];
      continue;
    }
    const std::size_t Close = Caption.find('>', At + 1);
    const std::string_view Tag =
        Caption.substr(At + 1, Close == std::string_view::npos ? Caption.npos : Close - At - 1);
    if (Tag == "<") Plain += '<';
    At = Close == std::string_view::npos ? Caption.size() : Close + 1;
  }
  return Plain;
}

}  // namespace dravel
