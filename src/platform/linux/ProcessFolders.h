#pragma once
// The processes of a proc folder: its numeric entries.

#include <dirent.h>

#include <memory>
#include <string>

namespace dravel {

// Calls Process with each process id; false when the folder cannot be read.
template <typename Visit>
bool ForEachProcess(const std::string& Proc, Visit&& Process) {
  const std::unique_ptr<DIR, int (*)(DIR*)> Dir(::opendir(Proc.c_str()), ::closedir);
  if (!Dir) return false;
  while (const dirent* Entry = ::readdir(Dir.get())) {
    const char* Name = Entry->d_name;
    if (*Name < '1' || *Name > '9') continue;
    Process(std::string(Name));
  }
  return true;
}

}  // namespace dravel
