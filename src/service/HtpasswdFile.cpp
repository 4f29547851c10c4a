#include "service/HtpasswdFile.h"

#include <algorithm>
#include <fstream>

namespace dravel {

namespace {

constexpr std::size_t FileLimit = 1024 * 1024;
constexpr std::size_t BcryptLength = 60;

bool InBcryptAlphabet(char C) {
  return (C >= 'a' && C <= 'z') || (C >= 'A' && C <= 'Z') || (C >= '0' && C <= '9') || C == '.' || C == '/';
}

// What kind of hash this looks like, for the message about it.
std::string KindOf(std::string_view Hash) {
  if (Hash.starts_with("$apr1$")) return "an MD5 (apr1) hash";
  if (Hash.starts_with("{SHA}")) return "a SHA-1 hash";
  if (Hash.starts_with("$5$") || Hash.starts_with("$6$")) return "a SHA-crypt hash";
  if (Hash.starts_with("$2")) return "a malformed bcrypt hash";
  return "a hash that is not bcrypt";
}

std::string_view Trimmed(std::string_view Line) {
  while (!Line.empty() && (Line.back() == '\r' || Line.back() == ' ' || Line.back() == '\t')) Line.remove_suffix(1);
  while (!Line.empty() && (Line.front() == ' ' || Line.front() == '\t')) Line.remove_prefix(1);
  return Line;
}

}  // namespace

bool IsBcryptHash(std::string_view Hash) {
  if (Hash.size() != BcryptLength) return false;
  if (!Hash.starts_with("$2y$") && !Hash.starts_with("$2b$") && !Hash.starts_with("$2a$")) return false;
  if (Hash[4] < '0' || Hash[4] > '3' || Hash[5] < '0' || Hash[5] > '9' || Hash[6] != '$') return false;
  const int Cost = (Hash[4] - '0') * 10 + (Hash[5] - '0');
  if (Cost < 4 || Cost > 31) return false;
  return std::all_of(Hash.begin() + 7, Hash.end(), InBcryptAlphabet);
}

THtpasswdFile THtpasswdFile::Parse(std::string_view Text, const std::string& Name) {
  THtpasswdFile File;
  std::size_t Number = 0;
  while (!Text.empty()) {
    const std::size_t End = std::min(Text.find('\n'), Text.size());
    const std::string_view Line = Trimmed(Text.substr(0, End));
    Text.remove_prefix(std::min(End + 1, Text.size()));
    ++Number;
    if (Line.empty() || Line.front() == '#') continue;
    const auto Where = [&] { return Name + " line " + std::to_string(Number) + ": "; };
    const std::size_t Colon = Line.find(':');
    if (Colon == std::string_view::npos || Colon == 0) throw EHtpasswd(Where() + "not of the form user:hash");
    const std::string_view User = Line.substr(0, Colon);
    const std::string_view Hash = Line.substr(Colon + 1);
    if (!IsBcryptHash(Hash)) {
      throw EHtpasswd(Where() + "user \"" + std::string(User) + "\" has " + KindOf(Hash) +
                      "; only bcrypt ($2y$, $2b$, $2a$, as htpasswd -B writes) is accepted");
    }
    if (!File.FUsers.emplace(User, Hash).second) {
      throw EHtpasswd(Where() + "user \"" + std::string(User) + "\" is named twice");
    }
  }
  if (File.FUsers.empty()) throw EHtpasswd(Name + ": names no user");
  return File;
}

THtpasswdFile THtpasswdFile::Load(const std::filesystem::path& Path) {
  std::ifstream Stream(Path, std::ios::binary);
  if (!Stream) throw EHtpasswd(Path.string() + ": cannot be read");
  std::string Text;
  Text.resize(FileLimit + 1);
  Stream.read(Text.data(), static_cast<std::streamsize>(Text.size()));
  if (Stream.bad()) throw EHtpasswd(Path.string() + ": cannot be read");
  Text.resize(static_cast<std::size_t>(Stream.gcount()));
  if (Text.size() > FileLimit) throw EHtpasswd(Path.string() + ": larger than 1 MiB");
  return Parse(Text, Path.string());
}

const std::string* THtpasswdFile::HashOf(std::string_view User) const {
  const auto Found = FUsers.find(User);
  return Found == FUsers.end() ? nullptr : &Found->second;
}

}  // namespace dravel
