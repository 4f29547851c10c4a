#include "formatter/GaugeHistory.h"

#include <algorithm>

#include "formatter/QarvMarkup.h"

namespace dravel {

std::string TGaugeHistory::Advance(std::string_view Line) {
  std::string Resolved;
  std::size_t Position = 0;
  SplitAtGauges(
      Line, [&](std::string_view Plain) { Resolved += Plain; },
      [&](const TGaugeToken& Token) { Resolved += Resolve(Position++, Token); });
  FSlots.resize(std::min(FSlots.size(), Position));
  return Resolved;
}

std::string TGaugeHistory::Resolve(std::size_t Position, const TGaugeToken& Token) {
  // A token that already carries several values (a resolved caption evaluated again) gives
  // its newest.
  const double Value = Token.Values.back();
  TSlot Fresh{Token.Kind, Token.Cells, {}, {}, {}, Value};
  if (Position == FSlots.size()) {
    FSlots.push_back(std::move(Fresh));
  } else if (FSlots[Position].Kind != Token.Kind || FSlots[Position].Cells != Token.Cells) {
    FSlots[Position] = std::move(Fresh);
  }
  TSlot& Slot = FSlots[Position];
  if (Token.Kind == TGaugeKind::Bar) {
    Slot.Largest = std::max(Slot.Largest, Value);
    return WriteGaugeToken({.Kind = Token.Kind,
                            .Values = {Value},
                            .Top = Token.Top ? Token.Top : std::max(Slot.Largest, 0.0),
                            .Cells = Token.Cells});
  }
  const std::string Text = GaugeNumberText(Value);
  if (!Slot.Written.empty()) Slot.Written += ',';
  Slot.Written += Text;
  Slot.Lengths.push_back(Text.size());
  Slot.Samples.push_back(Value);
  if (Slot.Samples.size() > Slot.Cells) {
    Slot.Written.erase(0, Slot.Lengths.front() + 1);
    Slot.Lengths.pop_front();
    Slot.Samples.pop_front();
  }
  const double Top = Token.Top ? *Token.Top
                               : std::max(*std::max_element(Slot.Samples.begin(), Slot.Samples.end()), 0.0);
  return WriteGaugeToken(Token.Kind, Slot.Written, Top, Token.Cells);
}

}  // namespace dravel
