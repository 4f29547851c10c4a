// libFuzzer target: the link client's byte stream, in clear or encrypted, arriving in
// pieces of any size, on to the record holder. Checks that only whole replies come out,
// that no more is held than one reply, and that every byte is accounted for.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "remote/LinkCipher.h"
#include "remote/LinkStream.h"
#include "sampling/RawData.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  if (Size == 0) return 0;
  // The first byte: the low six bits set the size of the pieces, the top bit encryption,
  // the next one a reconnection half way.
  const std::size_t Piece = (Data[0] & 0x3F) + 1;
  const bool Encrypted = (Data[0] & 0x80) != 0;
  const bool Reconnect = (Data[0] & 0x40) != 0;
  static dravel::TDCP_blowfish Cipher;  // one key for the whole run
  if (!Cipher.Initialized()) dravel::DeriveLinkKey(Cipher, "fuzz");

  dravel::TRawDataShell Shell;
  std::size_t Delivered = 0;
  dravel::TLinkStream Stream([&](const std::uint8_t* Bytes, std::size_t Count) {
    if (Count != dravel::RawDataSize) std::abort();
    Delivered += Count;
    Shell.AddBytes(Bytes, Count);
  });
  std::size_t Fed = 0;
  for (std::size_t At = 1; At < Size; At += Piece) {
    if (Reconnect && At > Size / 2 && At <= Size / 2 + Piece) {
      Fed -= Stream.Held();  // a reconnection drops the reply under way
      Stream.Restart();
    }
    const std::size_t Count = Size - At < Piece ? Size - At : Piece;
    Stream.Add(Encrypted ? &Cipher : nullptr, Data + At, Count);
    Fed += Count;
    if (Stream.Held() >= dravel::RawDataSize) std::abort();
  }
  if (Delivered + Stream.Held() != Fed) std::abort();
  return 0;
}
