#pragma once
// Users files as the real htpasswd writes them (bcrypt, its default cost), for the tests
// of the web service's passwords.

#include <cstdio>
#include <memory>
#include <string>

namespace dravel::testing {

// "user:hash" from `htpasswd -nbB User Password`; empty when htpasswd cannot run. The
// arguments are the tests' own words, never quoted input.
inline std::string HtpasswdLine(const std::string& User, const std::string& Password) {
  const std::string Command = "htpasswd -nbB '" + User + "' '" + Password + "' 2>/dev/null";
  const std::unique_ptr<FILE, int (*)(FILE*)> Pipe(::popen(Command.c_str(), "r"), ::pclose);
  if (!Pipe) return {};
  std::string Out;
  char Buffer[256];
  while (std::fgets(Buffer, sizeof Buffer, Pipe.get())) Out += Buffer;
  while (!Out.empty() && (Out.back() == '\n' || Out.back() == '\r')) Out.pop_back();
  return Out;
}

}  // namespace dravel::testing
