#pragma once
// The history of the bars and graphs in one line of a renderer (a panel label, an output
// line of dravelfmt). The engine is stateless: each refresh it gives every bar and graph
// token one value. The history remembers, per token position in the line, what earlier
// refreshes gave, and resolves the tokens of each refresh against it, so that what draws
// them needs nothing but the token.

#include <cstddef>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include "formatter/GaugeToken.h"

namespace dravel {

class TGaugeHistory {
 public:
  // One refresh of the line (the evaluated text). Returns it with each gauge token resolved:
  // a graph's token carries the last N values given at its position, oldest first, a bar's
  // its value; where the scale follows the values, the top is the largest value the graph
  // holds, or for a bar the largest since the history began. A position whose kind or
  // width changed starts afresh; so do positions a line no longer has.
  std::string Advance(std::string_view Line);
  // Forgets everything, as a new label or a changed text does.
  void Restart() { FSlots.clear(); }

 private:
  struct TSlot {
    TGaugeKind Kind;
    std::size_t Cells;
    std::deque<double> Samples;  // a graph's, oldest first
    // The samples as the token writes them, joined by ",", and the length of each: a
    // refresh writes only its new sample.
    std::string Written;
    std::deque<std::size_t> Lengths;
    double Largest;  // a bar's largest value so far
  };
  // The token written for this refresh.
  std::string Resolve(std::size_t Position, const TGaugeToken& Token);

  std::vector<TSlot> FSlots;
};

}  // namespace dravel
