#include "WaybarWriter.h"

#include <charconv>
#include <cmath>

#include "DravelfmtLabels.h"
#include "JsonText.h"
#include "StatusMarkup.h"

namespace dravel {
namespace {

constexpr double PercentageLimit = 1e12;

void RemoveAll(std::string& Text, std::string_view What) {
  if (What.empty()) return;
  for (std::size_t At = Text.find(What); At != std::string::npos; At = Text.find(What, At))
    Text.erase(At, What.size());
}

void ReplaceAll(std::string& Text, std::string_view What, std::string_view With) {
  if (What.empty() || What == With) return;
  for (std::size_t At = Text.find(What); At != std::string::npos;
       At = Text.find(What, At + With.size()))
    Text.replace(At, What.size(), With);
}

std::string_view Trimmed(std::string_view Text) {
  const auto First = Text.find_first_not_of(" \t");
  if (First == std::string_view::npos) return {};
  return Text.substr(First, Text.find_last_not_of(" \t") - First + 1);
}

}  // namespace

std::optional<long long> PercentageValue(std::string_view Caption,
                                         const TFormatSettings& Settings) {
  const std::string Plain = StripMarkup(Caption);
  std::string_view Shown = Trimmed(Plain);
  if (Shown.ends_with('%')) Shown = Trimmed(Shown.substr(0, Shown.size() - 1));
  std::string Number(Shown);
  if (Settings.ThousandSeparator != Settings.DecimalSeparator)
    RemoveAll(Number, Settings.ThousandSeparator);
  ReplaceAll(Number, Settings.DecimalSeparator, ".");
  double Value = 0;
  const char* End = Number.data() + Number.size();
  const auto [Stop, Error] = std::from_chars(Number.data(), End, Value, std::chars_format::fixed);
  if (Number.empty() || Error != std::errc() || Stop != End || !std::isfinite(Value) ||
      std::fabs(Value) > PercentageLimit)
    return std::nullopt;
  return std::llround(Value);
}

void TWaybarWriter::Write(const TRefresh& Refresh, std::string& Out) const {
  std::string Tooltip;
  std::string First;
  for (std::size_t I = 0; I < Refresh.Lines.size(); ++I) {
    const std::string Line = TStatusLine(Refresh.Lines[I]).Pango(true);
    if (I == 0) First = Line;
    if (I > 0) Tooltip += '\n';
    Tooltip += Line;
  }
  Out += "{\"text\":";
  AppendJsonString(Out, First);
  Out += ",\"tooltip\":";
  AppendJsonString(Out, Tooltip);
  if (!FClass.empty()) {
    Out += ",\"class\":";
    AppendJsonString(Out, FClass);
  }
  if (const auto Percentage = PercentageValue(Refresh.Percentage, FSettings))
    Out += ",\"percentage\":" + std::to_string(*Percentage);
  Out += "}\n";
}

}  // namespace dravel
