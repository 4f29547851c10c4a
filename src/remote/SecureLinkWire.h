#pragma once
// The wire format of the authenticated link mode, beside the plain "W" link. No Qt.
//
// A connection whose first byte is 0x00 speaks this mode; the plain link's client only
// ever sends "W", so the server tells the two apart by that byte. All integers are
// little-endian; "||" is concatenation; H(K; x) is keyed BLAKE2b-256 (crypto_generichash
// with key K).
//
//   1. client -> server  Hello      Magic(8) || Nc(32)                              40 bytes
//   2. server -> client  Challenge  Magic(8) || Salt(16) || OpsLimit(u32)
//                                   || MemLimitKiB(u32) || Ns(32)                    64 bytes
//      The client refuses a cost above 10 passes or 256 MiB (or below libsodium's least).
//   3. client -> server  ClientProof = H(K; "dravel client proof" || T)             32 bytes
//      where K = Argon2id13(password, Salt, OpsLimit, MemLimitKiB * 1024), 32 bytes,
//      and T = Hello || Challenge.
//   4. server -> client  0x02 and the connection closes      (wrong proof: refusal), or
//                        0x01 || ServerProof                                          33 bytes
//      ServerProof = H(K; "dravel server proof" || T || ClientProof). The client checks it,
//      so a server that does not know the password cannot pose as one that does.
//   5. Session keys, fresh per connection because of the nonces:
//      client to server = H(K; "dravel client to server" || T || ClientProof || ServerProof)
//      server to client = H(K; "dravel server to client" || T || ClientProof || ServerProof)
//   6. Frames, either way: Length(u16) || XChaCha20-Poly1305-IETF ciphertext of Length
//      bytes (plaintext + 16-byte tag, plaintext 1..1024 bytes), no associated data. The
//      24-byte nonce is the frame's number in its direction (u64, from 0) followed by
//      zeros; it is never sent, so a replayed, dropped, reordered frame, or one from
//      another connection, fails to open and the connection is closed.
//      Requests carry the plaintext "W" (anything else closes the connection), replies the
//      312-byte record in clear form.
//
// The client proves first, so a stranger who connects to a server learns nothing to test
// passwords against offline. Someone who poses as the server to a client does get a proof
// to guess against offline; Argon2id is what makes each guess costly. With an empty
// password the mode still authenticates and encrypts, but anyone can derive the key, so it
// then only protects against passive sniffing.

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "remote/SecureLinkKey.h"

namespace dravel {

constexpr std::array<std::uint8_t, 8> SecureLinkMagic = {0x00, 'D', 'R', 'V', 'S', 'L', '1', '\n'};
constexpr std::size_t SecureNonceSize = 32;
constexpr std::size_t SecureHelloSize = SecureLinkMagic.size() + SecureNonceSize;
constexpr std::size_t SecureChallengeSize =
    SecureLinkMagic.size() + SecureSaltSize + 4 + 4 + SecureNonceSize;
constexpr std::size_t SecureProofSize = 32;
constexpr std::uint8_t SecureAccepted = 0x01;
constexpr std::uint8_t SecureRefused = 0x02;
constexpr std::size_t SecureTagSize = 16;
constexpr std::size_t SecureMaxPlainSize = 1024;
constexpr std::size_t SecureMaxFrameSize = 2 + SecureMaxPlainSize + SecureTagSize;

using TSecureNonce = std::array<std::uint8_t, SecureNonceSize>;
using TSecureProof = std::array<std::uint8_t, SecureProofSize>;

struct TSessionKeys {
  TSecureLinkKey ClientToServer;
  TSecureLinkKey ServerToClient;
};

// The handshake's transcript, Hello || Challenge, and what is computed over it.
class TSecureTranscript {
 public:
  TSecureTranscript() { FBytes.reserve(SecureHelloSize + SecureChallengeSize); }
  void Add(const std::uint8_t* Bytes, std::size_t Count) { FBytes.insert(FBytes.end(), Bytes, Bytes + Count); }

  TSecureProof ClientProof(const TSecureLinkKey& Key) const;
  TSecureProof ServerProof(const TSecureLinkKey& Key, const TSecureProof& Client) const;
  TSessionKeys SessionKeys(const TSecureLinkKey& Key, const TSecureProof& Client,
                           const TSecureProof& Server) const;

 private:
  std::vector<std::uint8_t> FBytes;
};

TSecureNonce MakeSecureNonce();
// Whether the two proofs are equal, in time that does not depend on where they differ.
bool SameProof(const TSecureProof& A, const TSecureProof& B);

}  // namespace dravel
