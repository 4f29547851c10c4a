#pragma once
// dravelfmt's TEXT as the panel's labels hold it: one label per line, with the formatters'
// activity decided from the whole text.

#include <string>
#include <string_view>
#include <vector>

#include "formatter/formatter.h"

namespace dravel {

class TLabelText {
 public:
  // Text in code page 1252. Activity is decided from it at once, which also frees the
  // record's drive slots, as building the panel's labels does. Side is one more line,
  // rendered apart from the labels (a status bar's percentage); its tags count for the
  // activity too.
  TLabelText(TRawDataShell& Shell, const TFormatSettings& Settings, std::string_view Text,
             TAlignment Alignment, std::string_view Side = {});

  TActiveFamilies ActiveFamilies() const { return FRegistry.ActiveFamilies(); }
  // Every line evaluated against the shell's record (code page 1252).
  std::vector<std::string> Render() const;
  std::string RenderSide() const { return FRegistry.Evaluate(FSide); }

 private:
  TFormatterRegistry FRegistry;
  std::vector<std::string> FLines;
  std::string FSide;
};

// The caption without its label markup: every "<...>" goes, "<<>" leaves "<".
std::string StripMarkup(std::string_view Caption);

}  // namespace dravel
