#pragma once
// Reading one tag of the tag language: its attributes, and where its opener stands.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "formatter/GaugeToken.h"

namespace dravel {

// The most fill characters SIZE adds to one value.
constexpr std::size_t MaxFill = 4096;

// BAR=N or GRAPH=N: the value drawn as a bar, or its history as a graph, N cells wide.
struct TGaugeRequest {
  TGaugeKind Kind = TGaugeKind::Bar;
  std::size_t Cells = 1;  // 1 to MaxGaugeCells
};

struct TTagAttributes {
  std::string Format;                // FORMAT value as written; empty when absent
  bool LeadZero = false;
  bool Decimal = false;
  std::optional<std::size_t> Size;   // present when the tag holds "SIZE="
  char Fill = ' ';                   // CHAR value
  // BAR= or GRAPH= with a positive whole number (larger ones count as MaxGaugeCells);
  // with both, the one that stands first in the tag.
  std::optional<TGaugeRequest> Gauge;
  std::optional<double> Max;         // MAX= with a positive decimal number
};

// Tag: the text from "<" up to and including its ">"; keywords are found anywhere in it,
// without case, first occurrence counting.
TTagAttributes ParseTagAttributes(std::string_view Tag);

// The tag opener's fixed part.
constexpr std::string_view Opener = "<NAME=";

// Text at At begins with Upper, ASCII letters of Text compared without case.
bool UpperEqualsAt(std::string_view Text, std::size_t At, std::string_view Upper);
// Position of the next "<NAME=" in Text at or after From, without case; npos when none.
std::size_t FindOpener(std::string_view Text, std::size_t From);
// Position of the next "<NAME=" + UpperName in Text at or after From, ASCII letters
// compared without case; npos when there is none.
std::size_t FindTagOpener(std::string_view Text, std::string_view UpperName, std::size_t From);

// Value padded to Size with Fill, before it when right-aligned, after it otherwise; never cut.
// Shown is how many characters the value takes on the screen (a gauge token takes its cells).
std::string PadValue(std::string Value, std::size_t Shown, const TTagAttributes& Attributes,
                     bool RightAligned);

}  // namespace dravel
