#include "service/BasicAuthGate.h"

#include "service/BcryptCheck.h"

namespace dravel {

namespace {

bool operator==(const timespec& A, const timespec& B) { return A.tv_sec == B.tv_sec && A.tv_nsec == B.tv_nsec; }

TWebResponse Challenge() {
  TWebResponse Response(401, "text/plain", "Authentication required\n");
  Response.Headers.emplace_back("WWW-Authenticate", "Basic realm=\"Dravel\"");
  return Response;
}

TWebResponse Throttled() {
  TWebResponse Response(429, "text/plain", "Too many failed logins from this address; try again later\n");
  Response.Headers.emplace_back("Retry-After", "1");
  return Response;
}

}  // namespace

std::optional<TBasicAuthGate::TStamp> TBasicAuthGate::TStamp::Of(const std::filesystem::path& Path) {
  struct stat Info{};
  if (::stat(Path.c_str(), &Info) != 0) return std::nullopt;
  return TStamp{Info.st_dev, Info.st_ino, Info.st_size, Info.st_mtim};
}

bool TBasicAuthGate::TStamp::operator==(const TStamp& Other) const {
  return Device == Other.Device && Inode == Other.Inode && Size == Other.Size && Modified == Other.Modified;
}

TBasicAuthGate::TBasicAuthGate(TWebAuthConfig Config, TLog Log, TClock::duration RecheckEvery)
    : FConfig(std::move(Config)), FLog(std::move(Log)), FRecheckEvery(RecheckEvery), FCache(FConfig.SuccessCache) {
  FStamp = TStamp::Of(FConfig.UsersFile);
  FUsers = std::make_shared<const THtpasswdFile>(THtpasswdFile::Load(FConfig.UsersFile));
  FLooked = TClock::now();
}

TBasicAuthGate::TUsersNow TBasicAuthGate::CurrentUsers() {
  const std::lock_guard Guard(FLock);
  const auto Now = TClock::now();
  if (Now - FLooked < FRecheckEvery) return {FUsers, FGeneration};
  FLooked = Now;
  const std::optional<TStamp> Stamp = TStamp::Of(FConfig.UsersFile);
  const bool Unchanged = Stamp && FStamp && *Stamp == *FStamp;
  const bool StillMissing = !Stamp && !FStamp && !FUsers;  // said already
  if (!Unchanged && !StillMissing) Reread(Stamp);
  return {FUsers, FGeneration};
}

void TBasicAuthGate::Reread(const std::optional<TStamp>& Stamp) {
  FStamp = Stamp;
  ++FGeneration;
  FCache.Clear();
  const bool WasUsable = FUsers != nullptr;
  try {
    FUsers = std::make_shared<const THtpasswdFile>(THtpasswdFile::Load(FConfig.UsersFile));
    if (!WasUsable && FLog) FLog("web service: " + FConfig.UsersFile.string() + " can be used again");
  } catch (const EHtpasswd& Error) {
    FUsers.reset();
    if (WasUsable && FLog) {
      FLog(std::string("web service: ") + Error.what() + "; every request is refused until it is mended");
    }
  }
}

std::optional<TWebResponse> TBasicAuthGate::Refusal(const THttpRequest& Request) {
  // Credentials sent in clear are not looked at, lest this server teach clients to do so.
  if (!Request.OverTls && !FConfig.AllowPlain) {
    return TWebResponse(403, "text/plain", "This service takes passwords over HTTPS only\n");
  }
  const auto [Users, Generation] = CurrentUsers();
  if (!Users) return TWebResponse(503, "text/plain", "The users file of this service cannot be used; see its log\n");
  // A request without credentials costs no check and guesses nothing: it is not a failure.
  if (Request.Authorization.empty()) return Challenge();
  // Before the cache too: behind a 429 not even the right password is told apart.
  if (!FThrottle.Allows(Request.PeerAddress, TClock::now())) return Throttled();
  const auto Credentials = ParseBasicAuthorization(Request.Authorization);
  if (!Credentials || (!FCache.Holds(Credentials->User, Credentials->Password) &&
                       !Verify(*Users, Credentials->User, Credentials->Password))) {
    FThrottle.Failed(Request.PeerAddress, TClock::now());
    return Challenge();
  }
  Remember(Generation, *Credentials);
  return std::nullopt;
}

bool TBasicAuthGate::Verify(const THtpasswdFile& Users, const std::string& User, const std::string& Password) {
  ++FChecks;
  const std::string* Hash = Users.HashOf(User);
  // An unknown user costs what a known one costs, so the time does not tell who exists.
  return PasswordMatches(Password, Hash ? *Hash : Users.AnyHash()) && Hash;
}

void TBasicAuthGate::Remember(std::uint64_t Generation, const TBasicCredentials& Credentials) {
  const std::lock_guard Guard(FLock);
  if (Generation == FGeneration) FCache.Add(Credentials.User, Credentials.Password);
}

}  // namespace dravel
