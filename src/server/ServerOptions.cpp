#include "server/ServerOptions.h"

#include "platform/AddressFilter.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <string_view>

namespace dravel {

namespace {

// Enough for any password; the rest of a longer first line is not read.
constexpr std::size_t PasswordLimit = 4096;

std::optional<long long> Integer(std::string_view Text) {
  long long Value = 0;
  const auto [End, Error] = std::from_chars(Text.data(), Text.data() + Text.size(), Value);
  if (Text.empty() || Error != std::errc{} || End != Text.data() + Text.size()) return std::nullopt;
  return Value;
}

std::uint16_t PortValue(const std::string& Option, const std::string& Text) {
  const auto Value = Integer(Text);
  if (!Value || *Value < 0 || *Value > 65535) {
    throw EServerOptions("dravel: " + Option + ": '" + Text + "' is not a port number (0 to 65535)");
  }
  return static_cast<std::uint16_t>(*Value);
}

int IntervalValue(const std::string& Option, const std::string& Text) {
  const auto Value = Integer(Text);
  if (!Value || *Value <= 0 || *Value > 24LL * 3600 * 1000) {
    throw EServerOptions("dravel: " + Option + ": '" + Text +
                         "' is not a positive number of milliseconds (at most a day)");
  }
  return static_cast<int>(*Value);
}

// Text, once Parse has accepted it.
template <typename TParse>
std::string Checked(const std::string& Option, std::string Text, TParse Parse) {
  try {
    Parse(Text);
  } catch (const EAddressText& Error) {
    throw EServerOptions("dravel: " + Option + ": " + Error.what());
  }
  return Text;
}

}  // namespace

std::string ReadPasswordFile(const std::string& File) {
  const auto Refuse = [&File](const std::string& Why) {
    return EServerOptions("dravel: --password-file: " + File + ": " + Why);
  };
  const int Fd = ::open(File.c_str(), O_RDONLY | O_CLOEXEC);
  if (Fd < 0) throw Refuse(std::strerror(errno));
  struct stat Info {};
  const bool Stated = ::fstat(Fd, &Info) == 0;
  std::array<char, PasswordLimit> Buffer{};
  const ssize_t Count = Stated && S_ISREG(Info.st_mode) ? ::read(Fd, Buffer.data(), Buffer.size()) : -1;
  const int ReadError = errno;
  ::close(Fd);
  if (!Stated || !S_ISREG(Info.st_mode)) throw Refuse("not a regular file");
  if ((Info.st_mode & (S_IRWXG | S_IRWXO)) != 0) {
    throw Refuse("readable or writable by others than its owner; chmod 600 it");
  }
  if (Count < 0) throw Refuse(std::strerror(ReadError));
  std::string_view Text(Buffer.data(), static_cast<std::size_t>(Count));
  Text = Text.substr(0, Text.find('\n'));
  if (Text.ends_with('\r')) Text.remove_suffix(1);
  return std::string(Text);
}

TServerOptions ParseServerOptions(const std::vector<std::string>& Args) {
  TServerOptions Options;
  for (std::size_t I = 0; I < Args.size(); ++I) {
    const std::string& Arg = Args[I];
    const std::size_t Equals = Arg.find('=');
    const std::string Name = Arg.substr(0, Equals);
    const auto Value = [&]() -> std::string {
      if (Equals != std::string::npos) return Arg.substr(Equals + 1);
      if (I + 1 >= Args.size()) throw EServerOptions("dravel: " + Name + ": a value is missing");
      return Args[++I];
    };
    if (Name == "--link-port") Options.LinkPort = PortValue(Name, Value());
    else if (Name == "--web-port") Options.WebPort = PortValue(Name, Value());
    else if (Name == "--interval") Options.Interval = IntervalValue(Name, Value());
    else if (Name == "--settings") Options.SettingsFile = Value();
    else if (Name == "--listen") Options.Listen = Checked(Name, Value(), ParseListenAddress);
    else if (Name == "--allow") Options.Allow = Checked(Name, Value(), TAddressFilter::Parse);
    else if (Arg == "--secure-only") Options.SecureOnly = true;
    else if (Name == "--password-file") {
      Options.PasswordFile = Value();
      ReadPasswordFile(*Options.PasswordFile);  // refused now, before anything listens
    } else {
      throw EServerOptions("dravel: " + Arg + ": not an option of --serve (--link-port, --web-port, "
                           "--password-file, --interval, --settings, --listen, --allow, --secure-only)");
    }
  }
  if (Options.SettingsFile && Options.SettingsFile->empty()) {
    throw EServerOptions("dravel: --settings: the file name is empty");
  }
  return Options;
}

}  // namespace dravel
