#pragma once
// The six formatters in registry (and evaluation) order, and the whole-text evaluation.

#include <array>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "formatter/MBMFormat.h"
#include "formatter/NetworkFormat.h"
#include "formatter/NonPerfFormat.h"
#include "formatter/PageRAMFormat.h"
#include "formatter/ProcFormat.h"
#include "formatter/UTPFormat.h"
#include "sampling/ActiveFamilies.h"

namespace dravel {

class TFormatterRegistry {
 public:
  // The formatters read Shell's record; Shell must outlive the registry.
  TFormatterRegistry(TRawDataShell& Shell, const TFormatSettings& Settings);
  TFormatterRegistry(const TFormatterRegistry&) = delete;
  TFormatterRegistry& operator=(const TFormatterRegistry&) = delete;

  TMBMFormat& MBM() { return FMBM; }
  TUTPFormat& UTP() { return FUTP; }
  TPageRAMFormat& PageRAM() { return FPageRAM; }
  TProcFormat& Proc() { return FProc; }
  TNetworkFormat& Network() { return FNetwork; }
  TNonPerfFormat& NonPerf() { return FNonPerf; }
  const TMBMFormat& MBM() const { return FMBM; }
  const TUTPFormat& UTP() const { return FUTP; }
  const TPageRAMFormat& PageRAM() const { return FPageRAM; }
  const TProcFormat& Proc() const { return FProc; }
  const TNetworkFormat& Network() const { return FNetwork; }
  const TNonPerfFormat& NonPerf() const { return FNonPerf; }

  // MBM, UTP, PageRAM, Proc, Network, NonPerf.
  std::span<TFormatter* const> All() { return FAll; }
  std::span<const TFormatter* const> All() const { return FConstAll; }

  // DecideIfActive(FormatText) on every formatter (frees the drive slots).
  void DecideIfActive(std::string_view FormatText);
  void SetAlignment(TAlignment Alignment);
  // The text through ReplaceTags of every active formatter, in registry order.
  std::string Evaluate(std::string_view Line) const;
  TActiveFamilies ActiveFamilies() const;

  // What the options dialog shows: all display names in registry order; the usage texts
  // of a display name concatenated over the registry; the first non-empty default tag.
  std::vector<std::string> ListItemNames() const;
  std::string GetUsageText(std::string_view DisplayName) const;
  std::string GetDefaultTag(std::string_view DisplayName) const;

 private:
  TMBMFormat FMBM;
  TUTPFormat FUTP;
  TPageRAMFormat FPageRAM;
  TProcFormat FProc;
  TNetworkFormat FNetwork;
  TNonPerfFormat FNonPerf;
  std::array<TFormatter*, 6> FAll;
  std::array<const TFormatter*, 6> FConstAll;
};

// The main window's eight-line default format text (CR LF between lines, none at the end).
std::string DefaultFormatText(const TFormatterRegistry& Registry);

}  // namespace dravel
