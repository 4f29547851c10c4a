#pragma once
// Which of the things listed (adapters, sensors) take a family's numbered slots.

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace dravel {

// Slot n shows Chosen[n] when that names something listed, and nothing when it names
// something absent, so the other slots keep their places. A slot with no choice (an empty
// name, or none given) takes the next listed thing that no slot names, in listed order.
// The result holds SlotCount indices into Listed.
std::vector<std::optional<std::size_t>> AssignSlots(const std::vector<std::string>& Listed,
                                                    const std::vector<std::string>& Chosen,
                                                    std::size_t SlotCount);

}  // namespace dravel
