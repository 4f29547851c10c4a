#pragma once
// The process's own resources: how many files it may hold open, and handing the heap
// memory it has freed back to the system.

#include <cstddef>

namespace dravel {

// Raises the soft open-files limit to the hard limit, at most 65536 (never lowers it);
// returns the soft limit in force afterwards.
std::size_t RaiseOpenFileLimit();
// The soft open-files limit now in force.
std::size_t OpenFileLimit();
// Returns freed heap pages to the system, so a burst of large requests does not leave
// the resident size high.
void ReleaseFreeMemory();

}  // namespace dravel
