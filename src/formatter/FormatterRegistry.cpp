#include "formatter/FormatterRegistry.h"

namespace dravel {

TFormatterRegistry::TFormatterRegistry(TRawDataShell& Shell, const TFormatSettings& Settings)
    : FMBM(Shell, Settings),
      FUTP(Shell, Settings),
      FPageRAM(Shell, Settings),
      FProc(Shell, Settings),
      FNetwork(Shell, Settings),
      FNonPerf(Shell, Settings),
      FAll{&FMBM, &FUTP, &FPageRAM, &FProc, &FNetwork, &FNonPerf},
      FConstAll{&FMBM, &FUTP, &FPageRAM, &FProc, &FNetwork, &FNonPerf} {}

void TFormatterRegistry::DecideIfActive(std::string_view FormatText) {
  for (TFormatter* Formatter : FAll) Formatter->DecideIfActive(FormatText);
}

void TFormatterRegistry::SetAlignment(TAlignment Alignment) {
  for (TFormatter* Formatter : FAll) Formatter->SetAlignment(Alignment);
}

std::string TFormatterRegistry::Evaluate(std::string_view Line) const {
  std::string Text(Line);
  for (const TFormatter* Formatter : FConstAll) {
    if (Formatter->Active()) Text = Formatter->ReplaceTags(Text);
  }
  return Text;
}

TActiveFamilies TFormatterRegistry::ActiveFamilies() const {
  return {.MBM = FMBM.Active(),
          .UTP = FUTP.Active(),
          .PageRAM = FPageRAM.Active(),
          .Proc = FProc.Active(),
          .Network = FNetwork.Active(),
          .NonPerf = FNonPerf.Active()};
}

std::vector<std::string> TFormatterRegistry::ListItemNames() const {
  std::vector<std::string> Names;
  for (const TFormatter* Formatter : FConstAll) Formatter->ListItemNames(Names);
  return Names;
}

std::string TFormatterRegistry::GetUsageText(std::string_view DisplayName) const {
  std::string Text;
  for (const TFormatter* Formatter : FConstAll) Text += Formatter->GetUsageText(DisplayName);
  return Text;
}

std::string TFormatterRegistry::GetDefaultTag(std::string_view DisplayName) const {
  for (const TFormatter* Formatter : FConstAll) {
    std::string Tag = Formatter->GetDefaultTag(DisplayName);
    if (!Tag.empty()) return Tag;
  }
  return {};
}

std::string DefaultFormatText(const TFormatterRegistry& Registry) {
  const auto Tag = [&Registry](std::string_view DisplayName) {
    return Registry.GetDefaultTag(DisplayName);
  };
  const std::string Lines[] = {
      Tag("Processor Usage"),
      Tag("System Processes Count") + Tag("System Thread Count"),
      Tag("Uptime"),
      Tag("PageUsed") + "/" + Tag("PageTotal"),
      Tag("RAMUsed") + "/" + Tag("RAMTotal"),
      Tag("Date and Time"),
      Tag("IP Addresses"),
      Tag("Computer Name"),
  };
  std::string Text;
  for (const std::string& Line : Lines) {
    if (!Text.empty()) Text += "\r\n";
    Text += Line;
  }
  return Text;
}

}  // namespace dravel
