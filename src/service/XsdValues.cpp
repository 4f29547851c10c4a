#include "service/XsdValues.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "service/SoapError.h"
#include "formatter/TextCase.h"

namespace dravel {

namespace {

constexpr int Precision = 15;

std::string_view Trim(std::string_view Text) {
  const auto Blank = [](char C) { return static_cast<unsigned char>(C) <= ' '; };
  while (!Text.empty() && Blank(Text.front())) Text.remove_prefix(1);
  while (!Text.empty() && Blank(Text.back())) Text.remove_suffix(1);
  return Text;
}

}  // namespace

std::string FormatSingle(float Value) {
  if (std::isnan(Value)) return "NaN";
  if (std::isinf(Value)) return Value < 0 ? "-INF" : "INF";
  if (Value == 0.0f) return "0";
  // d.dddddddddddddde±x: the 15 significant digits and the decimal exponent after rounding.
  char Scientific[32];
  std::snprintf(Scientific, sizeof Scientific, "%.*e", Precision - 1, static_cast<double>(Value));
  const std::string_view Text(Scientific);
  const std::size_t ExponentAt = Text.find('e');
  const int Exponent = std::atoi(Scientific + ExponentAt + 1);
  const bool Negative = Text.front() == '-';
  std::string Digits;
  for (char C : Text.substr(0, ExponentAt)) {
    if (C >= '0' && C <= '9') Digits += C;
  }
  while (Digits.size() > 1 && Digits.back() == '0') Digits.pop_back();

  std::string Result = Negative ? "-" : "";
  if (Exponent < -5 || Exponent >= Precision) {
    Result += Digits.front();
    if (Digits.size() > 1) Result += '.' + Digits.substr(1);
    Result += 'E' + std::to_string(Exponent);
  } else if (Exponent < 0) {
    Result += "0." + std::string(static_cast<std::size_t>(-Exponent - 1), '0') + Digits;
  } else {
    const std::size_t IntegerDigits = static_cast<std::size_t>(Exponent) + 1;
    if (Digits.size() <= IntegerDigits) {
      Result += Digits + std::string(IntegerDigits - Digits.size(), '0');
    } else {
      Result += Digits.substr(0, IntegerDigits) + '.' + Digits.substr(IntegerDigits);
    }
  }
  return Result;
}

std::int8_t ReadShortint(std::string_view Text) {
  std::string_view Number = Trim(Text);
  const bool Negative = !Number.empty() && Number.front() == '-';
  if (!Number.empty() && (Number.front() == '-' || Number.front() == '+')) Number.remove_prefix(1);
  std::uint32_t Magnitude = 0;
  const auto [End, Error] = std::from_chars(Number.data(), Number.data() + Number.size(), Magnitude);
  const std::uint32_t Limit = Negative ? 0x80000000u : 0x7FFFFFFFu;
  if (Number.empty() || Error != std::errc() || End != Number.data() + Number.size() ||
      Magnitude > Limit) {
    throw TSoapError("'" + std::string(Text) + "' is not a valid integer value");
  }
  // Two's complement truncation to the parameter's 8 bits.
  const std::uint32_t Bits = Negative ? 0u - Magnitude : Magnitude;
  return static_cast<std::int8_t>(static_cast<std::uint8_t>(Bits & 0xFFu));
}

char ReadChar(std::string_view Text) { return Text.empty() ? '\0' : Text.front(); }

TSubItem ReadSubItem(std::string_view Text) {
  const std::string_view Name = Trim(Text);
  if (SameTextAscii(Name, "siFree")) return TSubItem::siFree;
  if (SameTextAscii(Name, "siTotal")) return TSubItem::siTotal;
  if (SameTextAscii(Name, "siUsed")) return TSubItem::siUsed;
  return static_cast<TSubItem>(0xFF);
}

}  // namespace dravel
