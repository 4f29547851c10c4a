#include "remote/LinkCipherReference.h"

#include <algorithm>

namespace dravel::reference {

namespace {

// Fixed-point numbers, one integer word then fraction words, most significant first.
using TFixed = std::vector<std::uint32_t>;

void DivideSmall(TFixed& X, std::uint32_t D) {
  std::uint64_t Rest = 0;
  for (auto& Word : X) {
    const std::uint64_t Cur = (Rest << 32) | Word;
    Word = static_cast<std::uint32_t>(Cur / D);
    Rest = Cur % D;
  }
}

void MultiplySmall(TFixed& X, std::uint32_t M) {
  std::uint64_t Carry = 0;
  for (auto It = X.rbegin(); It != X.rend(); ++It) {
    const std::uint64_t Cur = std::uint64_t{*It} * M + Carry;
    *It = static_cast<std::uint32_t>(Cur);
    Carry = Cur >> 32;
  }
}

void AddTo(TFixed& X, const TFixed& Y, bool Subtract) {
  std::int64_t Carry = 0;
  for (std::size_t I = X.size(); I-- > 0;) {
    std::int64_t Cur = std::int64_t{X[I]} + Carry + (Subtract ? -std::int64_t{Y[I]} : std::int64_t{Y[I]});
    Carry = 0;
    if (Cur < 0) { Cur += std::int64_t{1} << 32; Carry = -1; }
    if (Cur >= (std::int64_t{1} << 32)) { Cur -= std::int64_t{1} << 32; Carry = 1; }
    X[I] = static_cast<std::uint32_t>(Cur);
  }
}

bool IsZero(const TFixed& X) {
  return std::all_of(X.begin(), X.end(), [](std::uint32_t W) { return W == 0; });
}

// arctan(1/X) by its series.
TFixed ArcTanInverse(std::uint32_t X, std::size_t Words) {
  TFixed Sum(Words, 0), Power(Words, 0);
  Power[0] = 1;
  DivideSmall(Power, X);
  for (std::uint32_t K = 0; !IsZero(Power); ++K) {
    TFixed Term = Power;
    DivideSmall(Term, 2 * K + 1);
    AddTo(Sum, Term, K % 2 == 1);
    DivideSmall(Power, X * X);
  }
  return Sum;
}

std::uint32_t Rotl(std::uint32_t X, int N) { return (X << N) | (X >> (32 - N)); }

std::uint32_t BigEndianWord(const std::uint8_t* B) {
  return std::uint32_t{B[0]} << 24 | std::uint32_t{B[1]} << 16 | std::uint32_t{B[2]} << 8 | B[3];
}

void PutBigEndian(std::uint32_t W, std::uint8_t* B) {
  B[0] = static_cast<std::uint8_t>(W >> 24);
  B[1] = static_cast<std::uint8_t>(W >> 16);
  B[2] = static_cast<std::uint8_t>(W >> 8);
  B[3] = static_cast<std::uint8_t>(W);
}

}  // namespace

std::vector<std::uint32_t> PiFractionWords(std::size_t Count) {
  const std::size_t Words = Count + 1 + 4;  // integer word and guard words
  // pi = 16 arctan(1/5) - 4 arctan(1/239)
  TFixed Pi = ArcTanInverse(5, Words);
  MultiplySmall(Pi, 16);
  TFixed Small = ArcTanInverse(239, Words);
  MultiplySmall(Small, 4);
  AddTo(Pi, Small, true);
  return {Pi.begin() + 1, Pi.begin() + 1 + static_cast<std::ptrdiff_t>(Count)};
}

std::array<std::uint8_t, 20> Sha1(std::string_view Message) {
  std::uint32_t H[5] = {0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476, 0xC3D2E1F0};
  TBytes M(Message.begin(), Message.end());
  const std::uint64_t Bits = std::uint64_t{M.size()} * 8;
  M.push_back(0x80);
  while (M.size() % 64 != 56) M.push_back(0);
  for (int I = 7; I >= 0; --I) M.push_back(static_cast<std::uint8_t>(Bits >> (8 * I)));
  for (std::size_t At = 0; At < M.size(); At += 64) {
    std::uint32_t W[80];
    for (int T = 0; T < 16; ++T) W[T] = BigEndianWord(&M[At + 4 * T]);
    for (int T = 16; T < 80; ++T) W[T] = Rotl(W[T - 3] ^ W[T - 8] ^ W[T - 14] ^ W[T - 16], 1);
    std::uint32_t A = H[0], B = H[1], C = H[2], D = H[3], E = H[4];
    for (int T = 0; T < 80; ++T) {
      std::uint32_t F, K;
      if (T < 20) { F = (B & C) | (~B & D); K = 0x5A827999; }
      else if (T < 40) { F = B ^ C ^ D; K = 0x6ED9EBA1; }
      else if (T < 60) { F = (B & C) | (B & D) | (C & D); K = 0x8F1BBCDC; }
      else { F = B ^ C ^ D; K = 0xCA62C1D6; }
      const std::uint32_t Next = Rotl(A, 5) + F + E + K + W[T];
      E = D; D = C; C = Rotl(B, 30); B = A; A = Next;
    }
    H[0] += A; H[1] += B; H[2] += C; H[3] += D; H[4] += E;
  }
  std::array<std::uint8_t, 20> Digest;
  for (int I = 0; I < 5; ++I) PutBigEndian(H[I], &Digest[4 * I]);
  return Digest;
}

TBlowfish::TBlowfish(const TBytes& Key) {
  static const std::vector<std::uint32_t> Pi = PiFractionWords(18 + 4 * 256);
  std::copy(Pi.begin(), Pi.begin() + 18, P.begin());
  for (int Box = 0; Box < 4; ++Box)
    std::copy(Pi.begin() + 18 + 256 * Box, Pi.begin() + 18 + 256 * (Box + 1), S[Box].begin());
  std::size_t J = 0;
  for (auto& Word : P) {
    std::uint32_t Data = 0;
    for (int K = 0; K < 4; ++K) {
      Data = (Data << 8) | Key[J];
      J = (J + 1) % Key.size();
    }
    Word ^= Data;
  }
  std::uint32_t L = 0, R = 0;
  for (std::size_t I = 0; I < P.size(); I += 2) {
    Rounds(L, R, false);
    P[I] = L;
    P[I + 1] = R;
  }
  for (auto& Box : S)
    for (std::size_t I = 0; I < Box.size(); I += 2) {
      Rounds(L, R, false);
      Box[I] = L;
      Box[I + 1] = R;
    }
}

std::uint32_t TBlowfish::F(std::uint32_t X) const {
  return ((S[0][X >> 24] + S[1][(X >> 16) & 0xFF]) ^ S[2][(X >> 8) & 0xFF]) + S[3][X & 0xFF];
}

// The sixteen rounds; decryption is the same with the P-array taken backwards.
void TBlowfish::Rounds(std::uint32_t& L, std::uint32_t& R, bool Backwards) const {
  const auto Key = [&](int I) { return P[static_cast<std::size_t>(Backwards ? 17 - I : I)]; };
  for (int I = 0; I < 16; ++I) {
    L ^= Key(I);
    R ^= F(L);
    std::swap(L, R);
  }
  std::swap(L, R);
  R ^= Key(16);
  L ^= Key(17);
}

std::array<std::uint8_t, 8> TBlowfish::Block(const std::uint8_t* In, bool Backwards) const {
  std::uint32_t L = BigEndianWord(In), R = BigEndianWord(In + 4);
  Rounds(L, R, Backwards);
  std::array<std::uint8_t, 8> Out;
  PutBigEndian(L, Out.data());
  PutBigEndian(R, Out.data() + 4);
  return Out;
}

std::array<std::uint8_t, 8> TBlowfish::EncryptBlock(const std::uint8_t* In) const {
  return Block(In, false);
}

std::array<std::uint8_t, 8> TBlowfish::DecryptBlock(const std::uint8_t* In) const {
  return Block(In, true);
}

TBytes TLinkChain::KeyFor(std::string_view Password) {
  TBytes Key(32, 0xFF);
  const auto Digest = Sha1(Password);
  std::copy(Digest.begin(), Digest.end(), Key.begin());
  return Key;
}

TLinkChain::TLinkChain(std::string_view Password) : FCipher(KeyFor(Password)) {
  const std::uint8_t Ones[8] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
  IV = FCipher.EncryptBlock(Ones);
  Chain = IV;
  Encrypt(KeyFor(Password));  // moves the chain, as the derivation does
  Chain = IV;
}

TBytes TLinkChain::Encrypt(const TBytes& In) {
  TBytes Out(In.size());
  const std::size_t Whole = In.size() / 8 * 8;
  for (std::size_t At = 0; At < Whole; At += 8) {
    std::uint8_t Mixed[8];
    for (int I = 0; I < 8; ++I) Mixed[I] = In[At + I] ^ Chain[I];
    Chain = FCipher.EncryptBlock(Mixed);
    std::copy(Chain.begin(), Chain.end(), Out.begin() + static_cast<std::ptrdiff_t>(At));
  }
  const auto Stream = FCipher.EncryptBlock(Chain.data());
  for (std::size_t I = Whole; I < In.size(); ++I) Out[I] = In[I] ^ Stream[I - Whole];
  return Out;
}

TBytes TLinkChain::Decrypt(const TBytes& In) {
  TBytes Out(In.size());
  const std::size_t Whole = In.size() / 8 * 8;
  for (std::size_t At = 0; At < Whole; At += 8) {
    const auto Plain = FCipher.DecryptBlock(&In[At]);
    for (int I = 0; I < 8; ++I) Out[At + I] = Plain[I] ^ Chain[I];
    std::copy(In.begin() + static_cast<std::ptrdiff_t>(At),
              In.begin() + static_cast<std::ptrdiff_t>(At + 8), Chain.begin());
  }
  const auto Stream = FCipher.EncryptBlock(Chain.data());
  for (std::size_t I = Whole; I < In.size(); ++I) Out[I] = In[I] ^ Stream[I - Whole];
  return Out;
}

}  // namespace dravel::reference
