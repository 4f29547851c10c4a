#include "service/PortListFile.h"

#include "platform/AddressFilter.h"

#include <algorithm>
#include <atomic>
#include <charconv>
#include <memory>
#include <optional>
#include <fstream>
#include <functional>
#include <sstream>
#include <system_error>
#include <thread>

#include <unistd.h>

#include "formatter/TextCase.h"
#include "platform/SystemInfo.h"
#include "service/InvokableRegistry.h"

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

// Writes Text to a private file beside Path (a name no other thread or process uses); its
// path, or empty when it could not be written.
std::filesystem::path WriteBeside(const std::filesystem::path& Path, const std::string& Text) {
  static std::atomic<unsigned> Counter{0};
  std::filesystem::path Temporary = Path;
  Temporary += ".tmp" + std::to_string(::getpid()) + "." +
               std::to_string(std::hash<std::thread::id>{}(std::this_thread::get_id())) + "." +
               std::to_string(Counter++);
  std::ofstream File(Temporary, std::ios::binary | std::ios::trunc);
  if (File && File << Text && File.flush()) return Temporary;
  File.close();
  std::error_code Ignored;
  std::filesystem::remove(Temporary, Ignored);
  return {};
}

// Links a private copy of Text into place; the link fails when another request has created
// the file first, and that file is kept.
bool CreateExclusive(const std::filesystem::path& Path, const std::string& Text) {
  const std::filesystem::path Temporary = WriteBeside(Path, Text);
  if (Temporary.empty()) return false;
  std::error_code Error;
  std::filesystem::create_hard_link(Temporary, Path, Error);
  std::error_code Ignored;
  std::filesystem::remove(Temporary, Ignored);
  return !Error || Error == std::errc::file_exists;
}

std::string LowerAscii(std::string_view Text) {
  std::string Lower(Text);
  for (char& C : Lower)
    if (C >= 'A' && C <= 'Z') C = static_cast<char>(C - 'A' + 'a');
  return Lower;
}

std::string SchemeText(bool Https) { return Https ? "https://" : "http://"; }

// An address as the program writes it, taken apart: "http://" or "https://", Host
// [":" Port] Path.
struct TPortAddress {
  bool Https = false;
  std::string Host;  // as written, brackets of an IPv6 address included
  int Port = 80;
  std::string Path;
};

bool StartsWithText(std::string_view Text, std::string_view Start) {
  return Text.size() >= Start.size() && SameTextAscii(Text.substr(0, Start.size()), Start);
}

std::optional<TPortAddress> ParseAddress(std::string_view Address) {
  TPortAddress Parts;
  Parts.Https = StartsWithText(Address, SchemeText(true));
  if (!Parts.Https && !StartsWithText(Address, SchemeText(false))) return std::nullopt;
  if (Parts.Https) Parts.Port = 443;
  Address.remove_prefix(SchemeText(Parts.Https).size());
  const std::size_t Slash = Address.find('/');
  if (Slash == std::string_view::npos) return std::nullopt;
  std::string_view Authority = Address.substr(0, Slash);
  Parts.Path = std::string(Address.substr(Slash));
  if (Authority.empty()) return std::nullopt;
  const std::size_t HostEnd = Authority.front() == '[' ? Authority.find(']') : Authority.find(':');
  if (Authority.front() == '[' && HostEnd == std::string_view::npos) return std::nullopt;
  const std::size_t Colon = Authority.front() == '[' ? HostEnd + 1 : HostEnd;
  Parts.Host = std::string(Authority.substr(0, std::min(Colon, Authority.size())));
  if (Colon < Authority.size()) {
    if (Authority[Colon] != ':') return std::nullopt;
    const std::string_view Digits = Authority.substr(Colon + 1);
    int Port = 0;
    const auto [End, Error] = std::from_chars(Digits.data(), Digits.data() + Digits.size(), Port);
    if (Digits.empty() || Error != std::errc() || End != Digits.data() + Digits.size() || Port < 1 ||
        Port > 65535)
      return std::nullopt;
    Parts.Port = Port;
  }
  return Parts;
}

// Writes Text over Path through a file beside it, so a reader sees the old or the new.
bool ReplaceFile(const std::filesystem::path& Path, const std::string& Text) {
  const std::filesystem::path Temporary = WriteBeside(Path, Text);
  if (Temporary.empty()) return false;
  std::error_code Error;
  std::filesystem::rename(Temporary, Path, Error);
  if (Error) {
    std::error_code Ignored;
    std::filesystem::remove(Temporary, Ignored);
  }
  return !Error;
}

}  // namespace

TLocalHosts::TLocalHosts(std::vector<std::string> Names) : FNames(std::move(Names)) {
  for (std::string& Name : FNames) Name = LowerAscii(Name);
  for (const char* Loopback : {"localhost", "localhost.localdomain", "::1", "0.0.0.0", "::"})
    FNames.emplace_back(Loopback);
}

TLocalHosts TLocalHosts::OfThisMachine() {
  const std::unique_ptr<ISystemInfo> System = MakeSystemInfo();
  std::vector<std::string> Names;
  if (std::string Name = System->ComputerName(); !Name.empty()) {
    // The host name counts with and without its domain.
    if (const std::size_t Dot = Name.find('.'); Dot != std::string::npos && Dot > 0) Names.push_back(Name.substr(0, Dot));
    Names.push_back(std::move(Name));
  }
  for (const TIPv4Address& Address : System->HostAddresses()) {
    Names.push_back(std::to_string(Address[0]) + "." + std::to_string(Address[1]) + "." +
                    std::to_string(Address[2]) + "." + std::to_string(Address[3]));
  }
  return TLocalHosts(std::move(Names));
}

bool TLocalHosts::Contains(std::string_view Host) const {
  if (Host.size() >= 2 && Host.front() == '[' && Host.back() == ']') Host = Host.substr(1, Host.size() - 2);
  const std::string Lower = LowerAscii(Host);
  // All of 127.0.0.0/8 and every name under .localhost loop back.
  if (Lower.rfind("127.", 0) == 0 || Lower.ends_with(".localhost")) return true;
  for (const std::string& Name : FNames)
    if (Name == Lower) return true;
  return false;
}

std::string PortListHost(std::string_view Host, std::string_view Local, const TLocalHosts& Hosts) {
  if (Local.empty()) return std::string(Host);
  // The name without its port: "[v6]:port", "name:port" or a bare name or address.
  std::string_view Name = Host;
  if (Name.starts_with('[')) {
    Name = Name.substr(0, Name.find(']') == std::string_view::npos ? Name.size() : Name.find(']') + 1);
  } else if (Name.find(':') == Name.rfind(':')) {
    Name = Name.substr(0, Name.find(':'));
  }
  const std::string_view Rest = Host.substr(Name.size());
  const bool PortOnly = Rest.empty() || (Rest.front() == ':' && Rest.size() > 1 &&
                                         Rest.find_first_not_of("0123456789", 1) == std::string_view::npos);
  // The header's address when it is this machine's, else the connection's own address.
  const std::string_view LocalName = Local.substr(0, Local.rfind(':'));
  const bool Plain = Name.starts_with('[') ? ParseNetAddress(Name).has_value()
                                           : Name.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ"
                                                                    "0123456789.-") == std::string_view::npos;
  if (!Name.empty() && Plain && PortOnly && (Hosts.Contains(Name) || SameTextAscii(Name, LocalName))) return std::string(Host);
  return std::string(Local);
}

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

void TPortListFile::CreateIfMissing(std::string_view Header, std::string_view Local, bool Https) const {
  std::error_code Error;
  if (std::filesystem::exists(FPrimary, Error) || std::filesystem::exists(FFallback, Error)) return;
  const std::string Host = PortListHost(Header, Local, TLocalHosts::OfThisMachine());
  std::string Text;
  for (const TInterfaceInfo& Interface : RegisteredInterfaces()) {
    const std::string Name(Interface.Name);
    Text += "[" + Name + "]\n" + Name + "Port=" + SchemeText(Https) + std::string(Host) + "/soap/" + Name + "\n\n";
  }
  if (!CreateExclusive(FPrimary, Text)) {
    std::filesystem::create_directories(FFallback.parent_path(), Error);
    CreateExclusive(FFallback, Text);
  }
}

bool TPortListFile::FollowPort(std::uint16_t Port, bool Https, const TLocalHosts& Hosts) const {
  const std::filesystem::path Path = Location();
  std::error_code Missing;
  if (!std::filesystem::exists(Path, Missing)) return true;
  const std::string Text = FileText(Path);
  std::string Result;
  bool Changed = false;
  std::string Section;
  std::size_t Start = 0;
  while (Start < Text.size()) {
    const std::size_t End = Text.find('\n', Start);
    const std::size_t Next = End == std::string::npos ? Text.size() : End + 1;
    const std::string_view Raw(Text.data() + Start, Next - Start);
    Start = Next;
    const std::string_view Line = Trim(Raw.substr(0, Raw.find('\n')));
    if (!Line.empty() && Line.front() == '[') {
      const std::size_t Close = Line.find(']');
      Section = Close == std::string_view::npos ? std::string() : std::string(Trim(Line.substr(1, Close - 1)));
    }
    const std::size_t Equals = Line.find('=');
    const std::optional<TPortAddress> Address =
        Equals == std::string_view::npos ? std::nullopt : ParseAddress(Trim(Line.substr(Equals + 1)));
    const bool Own = Address && !Section.empty() &&
                     SameTextAscii(Trim(Line.substr(0, Equals)), Section + "Port") &&
                     SameTextAscii(Address->Path, "/soap/" + Section) && Hosts.Contains(Address->Host) &&
                     (Https || !Address->Https);
    if (!Own || (Address->Port == Port && Address->Https == Https)) {
      Result += Raw;
      continue;
    }
    // The entry's own name and host, the port and scheme now served, and the line's own ending.
    Result += std::string(Trim(Line.substr(0, Equals))) + "=" + SchemeText(Https) + Address->Host + ":" +
              std::to_string(Port) + Address->Path;
    if (Raw.size() >= 2 && Raw[Raw.size() - 2] == '\r') Result += '\r';
    if (Raw.back() == '\n') Result += '\n';
    Changed = true;
  }
  return !Changed || ReplaceFile(Path, Result);
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
