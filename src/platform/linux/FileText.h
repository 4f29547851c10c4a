#pragma once
// Whole small system files (/proc, /sys) read into memory.

#include <cstddef>
#include <string>

namespace dravel {

inline constexpr std::size_t TextFileLimit = 16u << 20;

// False when the file cannot be opened or read; at most Limit bytes are kept.
bool ReadTextFile(const std::string& Path, std::string& Text, std::size_t Limit = TextFileLimit);

}  // namespace dravel
