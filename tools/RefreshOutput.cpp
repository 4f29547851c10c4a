#include "RefreshOutput.h"

#include <cerrno>
#include <cstring>

namespace dravel {

void TRefreshOutput::Begin() {
  if (FEnded) return;
  FBuffer.clear();
  FWriter.Begin(FBuffer);
  Send();
}

void TRefreshOutput::Show() {
  if (FEnded) return;
  const std::vector<std::string> Lines = FLabels.Render();
  const std::string Percentage = FLabels.RenderSide();
  FBuffer.clear();
  FWriter.Write({Lines, Percentage, std::chrono::system_clock::now()}, FBuffer);
  Send();
}

void TRefreshOutput::Send() {
  if (FBuffer.empty()) return;
  switch (FStream.Send(FBuffer)) {
    case TStreamControl::TSend::Sent:
      return;
    case TStreamControl::TSend::Closed:
      FEnded = true;
      return;
    case TStreamControl::TSend::Failed:
      FFailure = std::string("cannot write the output: ") + std::strerror(errno);
      FEnded = true;
      FStream.Stop();
      return;
  }
}

}  // namespace dravel
