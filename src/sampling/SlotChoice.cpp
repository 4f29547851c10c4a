#include "sampling/SlotChoice.h"

#include <algorithm>

namespace dravel {

std::vector<std::optional<std::size_t>> AssignSlots(const std::vector<std::string>& Listed,
                                                    const std::vector<std::string>& Chosen,
                                                    std::size_t SlotCount) {
  const auto IsChosen = [&](const std::string& Name) {
    return std::find(Chosen.begin(), Chosen.end(), Name) != Chosen.end();
  };
  std::vector<std::optional<std::size_t>> Slots(SlotCount);
  std::size_t Next = 0;  // the next listed thing for a slot without a choice
  for (std::size_t Slot = 0; Slot < SlotCount; ++Slot) {
    if (Slot < Chosen.size() && !Chosen[Slot].empty()) {
      const auto Found = std::find(Listed.begin(), Listed.end(), Chosen[Slot]);
      if (Found != Listed.end()) Slots[Slot] = static_cast<std::size_t>(Found - Listed.begin());
      continue;
    }
    while (Next < Listed.size() && IsChosen(Listed[Next])) ++Next;
    if (Next < Listed.size()) Slots[Slot] = Next++;
  }
  return Slots;
}

}  // namespace dravel
