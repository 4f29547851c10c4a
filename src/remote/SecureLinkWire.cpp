#include "remote/SecureLinkWire.h"

#include <sodium.h>

#include <string_view>

namespace dravel {

namespace {

// H(Key; Label || Parts...)
template <typename... TParts>
TSecureProof KeyedHash(const TSecureLinkKey& Key, std::string_view Label, const TParts&... Parts) {
  crypto_generichash_state State;
  crypto_generichash_init(&State, Key.Bytes().data(), Key.Bytes().size(), SecureProofSize);
  crypto_generichash_update(&State, reinterpret_cast<const unsigned char*>(Label.data()), Label.size());
  (crypto_generichash_update(&State, Parts.data(), Parts.size()), ...);
  TSecureProof Out{};
  crypto_generichash_final(&State, Out.data(), Out.size());
  sodium_memzero(&State, sizeof State);
  return Out;
}

}  // namespace

TSecureProof TSecureTranscript::ClientProof(const TSecureLinkKey& Key) const {
  return KeyedHash(Key, "dravel client proof", FBytes);
}

TSecureProof TSecureTranscript::ServerProof(const TSecureLinkKey& Key, const TSecureProof& Client) const {
  return KeyedHash(Key, "dravel server proof", FBytes, Client);
}

TSessionKeys TSecureTranscript::SessionKeys(const TSecureLinkKey& Key, const TSecureProof& Client,
                                            const TSecureProof& Server) const {
  return {TSecureLinkKey(KeyedHash(Key, "dravel client to server", FBytes, Client, Server)),
          TSecureLinkKey(KeyedHash(Key, "dravel server to client", FBytes, Client, Server))};
}

TSecureNonce MakeSecureNonce() {
  EnsureSodium();
  TSecureNonce Nonce{};
  randombytes_buf(Nonce.data(), Nonce.size());
  return Nonce;
}

bool SameProof(const TSecureProof& A, const TSecureProof& B) {
  return crypto_verify_32(A.data(), B.data()) == 0;
}

}  // namespace dravel
