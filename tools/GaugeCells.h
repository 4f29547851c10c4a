#pragma once
// Bars and graphs as text: a resolved gauge token (see formatter/GaugeHistory.h) drawn in
// N character cells with Unicode block characters, for terminals and status bars.
//
// A bar fills round(value / top x N x 8) eighths of its cells: full blocks (U+2588), then
// one partial block for the eighths left over (U+258F for one, up to U+2589 for seven),
// then blanks. A graph has a cell per sample, oldest first, and blanks on the left while
// it holds fewer than N: a sample of 0 is a blank, any other rises ceil(value / top x 8)
// eighths (U+2581 up to U+2588). Values above the top are drawn at the top, values below
// 0 as 0.

#include <string>
#include <string_view>

#include "formatter/GaugeToken.h"

namespace dravel {

enum class TCellStyle {
  Blocks,  // the block characters, in UTF-8
  Ascii,   // for encodings without them: "#" for each cell a bar fills at least half, and
           // a graph's eighths as ".,:-=+*#"
};

std::string GaugeCells(const TGaugeToken& Token, TCellStyle Style = TCellStyle::Blocks);

// Blocks when the encoding (an iconv name, such as the locale's) holds every block
// character, else Ascii.
TCellStyle CellStyleFor(std::string_view Charset);

}  // namespace dravel
