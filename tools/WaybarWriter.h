#pragma once
// Waybar's custom module with "return-type": "json": one object per refresh, one a line.
// "text" is the first line and "tooltip" every line, both as Pango markup (Waybar reads
// them as markup); "class" and "percentage" are there when given.

#include <optional>
#include <string>
#include <string_view>

#include "RefreshWriter.h"
#include "formatter/FormatSettings.h"

namespace dravel {

class TWaybarWriter final : public TRefreshWriter {
 public:
  // Class: empty for none. Settings: the separators the percentage's number is written
  // with.
  TWaybarWriter(std::string Class, const TFormatSettings& Settings)
      : FClass(std::move(Class)), FSettings(Settings) {}
  void Write(const TRefresh& Refresh, std::string& Out) const override;

 private:
  std::string FClass;
  TFormatSettings FSettings;
};

// The whole number a rendered percentage text shows (rounded), read with the locale's
// separators; blanks around it and one "%" after it are allowed. None for an empty text,
// anything else than one number, or a number beyond any percentage's reach.
std::optional<long long> PercentageValue(std::string_view Caption, const TFormatSettings& Settings);

}  // namespace dravel
