#pragma once
// The port list file: one section per interface, each entry a port name and its address.
// Created by the first request that reaches the publisher, then only read.

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace dravel {

struct TPortEntry {
  std::string Name;
  std::string Address;
};

// "<executable path without extension>_WSDLADMIN.INI".
std::filesystem::path PortListFileName(const std::filesystem::path& Executable);

class TPortListFile {
 public:
  // The file lives at Primary; when Primary's folder cannot be written it lives at
  // Fallback (in the settings folder) instead.
  TPortListFile(std::filesystem::path Primary, std::filesystem::path Fallback);

  // Creates the file when neither place has it: for each registered interface the entry
  // "<name>Port" = "http://<Host>/soap/<name>". Concurrent first requests create it once.
  void CreateIfMissing(std::string_view Host) const;
  // The entries of the section Interface (its name compared without regard to case), in
  // file order; none when the file or the section is missing.
  std::vector<TPortEntry> Ports(std::string_view Interface) const;
  // Where the file is read from: Primary when it exists there, else Fallback.
  std::filesystem::path Location() const;

 private:
  std::filesystem::path FPrimary;
  std::filesystem::path FFallback;
};

}  // namespace dravel
