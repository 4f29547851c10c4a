#include "panel/AutostartEntry.h"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string_view>
#include <system_error>

namespace dravel {

namespace {

constexpr std::size_t MaxEntryBytes = 1 << 16;  // a desktop entry is a few lines

std::string_view Trim(std::string_view Text) {
  while (!Text.empty() && (Text.front() == ' ' || Text.front() == '\t')) Text.remove_prefix(1);
  while (!Text.empty() && (Text.back() == ' ' || Text.back() == '\t' || Text.back() == '\r'))
    Text.remove_suffix(1);
  return Text;
}

std::filesystem::path ConfigHome() {
  // The base-directory rules ignore a relative XDG_CONFIG_HOME.
  if (const char* Config = std::getenv("XDG_CONFIG_HOME"); Config && Config[0] == '/') return Config;
  const char* Home = std::getenv("HOME");
  return std::filesystem::path(Home && *Home ? Home : "/") / ".config";
}

[[noreturn]] void Fail(int Error, const std::string& What) {
  throw std::system_error(Error ? Error : EIO, std::generic_category(), What);
}

}  // namespace

TAutostartEntry::TAutostartEntry(std::filesystem::path File) : FFile(std::move(File)) {}

std::filesystem::path TAutostartEntry::DefaultFile() {
  return ConfigHome() / "autostart" / "dravel.desktop";
}

bool TAutostartEntry::Enabled() const {
  std::ifstream In(FFile, std::ios::binary);
  if (!In) return false;
  std::string Text(MaxEntryBytes, '\0');
  In.read(Text.data(), static_cast<std::streamsize>(Text.size()));
  Text.resize(static_cast<std::size_t>(In.gcount()));
  std::istringstream Lines(Text);
  bool InMainGroup = false;
  for (std::string Raw; std::getline(Lines, Raw);) {
    const std::string_view Line = Trim(Raw);
    if (Line.empty() || Line.front() == '#') continue;
    if (Line.front() == '[') {
      InMainGroup = Line == "[Desktop Entry]";
      continue;
    }
    const std::size_t Equals = Line.find('=');
    if (InMainGroup && Equals != std::string_view::npos && Trim(Line.substr(0, Equals)) == "Hidden" &&
        Trim(Line.substr(Equals + 1)) == "true") {
      return false;
    }
  }
  return true;
}

void TAutostartEntry::Enable(const std::filesystem::path& Program) const {
  std::error_code Error;
  std::filesystem::create_directories(FFile.parent_path(), Error);
  if (Error) Fail(Error.value(), "Cannot create " + FFile.parent_path().string());
  // Written beside the entry and renamed into place, so the desktop never reads half of it.
  std::filesystem::path Temporary = FFile;
  Temporary += ".new" + std::to_string(::getpid());
  {
    std::ofstream Out(Temporary, std::ios::binary | std::ios::trunc);
    Out << AutostartEntryText(Program);
    Out.close();
    if (!Out) {
      const int Saved = errno;
      std::filesystem::remove(Temporary, Error);
      Fail(Saved, "Cannot write " + FFile.string());
    }
  }
  std::filesystem::rename(Temporary, FFile, Error);
  if (Error) {
    std::error_code Ignored;
    std::filesystem::remove(Temporary, Ignored);
    Fail(Error.value(), "Cannot write " + FFile.string());
  }
}

void TAutostartEntry::Disable() const {
  std::error_code Error;
  std::filesystem::remove(FFile, Error);
  if (Error) Fail(Error.value(), "Cannot remove " + FFile.string());
}

std::string AutostartEntryText(const std::filesystem::path& Program) {
  return "[Desktop Entry]\n"
         "Type=Application\n"
         "Name=Dravel\n"
         "Comment=Live figures about this machine in a small panel on the desktop\n"
         "Exec=" + DesktopExecArgument(Program.string()) + "\n"
         "Icon=dravel\n"
         "Terminal=false\n"
         "X-GNOME-Autostart-enabled=true\n";
}

std::string DesktopExecArgument(const std::string& Program) {
  constexpr std::string_view Reserved = " \t\n\"'\\><~|&;$*?#()`";
  std::string Argument;
  const bool Quote = Program.find_first_of(Reserved) != std::string::npos;
  for (const char C : Program) {
    if (C == '%') {
      Argument += "%%";  // field codes start with %
    } else if (Quote && (C == '"' || C == '`' || C == '$' || C == '\\')) {
      Argument += '\\';
      Argument += C;
    } else {
      Argument += C;
    }
  }
  if (Quote) Argument = '"' + Argument + '"';
  // The key's value is a string, in which a backslash is written twice.
  std::string Value;
  for (const char C : Argument) {
    if (C == '\\') Value += '\\';
    Value += C;
  }
  return Value;
}

std::filesystem::path AutostartProgram(const std::filesystem::path& Running,
                                       const std::string& SearchPath) {
  std::string_view Folders = SearchPath;
  while (!Folders.empty()) {
    const std::size_t Colon = Folders.find(':');
    const std::string_view Folder = Folders.substr(0, Colon);
    Folders = Colon == std::string_view::npos ? std::string_view() : Folders.substr(Colon + 1);
    // An empty or relative entry names the current folder, which is no installed place.
    if (Folder.empty() || Folder.front() != '/') continue;
    const std::filesystem::path Candidate = std::filesystem::path(Folder) / "dravel";
    std::error_code Error;
    if (std::filesystem::is_regular_file(Candidate, Error) && ::access(Candidate.c_str(), X_OK) == 0)
      return Candidate;
  }
  return Running;
}

}  // namespace dravel
