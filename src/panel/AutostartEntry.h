#pragma once
// The XDG autostart entry that has the desktop start the panel at login:
// $XDG_CONFIG_HOME/autostart/dravel.desktop (~/.config when that is unset or relative).
#include <filesystem>
#include <string>

namespace dravel {

class TAutostartEntry {
 public:
  explicit TAutostartEntry(std::filesystem::path File = DefaultFile());

  static std::filesystem::path DefaultFile();
  const std::filesystem::path& File() const { return FFile; }

  // The file exists and its [Desktop Entry] group does not say Hidden=true.
  bool Enabled() const;
  // Writes the entry that starts Program, creating the folder; replaces any entry there.
  // Throws std::system_error when it cannot be written.
  void Enable(const std::filesystem::path& Program) const;
  // Removes the entry; nothing happens when there is none. Throws std::system_error when
  // it cannot be removed.
  void Disable() const;

 private:
  std::filesystem::path FFile;
};

// The entry's text for Program.
std::string AutostartEntryText(const std::filesystem::path& Program);

// Program as the Exec key of a desktop entry takes it: quoted and escaped where it holds
// characters the key reserves.
std::string DesktopExecArgument(const std::string& Program);

// The panel to start at login: the installed one, a "dravel" found on SearchPath (a PATH
// value), else Running, the program running now (a build's own path).
std::filesystem::path AutostartProgram(const std::filesystem::path& Running,
                                       const std::string& SearchPath);

}  // namespace dravel
