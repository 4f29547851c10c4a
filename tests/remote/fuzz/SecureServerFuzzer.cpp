// libFuzzer target: the server's side of the secure link, from the first byte a connection
// sends. The first input byte chooses the piece size and whether the bytes are read raw
// from the hello on, or after a genuine handshake as a mix of genuine frames (of any
// plaintext) and raw bytes. Checks that only genuine "W" frames count as requests, that a
// closed session stays closed, and that no more is held than one frame.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "remote/SecureLinkPair.h"
#include "remote/SecureLinkWire.h"

namespace {

using namespace dravel;

// Establishes Server with a client built from the wire format; returns its channel.
TSecureChannel Handshake(TSecureServerSession& Server) {
  TSecureBytes Hello(SecureLinkMagic.begin(), SecureLinkMagic.end());
  Hello.resize(SecureHelloSize, 0x42);
  Server.Feed(Hello.data(), Hello.size());
  const TSecureBytes Challenge = Server.TakeOutput();
  TSecureTranscript Transcript;
  Transcript.Add(Hello.data(), Hello.size());
  Transcript.Add(Challenge.data(), Challenge.size());
  const TSecureProof Proof = Transcript.ClientProof(TestSecureKey(1));
  Server.Feed(Proof.data(), Proof.size());
  const TSecureBytes Verdict = Server.TakeOutput();
  if (!Server.Established() || Verdict.size() != 1 + SecureProofSize) std::abort();
  TSecureProof ServerProof{};
  std::copy(Verdict.begin() + 1, Verdict.end(), ServerProof.begin());
  return TSecureChannel(Transcript.SessionKeys(TestSecureKey(1), Proof, ServerProof),
                        TSecureChannel::TSide::Client);
}

std::size_t Feed(TSecureServerSession& Server, const std::uint8_t* Bytes, std::size_t Count, std::size_t Piece) {
  std::size_t Requests = 0;
  for (std::size_t At = 0; At < Count; At += Piece) {
    const bool Closed = Server.Closing();
    const std::size_t Got = Server.Feed(Bytes + At, std::min(Piece, Count - At));
    if (Closed && (Got != 0 || !Server.Closing())) std::abort();
    Requests += Got;
  }
  return Requests;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  if (Size == 0) return 0;
  const std::size_t Piece = (Data[0] & 0x3F) + 1;
  TSecureServerSession Server(TestSecureSalt(), CheapestSecureKeyCost());
  if ((Data[0] & 0x80) == 0) {
    // Raw from the hello on; the key comes before or after the bytes.
    const bool KeyFirst = (Data[0] & 0x40) != 0;
    if (KeyFirst) Server.SetKey(TestSecureKey(1));
    // No proof can be guessed, so no request can be completed.
    if (Feed(Server, Data + 1, Size - 1, Piece) != 0) std::abort();
    if (!KeyFirst) Server.SetKey(TestSecureKey(1));
    if (Server.Established()) std::abort();
    return 0;
  }
  Server.SetKey(TestSecureKey(1));
  TSecureChannel Client = Handshake(Server);
  std::size_t Genuine = 0;  // "W" frames sealed while the session was still open
  std::size_t Counted = 0;
  // Runs of: a control byte (bit 0: seal the run as a genuine frame, else feed it raw),
  // a length byte, and that many bytes.
  for (std::size_t At = 1; At + 2 <= Size;) {
    const bool Seal = (Data[At] & 1) != 0;
    const std::size_t Length = std::min<std::size_t>(Data[At + 1], Size - At - 2);
    const std::uint8_t* Run = Data + At + 2;
    At += 2 + Length;
    if (Seal && Length > 0) {
      const TSecureBytes Frame = Client.Seal(Run, Length);
      if (!Server.Closing() && Length == 1 && Run[0] == 'W') ++Genuine;
      Counted += Feed(Server, Frame.data(), Frame.size(), Piece);
    } else {
      Counted += Feed(Server, Run, Length, Piece);
    }
    if (!Server.TakeOutput().empty()) std::abort();  // after the verdict only replies go out
  }
  if (Counted > Genuine) std::abort();
  return 0;
}
