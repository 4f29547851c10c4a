#include "formatter/Formatter.h"

#include "formatter/Catalogue.h"
#include "formatter/TagParser.h"
#include "formatter/TextCase.h"

namespace dravel {
namespace {

// The token a numeric item's tag with BAR= or GRAPH= becomes; MAX sets the top of any scale.
std::string GaugeToken(const TGaugeValue& Figure, const TGaugeRequest& Request,
                       const std::optional<double>& Max) {
  return WriteGaugeToken({.Kind = Request.Kind,
                          .Values = {Figure.Value},
                          .Top = Max ? Max : Figure.Top,
                          .Cells = Request.Cells});
}

}  // namespace

TFormatter::TFormatter(TRawDataShell& Shell, const TFormatSettings& Settings)
    : FShell(Shell), FSettings(Settings) {}

void TFormatter::AddItem(std::string DisplayName, std::string Description,
                         std::string_view ItemName, std::string DefaultTag, TFormatFunc Func) {
  FItems.push_back({std::move(DisplayName),
                    {std::move(Description), UpperCaseAscii(ItemName), std::move(DefaultTag),
                     std::move(Func), {}}});
}

void TFormatter::AddItem(std::string DisplayName, std::string Description,
                         std::string_view ItemName, std::string DefaultTag, TFormatFunc Func,
                         TGaugeFunc Gauge) {
  AddItem(std::move(DisplayName), catalogue::WithGaugeNote(std::move(Description)), ItemName,
          std::move(DefaultTag), std::move(Func));
  FItems.back().Data.Gauge = std::move(Gauge);
}

bool TFormatter::HoldsOpener(std::string_view Text) const {
  for (std::size_t At = FindOpener(Text, 0); At != std::string_view::npos;
       At = FindOpener(Text, At + 1)) {
    for (const TFormatItem& Item : FItems) {
      if (UpperEqualsAt(Text, At + Opener.size(), Item.Data.Name)) return true;
    }
  }
  return false;
}

void TFormatter::DecideIfActive(std::string_view FormatText) {
  FActive = HoldsOpener(FormatText);
}

std::string TFormatter::ReplaceTags(std::string_view Text) const {
  std::string Result(Text);
  if (!FActive || !HoldsOpener(Result)) return Result;
  const bool RightAligned = FAlignment == TAlignment::Right;
  for (const TFormatItem& Item : FItems) {
    // One pass over the text per item. The search goes on after each replaced value, so a
    // value holding an opener of its own item is not read again, and an opener without
    // ">" stays as written; the text is read once, whatever it holds.
    std::string Replaced;
    std::size_t Done = 0;
    for (;;) {
      const std::size_t Start = FindTagOpener(Result, Item.Data.Name, Done);
      if (Start == std::string::npos) break;
      const std::size_t Close = Result.find('>', Start);
      if (Close == std::string::npos) break;  // no tag can close any more
      const TTagAttributes Attributes =
          ParseTagAttributes(std::string_view(Result).substr(Start, Close - Start + 1));
      std::string Value;
      std::size_t Shown = 0;
      if (Attributes.Gauge && Item.Data.Gauge) {
        Value = GaugeToken(Item.Data.Gauge(Attributes.Format), *Attributes.Gauge, Attributes.Max);
        Shown = Attributes.Gauge->Cells;
      } else {
        Item.Data.Func(Attributes.Format, Attributes.LeadZero, Value, Attributes.Decimal);
        Shown = Value.size();
      }
      Replaced.append(Result, Done, Start - Done);
      Replaced += PadValue(std::move(Value), Shown, Attributes, RightAligned);
      Done = Close + 1;
    }
    if (Done == 0) continue;  // no tag of this item
    Replaced.append(Result, Done);
    Result = std::move(Replaced);
  }
  return Result;
}

void TFormatter::ListItemNames(std::vector<std::string>& Strings) const {
  for (const TFormatItem& Item : FItems) Strings.push_back(Item.DisplayName);
}

const TFormatItem* TFormatter::FindItem(std::string_view DisplayName) const {
  for (const TFormatItem& Item : FItems) {
    if (SameTextAscii(Item.DisplayName, DisplayName)) return &Item;
  }
  return nullptr;
}

std::string TFormatter::GetUsageText(std::string_view DisplayName) const {
  const TFormatItem* Item = FindItem(DisplayName);
  if (!Item) return {};
  std::string Text;
  for (const char C : Item->Data.Description) {
    Text += C;
    if (C == '.') Text += "\r\n";
  }
  return Text + "\r\nDefault Usage String:\r\n" + Item->Data.DefaultTag;
}

std::string TFormatter::GetDefaultTag(std::string_view DisplayName) const {
  const TFormatItem* Item = FindItem(DisplayName);
  return Item ? Item->Data.DefaultTag : std::string();
}

}  // namespace dravel
