#include "service/PortListFile.h"

#include <atomic>
#include <fstream>
#include <functional>
#include <sstream>
#include <system_error>
#include <thread>

#include <unistd.h>

#include "service/InvokableRegistry.h"
#include "formatter/TextCase.h"

namespace dravel {

namespace {

constexpr std::size_t MaxFileBytes = 1 << 20;  // a port list is a few lines

std::string FileText(const std::filesystem::path& Path) {
  std::ifstream File(Path, std::ios::binary);
  std::string Text(MaxFileBytes, '\0');
  File.read(Text.data(), static_cast<std::streamsize>(Text.size()));
  Text.resize(static_cast<std::size_t>(File.gcount()));
  return Text;
}

std::string_view Trim(std::string_view Text) {
  const auto Blank = [](char C) { return C == ' ' || C == '\t' || C == '\r'; };
  while (!Text.empty() && Blank(Text.front())) Text.remove_prefix(1);
  while (!Text.empty() && Blank(Text.back())) Text.remove_suffix(1);
  return Text;
}

// Writes Text to a private file beside Path and links it into place; the link fails
// when another request has created the file first, and that file is kept.
bool CreateExclusive(const std::filesystem::path& Path, const std::string& Text) {
  static std::atomic<unsigned> Counter{0};
  std::filesystem::path Temporary = Path;
  Temporary += ".tmp" + std::to_string(::getpid()) + "." +
               std::to_string(std::hash<std::thread::id>{}(std::this_thread::get_id())) + "." +
               std::to_string(Counter++);
  {
    std::ofstream File(Temporary, std::ios::binary | std::ios::trunc);
    if (!File) return false;
    File << Text;
    if (!File.flush()) {
      std::error_code Ignored;
      std::filesystem::remove(Temporary, Ignored);
      return false;
    }
  }
  std::error_code Error;
  std::filesystem::create_hard_link(Temporary, Path, Error);
  std::error_code Ignored;
  std::filesystem::remove(Temporary, Ignored);
  return !Error || Error == std::errc::file_exists;
}

}  // namespace

std::filesystem::path PortListFileName(const std::filesystem::path& Executable) {
  std::filesystem::path Name = Executable;
  Name.replace_extension();
  Name += "_WSDLADMIN.INI";
  return Name;
}

TPortListFile::TPortListFile(std::filesystem::path Primary, std::filesystem::path Fallback)
    : FPrimary(std::move(Primary)), FFallback(std::move(Fallback)) {}

std::filesystem::path TPortListFile::Location() const {
  std::error_code Error;
  return std::filesystem::exists(FPrimary, Error) ? FPrimary : FFallback;
}

void TPortListFile::CreateIfMissing(std::string_view Host) const {
  std::error_code Error;
  if (std::filesystem::exists(FPrimary, Error) || std::filesystem::exists(FFallback, Error)) return;
  std::string Text;
  for (const TInterfaceInfo& Interface : RegisteredInterfaces()) {
    const std::string Name(Interface.Name);
    Text += "[" + Name + "]\n" + Name + "Port=http://" + std::string(Host) + "/soap/" + Name + "\n\n";
  }
  if (!CreateExclusive(FPrimary, Text)) {
    std::filesystem::create_directories(FFallback.parent_path(), Error);
    CreateExclusive(FFallback, Text);
  }
}

std::vector<TPortEntry> TPortListFile::Ports(std::string_view Interface) const {
  std::vector<TPortEntry> Entries;
  std::istringstream Lines(FileText(Location()));
  bool InSection = false;
  for (std::string Raw; std::getline(Lines, Raw);) {
    const std::string_view Line = Trim(Raw);
    if (Line.empty() || Line.front() == ';') continue;
    if (Line.front() == '[') {
      const std::size_t Close = Line.find(']');
      InSection = Close != std::string_view::npos && SameTextAscii(Trim(Line.substr(1, Close - 1)), Interface);
      continue;
    }
    const std::size_t Equals = Line.find('=');
    if (InSection && Equals != std::string_view::npos) {
      Entries.push_back({std::string(Trim(Line.substr(0, Equals))), std::string(Trim(Line.substr(Equals + 1)))});
    }
  }
  return Entries;
}

}  // namespace dravel
