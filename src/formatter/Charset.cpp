#include "formatter/Charset.h"

#include <iconv.h>
#include <langinfo.h>

#include <algorithm>
#include <cerrno>
#include <initializer_list>
#include <stdexcept>

#include "platform/CodePage.h"

namespace dravel {
namespace {

class TIconv {
 public:
  TIconv(const char* From, const char* To) : FHandle(iconv_open(To, From)) {
    if (FHandle == reinterpret_cast<iconv_t>(-1)) {
      throw std::runtime_error(std::string("cannot convert from ") + From + " to " + To);
    }
  }
  ~TIconv() { iconv_close(FHandle); }
  TIconv(const TIconv&) = delete;
  TIconv& operator=(const TIconv&) = delete;

  // Converts as much as it can; returns false when it stopped at a character it cannot take.
  bool Convert(const char*& In, std::size_t& InLeft, std::string& Out) {
    char Buffer[256];
    while (InLeft > 0) {
      char* OutPtr = Buffer;
      std::size_t OutLeft = sizeof Buffer;
      char* InPtr = const_cast<char*>(In);
      const std::size_t Done = iconv(FHandle, &InPtr, &InLeft, &OutPtr, &OutLeft);
      In = InPtr;
      Out.append(Buffer, sizeof Buffer - OutLeft);
      if (Done == static_cast<std::size_t>(-1) && errno != E2BIG) return false;
    }
    return true;
  }

  // Writes what a stateful encoding needs at the end.
  void Finish(std::string& Out) {
    char Buffer[64];
    char* OutPtr = Buffer;
    std::size_t OutLeft = sizeof Buffer;
    iconv(FHandle, nullptr, nullptr, &OutPtr, &OutLeft);
    Out.append(Buffer, sizeof Buffer - OutLeft);
  }

 private:
  iconv_t FHandle;
};

bool IsOneOf(std::string_view Name, std::initializer_list<std::string_view> Names) {
  std::string Upper(Name);
  for (char& C : Upper) {
    if (C >= 'a' && C <= 'z') C = static_cast<char>(C - 'a' + 'A');
  }
  return std::find(Names.begin(), Names.end(), Upper) != Names.end();
}

std::string Transliterate(std::string_view Text, const char* From, const char* To) {
  // Transliteration turns characters the target lacks into a near form or "?".
  const std::string Target = std::string(To) + "//TRANSLIT";
  TIconv Converter(From, Target.c_str());
  std::string Mark;
  {
    TIconv Question("ASCII", To);
    const char* Q = "?";
    std::size_t QLeft = 1;
    Question.Convert(Q, QLeft, Mark);
  }
  std::string Out;
  const char* In = Text.data();
  std::size_t InLeft = Text.size();
  while (!Converter.Convert(In, InLeft, Out)) {
    // An input byte that is no valid character: one "?" for it, then go on after it.
    ++In;
    --InLeft;
    Out += Mark;
  }
  Converter.Finish(Out);
  return Out;
}

}  // namespace

std::string ConvertCharset(std::string_view Text, const char* From, const char* To) {
  // Into code page 1252 a character it lacks becomes one "?", never a near form of
  // several characters, which could hold markup ("->" for an arrow ends a tag).
  if (IsOneOf(To, {"CP1252", "WINDOWS-1252"})) {
    return Utf8ToCp1252(IsOneOf(From, {"UTF-8", "UTF8"}) ? std::string(Text)
                                                           : Transliterate(Text, From, "UTF-8"));
  }
  return Transliterate(Text, From, To);
}

std::string LocaleCharset() { return nl_langinfo(CODESET); }

}  // namespace dravel
