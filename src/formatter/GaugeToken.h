#pragma once
// A bar or a history graph in a rendered line. The format engine replaces a tag that asks
// for one (BAR=N, GRAPH=N) by this token; the painters draw it, the text renderer turns it
// into block characters. It is a markup tag of its own kind, plain ASCII:
//
//   <~B:value:top:N>            a bar N cells wide
//   <~G:v1,v2,...,vk:top:N>     a graph N cells wide of k samples (1 <= k <= N), oldest first
//
// top is the top of the scale, or "*" where the scale follows the values shown (the
// largest of them); numbers are written as C writes them ("37.4", "1e+20"), whatever the
// locale. No tag of the markup begins with "~", so painters that know nothing of the
// token swallow it as an unknown tag, and no text of the tag language reads as one.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace dravel {

enum class TGaugeKind : char { Bar = 'B', Graph = 'G' };

// The widest bar or graph, in cells.
constexpr std::size_t MaxGaugeCells = 512;

struct TGaugeToken {
  TGaugeKind Kind = TGaugeKind::Bar;
  std::vector<double> Values;  // a bar's one value; a graph's samples, oldest first
  std::optional<double> Top;   // none: the scale follows the values
  std::size_t Cells = 1;       // 1 to MaxGaugeCells

  bool operator==(const TGaugeToken&) const = default;
};

// The token with its brackets. Values that are not finite are written as 0.
std::string WriteGaugeToken(const TGaugeToken& Token);
// The same with its values already written by GaugeNumberText and joined by ",".
std::string WriteGaugeToken(TGaugeKind Kind, std::string_view Values, std::optional<double> Top,
                            std::size_t Cells);
// A value as a token writes it.
std::string GaugeNumberText(double Value);

// The token whose text between the brackets is Tag, in either letter case (the markup
// parser upper-cases tags); none for anything else, a token out of its bounds included.
std::optional<TGaugeToken> ReadGaugeToken(std::string_view Tag);

// The top the token is drawn against: its Top, or else the largest of its values.
double GaugeTop(const TGaugeToken& Token);

// Value as a share of Top, from 0 to 1: values above the top count as the top, negative
// values, and any value against a top of 0 or less, as 0.
double GaugeShare(double Value, double Top);

}  // namespace dravel
