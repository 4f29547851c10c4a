// A refresh on its way out through a pipe: bars and graphs keep their history per line from
// refresh to refresh, in every output form.
#include "RefreshOutput.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <unistd.h>

#include "I3barWriter.h"
#include "PlainWriter.h"

namespace dravel {
namespace {

class RefreshOutputTest : public ::testing::Test {
 protected:
  RefreshOutputTest() { EXPECT_EQ(::pipe(Pipe), 0); }
  ~RefreshOutputTest() override {
    ::close(Pipe[0]);
    ::close(Pipe[1]);
  }
  // What one refresh wrote (small enough to arrive in one read).
  std::string ReadRefresh() {
    char Buffer[4096];
    const ssize_t Got = ::read(Pipe[0], Buffer, sizeof Buffer);
    return Got > 0 ? std::string(Buffer, static_cast<std::size_t>(Got)) : std::string();
  }
  TRawDataShell Shell;
  int Pipe[2] = {-1, -1};
};

TEST_F(RefreshOutputTest, AGraphOverFiveRefreshesAndABarScaledToItsLargestValue) {
  const TLabelText Labels(Shell, TFormatSettings{},
                          "CPU <NAME=ProcUsage GRAPH=5>|\r\n<NAME=Threads BAR=4>|", TAlignment::Left);
  const TPlainWriter Writer(true, "UTF-8");
  TStreamControl Stream(Pipe[1]);
  TRefreshOutput Output(Labels, Writer, Stream);
  const float Usage[] = {20, 40, 100, 0, 60};
  const std::int16_t Threads[] = {100, 200, 50, 100, 300};
  const char* Expected[] = {
      "CPU     \u2582|\n\u2588\u2588\u2588\u2588|\n",
      "CPU    \u2582\u2584|\n\u2588\u2588\u2588\u2588|\n",
      "CPU   \u2582\u2584\u2588|\n\u2588   |\n",             // 50 of the largest, 200
      "CPU  \u2582\u2584\u2588 |\n\u2588\u2588  |\n",        // 100 of 200
      "CPU \u2582\u2584\u2588 \u2585|\n\u2588\u2588\u2588\u2588|\n"};
  for (int Refresh = 0; Refresh < 5; ++Refresh) {
    Shell.Data.ProcUsage[0] = Usage[Refresh];
    Shell.Data.Threads = Threads[Refresh];
    Output.Show();
    EXPECT_EQ(ReadRefresh(), Expected[Refresh]) << Refresh;
  }
}

TEST_F(RefreshOutputTest, AValueAboveMaxIsDrawnAtTheTop) {
  const TLabelText Labels(Shell, TFormatSettings{}, "<NAME=NetRead BAR=4 MAX=100>|<NAME=NetRead GRAPH=2 MAX=100>",
                          TAlignment::Left);
  const TI3barWriter Writer;
  TStreamControl Stream(Pipe[1]);
  TRefreshOutput Output(Labels, Writer, Stream);
  Shell.Data.NetRead[0] = 250;
  Output.Show();
  const std::string Refresh = ReadRefresh();
  const nlohmann::json Blocks = nlohmann::json::parse(Refresh.substr(0, Refresh.size() - 2));
  EXPECT_EQ(Blocks[0]["full_text"], "\u2588\u2588\u2588\u2588| \u2588");
}

}  // namespace
}  // namespace dravel
