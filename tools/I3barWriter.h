#pragma once
// The i3bar protocol (i3bar, swaybar): a header line, the opening "[" of an endless array,
// then one array of blocks per refresh, each followed by a comma and a newline. Every line
// of TEXT is one block named "line1", "line2", ...

#include "RefreshWriter.h"

namespace dravel {

class TI3barWriter final : public TRefreshWriter {
 public:
  void Begin(std::string& Out) const override;
  void Write(const TRefresh& Refresh, std::string& Out) const override;
};

}  // namespace dravel
