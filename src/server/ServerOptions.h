#pragma once
// The headless server's command line: GNU long options, each as "--name value" or
// "--name=value". Qt-free.

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace dravel {

// A bad option or value; what() is the one line to print, naming the option.
class EServerOptions : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct TServerOptions {
  // Each set only when given; a port of 0 switches its listener off.
  std::optional<std::uint16_t> LinkPort;
  std::optional<std::uint16_t> WebPort;
  std::optional<std::string> PasswordFile;
  std::optional<int> Interval;  // milliseconds, positive
  std::optional<std::string> SettingsFile;
  std::optional<std::string> Listen;  // an address, checked when parsed; empty: every one
  std::optional<std::string> Allow;   // addresses and ranges, checked when parsed
  bool SecureOnly = false;  // --secure-only: the plain link is refused
};

// Args are the arguments after "--serve". Throws EServerOptions for an unknown option, a
// missing value, a port outside 0-65535, an interval that is not a positive integer, and
// a password file that cannot be read or is open to others (ReadPasswordFile), and a
// malformed --listen address or --allow list.
TServerOptions ParseServerOptions(const std::vector<std::string>& Args);

// The first line of File without its line end. Throws EServerOptions naming
// "--password-file" when the file cannot be read or when its group or others may read
// or write it.
std::string ReadPasswordFile(const std::string& File);

}  // namespace dravel
