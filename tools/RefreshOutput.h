#pragma once
// One refresh on its way out: the labels rendered, the lines written in the chosen form,
// the whole refresh sent to standard output at once.

#include <string>

#include "DravelfmtLabels.h"
#include "RefreshWriter.h"
#include "StreamControl.h"

namespace dravel {

class TRefreshOutput {
 public:
  // All three must outlive this object.
  TRefreshOutput(const TLabelText& Labels, const TRefreshWriter& Writer, TStreamControl& Stream)
      : FLabels(Labels), FWriter(Writer), FStream(Stream) {}

  // Sends the writer's header. Both calls do nothing once the output has failed or closed.
  void Begin();
  void Show();
  // Set by a write error other than a closed output (the stream is stopped); its text.
  const std::string& Failure() const { return FFailure; }

 private:
  void Send();

  const TLabelText& FLabels;
  const TRefreshWriter& FWriter;
  TStreamControl& FStream;
  std::string FBuffer;  // kept from refresh to refresh, so a refresh allocates nothing new
  bool FEnded = false;
  std::string FFailure;
};

}  // namespace dravel
