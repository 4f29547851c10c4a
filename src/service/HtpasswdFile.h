#pragma once
// The users of the web service: a file of "user:hash" lines as htpasswd writes them, with
// blank lines and "#" comments. Only bcrypt hashes ($2y$, $2b$, $2a$) are taken; any
// other line makes the whole file unusable, so a typo never opens or closes a door
// silently.

#include <filesystem>
#include <map>
#include <stdexcept>
#include <string>
#include <string_view>

namespace dravel {

// Says which file (and line) is wrong and how.
class EHtpasswd : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class THtpasswdFile {
 public:
  // Lines of the file called Name (used in the messages). Throws EHtpasswd.
  static THtpasswdFile Parse(std::string_view Text, const std::string& Name);
  // Reads at most 1 MiB from Path. Throws EHtpasswd.
  static THtpasswdFile Load(const std::filesystem::path& Path);

  // The user's stored hash, or null for a user not in the file.
  const std::string* HashOf(std::string_view User) const;
  // One of the stored hashes: checking against it costs what checking a real user costs.
  const std::string& AnyHash() const { return FUsers.begin()->second; }
  std::size_t Size() const { return FUsers.size(); }

 private:
  std::map<std::string, std::string, std::less<>> FUsers;  // never empty
};

// Whether Hash has the form of a bcrypt hash: "$2y$", "$2b$" or "$2a$", a cost of 04 to
// 31, "$", and 53 characters of bcrypt's alphabet.
bool IsBcryptHash(std::string_view Hash);

}  // namespace dravel
