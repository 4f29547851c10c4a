#pragma once
// One output form of dravelfmt: what a refresh's rendered lines become on standard output.
// A refresh is rendered (the labels' captions), mapped (markup to the form's own) and
// written into a buffer that the caller sends as a whole, so every refresh reaches the
// reader complete.

#include <chrono>
#include <string>
#include <string_view>
#include <vector>

namespace dravel {

struct TRefresh {
  // The captions, one per line of TEXT: code page 1252 with the label markup.
  const std::vector<std::string>& Lines;
  // The --percentage text rendered likewise; empty when none was given.
  std::string_view Percentage;
  std::chrono::system_clock::time_point Time;
};

class TRefreshWriter {
 public:
  virtual ~TRefreshWriter() = default;
  // Appends what goes before the first refresh (a protocol's header).
  virtual void Begin(std::string& Out) const;
  // Appends one refresh.
  virtual void Write(const TRefresh& Refresh, std::string& Out) const = 0;
};

}  // namespace dravel
