#pragma once
// Turning the C library's strftime patterns (LC_TIME) into the date-time item's pattern
// language, so the locale's formats can drive "c", "ddddd", "t" and "tt".

#include <string>
#include <string_view>

namespace dravel {

// Strftime: a pattern such as "%d.%m.%Y"; AmPmTime: what "%r" stands for. Literal text
// equal to Separator becomes SeparatorToken ("/" or ":"), other letters are quoted.
std::string PatternFromStrftime(std::string_view Strftime, std::string_view AmPmTime,
                                char Separator, char SeparatorToken);

// The first character of the pattern that is neither a conversion nor a letter or blank,
// for example "." in "%d.%m.%Y"; Fallback when there is none.
char StrftimeSeparator(std::string_view Strftime, char Fallback);

// "dddd, " followed by the day, full month name and year in the order Strftime gives them.
std::string LongDatePattern(std::string_view Strftime);

}  // namespace dravel
