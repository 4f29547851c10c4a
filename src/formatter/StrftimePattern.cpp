#include "formatter/StrftimePattern.h"

#include <algorithm>
#include <vector>

namespace dravel {
namespace {

bool IsLetter(char C) { return (C >= 'a' && C <= 'z') || (C >= 'A' && C <= 'Z'); }

// The pattern of one conversion character; empty for those with no equivalent.
std::string Conversion(char C, bool NoPad, std::string_view AmPmTime, char Separator,
                       char SeparatorToken, int Nesting) {
  switch (C) {
    case 'd': return NoPad ? "d" : "dd";
    case 'e': return "d";
    case 'm': return NoPad ? "m" : "mm";
    case 'y': return "yy";
    case 'Y': return "yyyy";
    case 'H': case 'I': return NoPad ? "h" : "hh";
    case 'k': case 'l': return "h";
    case 'M': return NoPad ? "n" : "nn";
    case 'S': return NoPad ? "s" : "ss";
    case 'p': case 'P': return "ampm";
    case 'a': return "ddd";
    case 'A': return "dddd";
    case 'b': case 'h': return "mmm";
    case 'B': return "mmmm";
    case 'D': return "mm/dd/yy";
    case 'F': return "yyyy-mm-dd";
    case 'T': return "hh:nn:ss";
    case 'R': return "hh:nn";
    case 'r':
      return Nesting == 0 ? PatternFromStrftime(AmPmTime, {}, Separator, SeparatorToken) : "";
    case 'n': case 't': return " ";
    case '%': return "%";
    default: return "";
  }
}

std::string Convert(std::string_view Strftime, std::string_view AmPmTime, char Separator,
                    char SeparatorToken, int Nesting) {
  std::string Result;
  std::string Quoted;  // literal letters waiting for their quotes
  const auto FlushQuoted = [&] {
    if (!Quoted.empty()) Result += "'" + Quoted + "'";
    Quoted.clear();
  };
  for (std::size_t I = 0; I < Strftime.size(); ++I) {
    const char C = Strftime[I];
    if (C != '%') {
      if (C == Separator) {
        FlushQuoted();
        Result += SeparatorToken;
      } else if (IsLetter(C) || C == '/' || C == ':') {
        Quoted += C;  // would be read as tokens
      } else if (C != '\'' && C != '"') {
        FlushQuoted();
        Result += C;
      }
      continue;
    }
    FlushQuoted();
    bool NoPad = false;
    // Flags, field width and the E and O modifiers carry nothing the pattern language has.
    while (I + 1 < Strftime.size() &&
           std::string_view("-_0^#EO123456789").find(Strftime[I + 1]) != std::string_view::npos) {
      NoPad = NoPad || Strftime[I + 1] == '-';
      ++I;
    }
    if (I + 1 < Strftime.size()) {
      ++I;
      Result += Conversion(Strftime[I], NoPad, AmPmTime, Separator, SeparatorToken, Nesting);
    }
  }
  FlushQuoted();
  return Result;
}

}  // namespace

std::string PatternFromStrftime(std::string_view Strftime, std::string_view AmPmTime,
                                char Separator, char SeparatorToken) {
  return Convert(Strftime, AmPmTime, Separator, SeparatorToken, AmPmTime.empty() ? 1 : 0);
}

char StrftimeSeparator(std::string_view Strftime, char Fallback) {
  for (std::size_t I = 0; I < Strftime.size(); ++I) {
    const char C = Strftime[I];
    if (C == '%') {
      ++I;
      continue;
    }
    if (!IsLetter(C) && C != ' ') return C;
  }
  return Fallback;
}

std::string LongDatePattern(std::string_view Strftime) {
  struct TField {
    std::size_t Position;
    const char* Pattern;
  };
  std::vector<TField> Fields;
  const auto Add = [&](std::string_view Conversions, const char* Pattern) {
    std::size_t Best = std::string_view::npos;
    for (const char C : Conversions) {
      const char Directive[] = {'%', C, '\0'};
      Best = std::min(Best, Strftime.find(Directive));
    }
    if (Best != std::string_view::npos) Fields.push_back({Best, Pattern});
  };
  Add("de", "d");
  Add("mbBh", "mmmm");
  Add("yY", "yyyy");
  if (Strftime.find("%D") != std::string_view::npos || Fields.size() < 3) {
    Fields = {{0, "mmmm"}, {1, "d"}, {2, "yyyy"}};
  }
  std::sort(Fields.begin(), Fields.end(),
            [](const TField& A, const TField& B) { return A.Position < B.Position; });
  std::string Result = "dddd,";
  for (const TField& Field : Fields) Result += std::string(" ") + Field.Pattern;
  return Result;
}

}  // namespace dravel
