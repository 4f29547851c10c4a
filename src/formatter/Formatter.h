#pragma once
// TFormatter: one family of display items; finds the tags of its items in a text and
// replaces them by the items' values.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "formatter/FormatSettings.h"
#include "sampling/RawData.h"

namespace dravel {

// Which side SIZE fills a value on: the panel's label alignment.
enum class TAlignment : std::uint8_t { Left = 0, Right = 1 };

// An item's value function: FORMAT value, LEADZERO flag, output (empty on entry), DECIMAL flag.
using TFormatFunc =
    std::function<void(std::string_view Format, bool LeadZero, std::string& Output, bool Decimal)>;

// A numeric item's figure for a bar or a graph, and the top of its own scale (none where
// the scale follows the values shown).
struct TGaugeValue {
  double Value = 0;
  std::optional<double> Top;
};

// A numeric item's figure for the FORMAT value given.
using TGaugeFunc = std::function<TGaugeValue(std::string_view Format)>;

struct TFormatData {
  std::string Description;  // help text of the options dialog
  std::string Name;         // item name, upper case; tags are matched against it
  std::string DefaultTag;
  TFormatFunc Func;
  TGaugeFunc Gauge;         // numeric items only: what BAR= and GRAPH= draw
};

struct TFormatItem {
  std::string DisplayName;
  TFormatData Data;
};

class TFormatter {
 public:
  TFormatter(TRawDataShell& Shell, const TFormatSettings& Settings);
  virtual ~TFormatter() = default;
  TFormatter(const TFormatter&) = delete;
  TFormatter& operator=(const TFormatter&) = delete;

  bool Active() const { return FActive; }
  void SetActive(bool Value) { FActive = Value; }
  TAlignment Alignment() const { return FAlignment; }
  void SetAlignment(TAlignment Value) { FAlignment = Value; }
  TRawDataShell& Shell() const { return FShell; }
  const TFormatSettings& Settings() const { return FSettings; }
  // Items in registration order.
  const std::vector<TFormatItem>& Items() const { return FItems; }

  // Active := the text holds "<NAME=" followed by one of this formatter's item names
  // (ASCII letters compared without case).
  virtual void DecideIfActive(std::string_view FormatText);
  // Text with every tag of this formatter's items replaced by its value; unchanged when
  // not active. Always ends, whatever the text holds. A numeric item's tag with BAR= or
  // GRAPH= becomes a gauge token (GaugeToken.h) instead of the value.
  std::string ReplaceTags(std::string_view Text) const;

  // Appends the display names in registration order.
  void ListItemNames(std::vector<std::string>& Strings) const;
  // Display names are matched without case; empty when no item has that display name.
  std::string GetUsageText(std::string_view DisplayName) const;
  std::string GetDefaultTag(std::string_view DisplayName) const;

 protected:
  void AddItem(std::string DisplayName, std::string Description, std::string_view ItemName,
               std::string DefaultTag, TFormatFunc Func);
  // A numeric item: its help text also tells of BAR, GRAPH and MAX.
  void AddItem(std::string DisplayName, std::string Description, std::string_view ItemName,
               std::string DefaultTag, TFormatFunc Func, TGaugeFunc Gauge);
  const TRawData& Data() const { return FShell.Data; }
  // A value function that calls Method of this formatter.
  template <typename TSelf>
  TFormatFunc Bind(void (TSelf::*Method)(std::string_view, bool, std::string&, bool) const) const {
    const auto* Self = static_cast<const TSelf*>(this);
    return [Self, Method](std::string_view Format, bool LeadZero, std::string& Output,
                          bool Decimal) { (Self->*Method)(Format, LeadZero, Output, Decimal); };
  }

 private:
  const TFormatItem* FindItem(std::string_view DisplayName) const;
  // The text holds "<NAME=" followed by one of this formatter's item names, without case.
  bool HoldsOpener(std::string_view Text) const;

  bool FActive = false;
  TAlignment FAlignment = TAlignment::Left;
  TRawDataShell& FShell;
  TFormatSettings FSettings;
  std::vector<TFormatItem> FItems;
};

}  // namespace dravel
