#include "formatter/GaugeHistory.h"

#include <algorithm>

#include "formatter/QarvMarkup.h"

namespace dravel {

std::string TGaugeHistory::Advance(std::string_view Line) {
  std::string Resolved;
  std::size_t Position = 0;
  SplitAtGauges(
      Line, [&](std::string_view Plain) { Resolved += Plain; },
      [&](const TGaugeToken& Token) { Resolved += WriteGaugeToken(Resolve(Position++, Token)); });
  FSlots.resize(std::min(FSlots.size(), Position));
  return Resolved;
}

TGaugeToken TGaugeHistory::Resolve(std::size_t Position, const TGaugeToken& Token) {
  // A token that already carries several values (a resolved caption evaluated again) gives
  // its newest.
  const double Value = Token.Values.back();
  const TSlot Fresh{Token.Kind, Token.Cells, {}, Value};
  if (Position == FSlots.size()) {
    FSlots.push_back(Fresh);
  } else if (FSlots[Position].Kind != Token.Kind || FSlots[Position].Cells != Token.Cells) {
    FSlots[Position] = Fresh;
  }
  TSlot& Slot = FSlots[Position];
  TGaugeToken Out{.Kind = Token.Kind, .Values = {}, .Top = Token.Top, .Cells = Token.Cells};
  if (Token.Kind == TGaugeKind::Bar) {
    Slot.Largest = std::max(Slot.Largest, Value);
    Out.Values = {Value};
    if (!Out.Top) Out.Top = std::max(Slot.Largest, 0.0);
  } else {
    Slot.Samples.push_back(Value);
    if (Slot.Samples.size() > Slot.Cells) Slot.Samples.pop_front();
    Out.Values.assign(Slot.Samples.begin(), Slot.Samples.end());
    if (!Out.Top) Out.Top = std::max(*std::max_element(Out.Values.begin(), Out.Values.end()), 0.0);
  }
  return Out;
}

}  // namespace dravel
