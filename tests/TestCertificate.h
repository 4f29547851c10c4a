#pragma once
// TLS material and a real HTTPS client for the tests: a self-signed certificate for
// "localhost" made by the openssl program in a folder of its own, and curl run over it.

#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <string>

#include "platform/TempFolder.h"

namespace dravel::testing {

struct TCommandRun {
  int Status = -1;  // the exit code; -1 when the command did not end normally
  std::string Output;
};

// Runs Command through the shell; its standard output, at most 4 MiB of it.
inline TCommandRun RunCommand(const std::string& Command) {
  FILE* Pipe = popen(Command.c_str(), "r");
  if (Pipe == nullptr) return {};
  TCommandRun Run;
  char Buffer[4096];
  for (std::size_t N; (N = fread(Buffer, 1, sizeof Buffer, Pipe)) > 0;) {
    if (Run.Output.size() < (4u << 20)) Run.Output.append(Buffer, N);
  }
  const int Status = pclose(Pipe);
  Run.Status = WIFEXITED(Status) ? WEXITSTATUS(Status) : -1;
  return Run;
}

// "cert.pem" and "key.pem" (RSA 2048, unencrypted, two days) in a fresh folder that goes
// with the object.
class TTestCertificate {
 public:
  TTestCertificate() {
    const std::string Command = "cd '" + FFolder.Path().string() +
                                "' && openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=localhost"
                                " -addext subjectAltName=DNS:localhost,IP:127.0.0.1"
                                " -keyout key.pem -out cert.pem >/dev/null 2>&1";
    if (RunCommand(Command).Status != 0) throw std::runtime_error("openssl could not make a test certificate");
  }

  std::string Certificate() const { return (FFolder.Path() / "cert.pem").string(); }
  std::string Key() const { return (FFolder.Path() / "key.pem").string(); }
  const std::filesystem::path& Folder() const { return FFolder.Path(); }

 private:
  TTempFolder FFolder;
};

// curl over HTTPS to https://localhost:<Port><Path>, trusting Certificate, at most
// 10 seconds; Options go before the address. Output is the body (and what -w adds).
inline TCommandRun CurlHttps(const TTestCertificate& Certificate, unsigned Port, const std::string& Path,
                             const std::string& Options = {}) {
  const std::string Address = "localhost:" + std::to_string(Port);
  return RunCommand("curl -sS --max-time 10 --resolve " + Address + ":127.0.0.1 --cacert '" +
                    Certificate.Certificate() + "' " + Options + " 'https://" + Address + Path + "' 2>/dev/null");
}

}  // namespace dravel::testing
