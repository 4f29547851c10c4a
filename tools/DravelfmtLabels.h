#pragma once
// dravelfmt's TEXT as the panel's labels hold it: one label per line, the formatters'
// activity decided from the whole text, and the output of a render.

#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

#include "formatter/formatter.h"

namespace dravel {

class TLabelText {
 public:
  // Text in code page 1252. Activity is decided from it at once, which also frees the
  // record's drive slots, as building the panel's labels does.
  TLabelText(TRawDataShell& Shell, const TFormatSettings& Settings, std::string_view Text,
             TAlignment Alignment);

  TActiveFamilies ActiveFamilies() const { return FRegistry.ActiveFamilies(); }
  // Every line evaluated against the shell's record (code page 1252).
  std::vector<std::string> Render() const;

 private:
  TFormatterRegistry FRegistry;
  std::vector<std::string> FLines;
};

// The caption without its label markup: every "<...>" goes, "<<>" leaves "<".
std::string StripMarkup(std::string_view Caption);

// Writes each line and a newline, markup stripped when Plain, converted from code page
// 1252 to Charset.
void WriteLines(std::ostream& Out, const std::vector<std::string>& Lines, bool Plain,
                const std::string& Charset);

}  // namespace dravel
