#pragma once
// The plain output: each line and a newline, in the locale's encoding, with the label
// markup kept (for another program that draws it) or stripped.

#include <string>

#include "RefreshWriter.h"

namespace dravel {

class TPlainWriter final : public TRefreshWriter {
 public:
  TPlainWriter(bool StripLabelMarkup, std::string Charset)
      : FStrip(StripLabelMarkup), FCharset(std::move(Charset)) {}
  void Write(const TRefresh& Refresh, std::string& Out) const override;

 private:
  bool FStrip;
  std::string FCharset;
};

}  // namespace dravel
