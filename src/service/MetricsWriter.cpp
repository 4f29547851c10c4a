#include "service/MetricsWriter.h"

#include <charconv>
#include <cmath>
#include <stdexcept>

namespace dravel {

namespace {

std::string Escape(std::string_view Text, bool Quote) {
  std::string Out;
  Out.reserve(Text.size());
  for (const char C : Text) {
    if (C == '\\') Out += "\\\\";
    else if (C == '\n') Out += "\\n";
    else if (C == '"' && Quote) Out += "\\\"";
    else Out += C;
  }
  return Out;
}

}  // namespace

std::string TMetricsWriter::EscapeHelp(std::string_view Text) { return Escape(Text, false); }

std::string TMetricsWriter::EscapeLabelValue(std::string_view Text) { return Escape(Text, true); }

std::string TMetricsWriter::FormatValue(double Value) {
  if (std::isnan(Value)) return "NaN";
  if (std::isinf(Value)) return Value > 0 ? "+Inf" : "-Inf";
  constexpr double Exact = 9007199254740992.0;  // 2^53
  char Buffer[32];
  if (std::trunc(Value) == Value && std::fabs(Value) < Exact) {
    const auto [End, Error] = std::to_chars(Buffer, Buffer + sizeof Buffer, static_cast<long long>(Value));
    return std::string(Buffer, End);
  }
  const auto [End, Error] = std::to_chars(Buffer, Buffer + sizeof Buffer, Value);
  return std::string(Buffer, End);
}

void TMetricsWriter::Family(std::string_view Name, std::string_view Help, TMetricType Type) {
  for (TFamily& Family : FFamilies) {
    if (Family.Name == Name) {
      FCurrent = &Family;
      return;
    }
  }
  TFamily Family{std::string(Name), {}};
  Family.Lines.append("# HELP ").append(Name).append(" ").append(EscapeHelp(Help)).append("\n");
  Family.Lines.append("# TYPE ").append(Name).append(Type == TMetricType::Counter ? " counter\n" : " gauge\n");
  FFamilies.push_back(std::move(Family));
  FCurrent = &FFamilies.back();
}

void TMetricsWriter::Sample(const TMetricLabels& Labels, double Value) {
  if (!FCurrent) throw std::logic_error("a metric sample before its family");
  std::string& Out = FCurrent->Lines;
  Out += FCurrent->Name;
  if (!Labels.empty()) {
    Out += '{';
    for (std::size_t I = 0; I < Labels.size(); ++I) {
      if (I) Out += ',';
      Out.append(Labels[I].first).append("=\"").append(EscapeLabelValue(Labels[I].second)).append("\"");
    }
    Out += '}';
  }
  Out.append(" ").append(FormatValue(Value)).append("\n");
}

std::string TMetricsWriter::Text() const {
  std::string Out;
  for (const TFamily& Family : FFamilies) Out += Family.Lines;
  return Out;
}

}  // namespace dravel
