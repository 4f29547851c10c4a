#pragma once
// Passwords on the web face: every request must carry "Authorization: Basic" credentials
// of a user in the users file, or it is answered 401 with a challenge. Credentials come
// only over TLS unless plain HTTP is allowed; over plain HTTP they are refused unread.
// Failed checks are throttled per peer address (429 before any bcrypt runs). The users
// file is looked at again at most every RecheckEvery; one that turns unreadable or
// malformed refuses every request (503), logged once, until it is good again.

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include <sys/stat.h>

#include "service/BasicCredentials.h"
#include "service/FailureThrottle.h"
#include "service/HtpasswdFile.h"
#include "service/HttpRequestReader.h"
#include "service/SuccessCache.h"
#include "service/WebRequest.h"

namespace dravel {

// Who may use the web service. No users file: everyone, without credentials.
struct TWebAuthConfig {
  std::filesystem::path UsersFile;
  bool AllowPlain = false;  // credentials over plain HTTP too
  std::size_t SuccessCache = 1024;  // successes remembered; 0 checks every request
  bool operator==(const TWebAuthConfig&) const = default;
};

class TBasicAuthGate {
 public:
  using TLog = std::function<void(const std::string&)>;
  using TClock = TFailureThrottle::TClock;

  // Reads the users file; throws EHtpasswd when it cannot be used.
  TBasicAuthGate(TWebAuthConfig Config, TLog Log, TClock::duration RecheckEvery = std::chrono::seconds(1));

  // None when the request may be served, else the answer to it. From any thread.
  std::optional<TWebResponse> Refusal(const THttpRequest& Request);
  // bcrypt checks run so far.
  std::size_t PasswordChecks() const { return FChecks; }

 private:
  // What tells a changed users file: a new file moved in place, or the same one written.
  struct TStamp {
    dev_t Device = 0;
    ino_t Inode = 0;
    off_t Size = 0;
    timespec Modified{};
    static std::optional<TStamp> Of(const std::filesystem::path& Path);
    bool operator==(const TStamp& Other) const;
  };

  struct TUsersNow {
    std::shared_ptr<const THtpasswdFile> Users;  // null while the file is unusable
    std::uint64_t Generation;                    // grows with every re-read
  };

  TUsersNow CurrentUsers();
  void Reread(const std::optional<TStamp>& Stamp);
  bool Verify(const THtpasswdFile& Users, const std::string& User, const std::string& Password);
  // Remembers a success unless the file was re-read since Generation.
  void Remember(std::uint64_t Generation, const TBasicCredentials& Credentials);

  const TWebAuthConfig FConfig;
  const TLog FLog;
  const TClock::duration FRecheckEvery;
  TFailureThrottle FThrottle;
  TSuccessCache FCache;
  std::atomic<std::size_t> FChecks{0};
  std::mutex FLock;  // guards the rest
  std::shared_ptr<const THtpasswdFile> FUsers;
  std::optional<TStamp> FStamp;
  TClock::time_point FLooked;
  std::uint64_t FGeneration = 0;
};

}  // namespace dravel
