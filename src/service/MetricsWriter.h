#pragma once
// The Prometheus text exposition format (version 0.0.4): families with one "# HELP" and
// one "# TYPE" line each, written in the order they were first declared, whatever order
// their samples came in.

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace dravel {

enum class TMetricType { Counter, Gauge };

using TMetricLabels = std::vector<std::pair<std::string_view, std::string_view>>;

class TMetricsWriter {
 public:
  // Makes Name the family that the next samples belong to; a name declared before keeps
  // its first help text, type and place.
  void Family(std::string_view Name, std::string_view Help, TMetricType Type);
  // One sample of the current family. Label names are the caller's constants; values are
  // escaped. Throws std::logic_error before any Family().
  void Sample(const TMetricLabels& Labels, double Value);
  void Sample(double Value) { Sample({}, Value); }
  std::string Text() const;

  // "\\" and line feeds escaped, and for label values also the double quote.
  static std::string EscapeHelp(std::string_view Text);
  static std::string EscapeLabelValue(std::string_view Text);
  // Whole numbers below 2^53 without a fraction or exponent; "NaN", "+Inf", "-Inf".
  static std::string FormatValue(double Value);

 private:
  struct TFamily {
    std::string Name;
    std::string Lines;  // HELP and TYPE, then the samples
  };
  std::vector<TFamily> FFamilies;
  TFamily* FCurrent = nullptr;
};

}  // namespace dravel
