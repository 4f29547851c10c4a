#include "formatter/NumberFormat.h"

#include <charconv>
#include <cmath>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>

namespace dravel {
namespace {

// Enough digits beyond the rounding position to tell an exact tie from a near one: a double
// that is not a tie at two decimals differs from one by far more than 1e-30.
constexpr int GuardDigits = 30;

// printf's "%.*f" and "%.*g" as in the C locale: the program runs under the user's
// LC_NUMERIC, and the separators are put in from the format settings afterwards.
std::string PrintDouble(double Value, std::chars_format Format, int Precision) {
  char Text[512];  // a finite double in fixed notation with 32 decimals needs 342
  const auto Printed = std::to_chars(Text, Text + sizeof Text, Value, Format, Precision);
  return Printed.ec == std::errc{} ? std::string(Text, Printed.ptr) : std::string();
}

std::string NonFinite(double Value) {
  if (std::isnan(Value)) return "NAN";
  return Value < 0 ? "-INF" : "INF";
}

// Digits of |Value| rounded to Decimals places, ties away from zero: the whole part and
// the fraction, without separators.
struct TRounded {
  std::string Whole;
  std::string Fraction;
};

TRounded RoundDecimal(double Magnitude, int Decimals) {
  std::string Digits = PrintDouble(Magnitude, std::chars_format::fixed, Decimals + GuardDigits);
  const std::size_t Point = Digits.find('.');
  std::string Whole = Digits.substr(0, Point);
  std::string Fraction = Digits.substr(Point + 1, static_cast<std::size_t>(Decimals));
  if (Digits[Point + 1 + static_cast<std::size_t>(Decimals)] >= '5') {
    // Carry through the fraction, then the whole part.
    std::string Joined = Whole + Fraction;
    std::size_t I = Joined.size();
    while (I > 0 && Joined[I - 1] == '9') Joined[--I] = '0';
    if (I == 0) {
      Joined.insert(Joined.begin(), '1');
    } else {
      ++Joined[I - 1];
    }
    Whole = Joined.substr(0, Joined.size() - Fraction.size());
    Fraction = Joined.substr(Whole.size());
  }
  return {Whole, Fraction};
}

std::string Group(const std::string& Whole, std::string_view Separator) {
  if (Separator.empty()) return Whole;
  std::string Result;
  for (std::size_t I = 0; I < Whole.size(); ++I) {
    if (I > 0 && (Whole.size() - I) % 3 == 0) Result += Separator;
    Result += Whole[I];
  }
  return Result;
}

// |Value| rounded to Decimals places (0 or 2) as a whole count of hundredths or units, when
// that count fits a double exactly: the product's rounding error, recovered with fma,
// decides the cases where the rounded product lands exactly on a tie.
std::optional<TRounded> RoundQuick(double Magnitude, int Decimals) {
  const double Scale = Decimals == 0 ? 1.0 : 100.0;
  const double Product = Magnitude * Scale;
  if (!(Product < 9007199254740992.0)) return std::nullopt;  // 2^53
  const double Error = std::fma(Magnitude, Scale, -Product);
  double Whole = std::floor(Product);
  const double Rest = Product - Whole;
  if (Rest > 0.5 || (Rest == 0.5 && Error >= 0)) Whole += 1;
  const auto Count = static_cast<std::uint64_t>(Whole);
  char Digits[24];
  const auto End = std::to_chars(Digits, Digits + sizeof Digits, Count).ptr;
  std::string Text(Digits, End);
  if (Decimals == 0) return TRounded{Text, {}};
  if (Text.size() < 3) Text.insert(0, 3 - Text.size(), '0');
  return TRounded{Text.substr(0, Text.size() - 2), Text.substr(Text.size() - 2)};
}

std::string FormatRounded(double Value, int Decimals, bool Thousands,
                          const TFormatSettings& Settings) {
  if (!std::isfinite(Value)) return NonFinite(Value);
  const double Magnitude = std::fabs(Value);
  std::optional<TRounded> Quick;
  if (Decimals == 0 || Decimals == 2) Quick = RoundQuick(Magnitude, Decimals);
  const TRounded Rounded = Quick ? *Quick : RoundDecimal(Magnitude, Decimals);
  const bool Zero = Rounded.Whole.find_first_not_of('0') == std::string::npos &&
                    Rounded.Fraction.find_first_not_of('0') == std::string::npos;
  std::string Result = (Value < 0 && !Zero) ? "-" : "";
  Result += Thousands ? Group(Rounded.Whole, Settings.ThousandSeparator) : Rounded.Whole;
  if (Decimals > 0) Result += Settings.DecimalSeparator + Rounded.Fraction;
  return Result;
}

}  // namespace

std::string FormatFixed(double Value, int Decimals, const TFormatSettings& Settings) {
  return FormatRounded(Value, Decimals, false, Settings);
}

std::string FormatNumber(double Value, int Decimals, const TFormatSettings& Settings) {
  return FormatRounded(Value, Decimals, true, Settings);
}

std::string FormatGeneral(double Value, const TFormatSettings& Settings) {
  if (!std::isfinite(Value)) return NonFinite(Value);
  const std::string Text = PrintDouble(Value, std::chars_format::general, 15);
  std::string Result;
  const std::size_t Exponent = Text.find('e');
  const std::string Mantissa = Text.substr(0, Exponent);
  for (const char C : Mantissa) {
    if (C == '.') {
      Result += Settings.DecimalSeparator;
    } else {
      Result += C;
    }
  }
  if (Exponent != std::string::npos) {
    // "e+07" becomes "E7", "e-05" becomes "E-5".
    Result += 'E';
    std::size_t I = Exponent + 1;
    if (Text[I] == '-') Result += '-';
    if (Text[I] == '-' || Text[I] == '+') ++I;
    while (I + 1 < Text.size() && Text[I] == '0') ++I;
    Result += Text.substr(I);
  }
  return Result;
}

std::string FormatInt(std::int64_t Value, int Width) {
  char Digits[24];
  const auto End = std::to_chars(Digits, Digits + sizeof Digits, Value).ptr;
  std::string Text(Digits, End);
  if (static_cast<int>(Text.size()) < Width) Text.insert(0, Width - Text.size(), ' ');
  return Text;
}

std::string FormatIntDigits(std::int64_t Value, int Digits) {
  std::string Text = FormatInt(Value);
  const std::size_t Sign = Value < 0 ? 1 : 0;
  const int Have = static_cast<int>(Text.size() - Sign);
  if (Have < Digits) Text.insert(Sign, Digits - Have, '0');
  return Text;
}

}  // namespace dravel
