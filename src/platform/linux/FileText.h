#pragma once
// Whole small system files (/proc, /sys) read into memory.

#include <string>

namespace dravel {

// False when the file cannot be opened or read; at most 16 MiB are kept.
bool ReadTextFile(const std::string& Path, std::string& Text);

}  // namespace dravel
