#pragma once
// The key of the authenticated link mode: Argon2id over the link password and the
// server's salt, with the cost the server names. Deriving takes tens of milliseconds and
// tens of megabytes by design, so callers run Derive off their event loop. No Qt.

#include <array>
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace dravel {

// libsodium could not start, or a derivation failed (out of memory, bad cost).
class ESecureLinkError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Starts libsodium once for the process; safe from any thread. Every secure-link class
// calls it, so callers need not.
void EnsureSodium();

constexpr std::size_t SecureSaltSize = 16;
constexpr std::size_t SecureKeySize = 32;
using TSecureSalt = std::array<std::uint8_t, SecureSaltSize>;

// The cost of one derivation, as the server announces it.
struct TSecureKeyCost {
  std::uint32_t OpsLimit;
  std::uint32_t MemLimitKiB;
  bool operator==(const TSecureKeyCost&) const = default;
};

// What one key is derived from: the same inputs always give the same key.
struct TSecureKeyInputs {
  std::string Password;
  TSecureSalt Salt{};
  TSecureKeyCost Cost{};
  bool operator==(const TSecureKeyInputs&) const = default;
};

// libsodium's interactive cost: 2 passes over 64 MiB.
TSecureKeyCost DefaultSecureKeyCost();
// The least libsodium accepts (1 pass over 8 KiB): for tests, never for a real server.
TSecureKeyCost CheapestSecureKeyCost();
// What a client agrees to spend for a server: at most 10 passes and 256 MiB, and at
// least what libsodium accepts, so a rogue server cannot make it burn memory or time.
constexpr std::uint32_t MaxSecureOpsLimit = 10;
constexpr std::uint32_t MaxSecureMemLimitKiB = 256 * 1024;
bool AcceptableKeyCost(const TSecureKeyCost& Cost);

// A fresh random salt, as a server makes it on first need.
TSecureSalt MakeSecureSalt();

class TSecureLinkKey {
 public:
  using TBytes = std::array<std::uint8_t, SecureKeySize>;

  // Blocking: Argon2id13 of Password (its bytes, empty allowed) with Salt at Cost.
  // Throws ESecureLinkError when the cost is out of libsodium's range or memory runs out.
  static TSecureLinkKey Derive(std::string_view Password, const TSecureSalt& Salt,
                               const TSecureKeyCost& Cost);
  // A key given as it is (tests and fuzzing, where Argon2id would only cost time).
  explicit TSecureLinkKey(const TBytes& Bytes) : FBytes(Bytes) {}

  TSecureLinkKey(const TSecureLinkKey&) = default;
  TSecureLinkKey& operator=(const TSecureLinkKey&) = default;
  ~TSecureLinkKey();

  const TBytes& Bytes() const { return FBytes; }
  bool operator==(const TSecureLinkKey& Other) const;

 private:
  TBytes FBytes;
};

}  // namespace dravel
