#pragma once
// Reading one tag of the tag language: its attributes, and where its opener stands.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace dravel {

// The most fill characters SIZE adds to one value.
constexpr std::size_t MaxFill = 4096;

struct TTagAttributes {
  std::string Format;                // FORMAT value as written; empty when absent
  bool LeadZero = false;
  bool Decimal = false;
  std::optional<std::size_t> Size;   // present when the tag holds "SIZE="
  char Fill = ' ';                   // CHAR value
};

// Tag: the text from "<" up to and including its ">"; keywords are found anywhere in it,
// without case, first occurrence counting.
TTagAttributes ParseTagAttributes(std::string_view Tag);

// Position of the next "<NAME=" + UpperName in UpperText at or after From, or npos.
std::size_t FindTagOpener(std::string_view UpperText, std::string_view UpperName, std::size_t From);

// Value padded to Size with Fill, before it when right-aligned, after it otherwise; never cut.
std::string PadValue(std::string Value, const TTagAttributes& Attributes, bool RightAligned);

}  // namespace dravel
