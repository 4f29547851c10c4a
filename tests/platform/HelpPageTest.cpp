#include "platform/HelpPage.h"

#include "platform/TempFolder.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <sstream>
#include <thread>

namespace dravel {
namespace {

namespace fs = std::filesystem;

class HelpPageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* Name : {"TEMP", "TMPDIR", "PATH"})
      if (const char* Value = std::getenv(Name))
        Saved.emplace_back(Name, Value);
      else
        Saved.emplace_back(Name, std::nullopt);
  }
  void TearDown() override {
    for (const auto& [Name, Value] : Saved)
      Value ? setenv(Name.c_str(), Value->c_str(), 1) : unsetenv(Name.c_str());
  }
  static std::string ReadAll(const fs::path& File) {
    std::ifstream In(File, std::ios::binary);
    return {std::istreambuf_iterator<char>(In), {}};
  }

  testing::TTempFolder Temp;
  const fs::path Folder = Temp.Path();
  std::vector<std::pair<std::string, std::optional<std::string>>> Saved;
};

TEST_F(HelpPageTest, PageIsWrittenAsCrLfLinesIntoTheFolder) {
  std::ofstream(Folder / "drnettmp.htm") << std::string(20000, 'z');
  const fs::path File = WriteHelpPage(Folder);
  EXPECT_EQ(File, Folder / "drnettmp.htm");
  const std::string Text = ReadAll(File);
  std::istringstream Lines(Text);
  std::string Line;
  int Count = 0;
  while (std::getline(Lines, Line)) {
    ASSERT_FALSE(Line.empty());
    EXPECT_EQ(Line.back(), '\r') << "line " << Count;
    ++Count;
  }
  EXPECT_EQ(Count, 23);
  EXPECT_TRUE(Text.starts_with("<HTML><HEAD><TITLE>Dravel Network Configuration</TITLE>"));
  EXPECT_TRUE(Text.ends_with("</HTML>\r\n"));
}

TEST_F(HelpPageTest, ExamplesNameTheLinuxProgram) {
  const std::vector<std::string>& Lines = HelpPageLines();
  ASSERT_EQ(Lines.size(), 23u);
  EXPECT_NE(Lines[5].find(">dravel -c -i<I>ip-of-server</I>"), std::string::npos);
  EXPECT_NE(Lines[12].find(">dravel -c -i10.11.12.13 -p6130</FONT>"), std::string::npos);
  for (const std::string& Line : Lines)
    EXPECT_EQ(Line.find("dravel.exe"), std::string::npos) << Line;
  EXPECT_TRUE(Lines[18].starts_with("href=\""));
  EXPECT_TRUE(Lines[21].ends_with(" target=_blank>this</A> website."));
}

TEST_F(HelpPageTest, FolderIsTempThenTmpdirThenSlashTmp) {
  setenv("TEMP", "/t1", 1);
  setenv("TMPDIR", "/t2", 1);
  EXPECT_EQ(HelpPageFolder(), fs::path("/t1"));
  unsetenv("TEMP");
  EXPECT_EQ(HelpPageFolder(), fs::path("/t2"));
  setenv("TMPDIR", "", 1);
  EXPECT_EQ(HelpPageFolder(), fs::path("/tmp"));
}

TEST_F(HelpPageTest, UnwritableFolderThrows) {
  EXPECT_THROW(WriteHelpPage(Folder / "no" / "such"), std::system_error);
}

TEST_F(HelpPageTest, DocumentIsHandedToXdgOpen) {
  // A stand-in handler that records its argument.
  const fs::path Handler = Folder / "xdg-open";
  std::ofstream(Handler) << "#!/bin/sh\necho \"$1\" > \"" << (Folder / "arg.tmp").string()
                         << "\"\nmv \"" << (Folder / "arg.tmp").string() << "\" \""
                         << (Folder / "arg").string() << "\"\n";
  fs::permissions(Handler, fs::perms::owner_all);
  setenv("PATH", (Folder.string() + ":" + std::getenv("PATH")).c_str(), 1);
  ASSERT_TRUE(OpenDocument("/tmp/x y/drnettmp.htm"));
  for (int i = 0; i < 200 && !fs::exists(Folder / "arg"); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_EQ(ReadAll(Folder / "arg"), "/tmp/x y/drnettmp.htm\n");
}

TEST_F(HelpPageTest, NoOpenerOrAFailingOneIsReported) {
  // A PATH without xdg-open at all.
  const std::string Saved = std::getenv("PATH");
  setenv("PATH", Folder.c_str(), 1);
  EXPECT_FALSE(OpenDocument("/tmp/page.htm"));
  // An opener that finds nothing to open with ends at once with a failure.
  const fs::path Handler = Folder / "xdg-open";
  std::ofstream(Handler) << "#!/bin/sh\nexit 3\n";
  fs::permissions(Handler, fs::perms::owner_all);
  setenv("PATH", (Folder.string() + ":" + Saved).c_str(), 1);
  EXPECT_FALSE(OpenDocument("/tmp/page.htm"));
  setenv("PATH", Saved.c_str(), 1);
}

TEST_F(HelpPageTest, AnOpenerStillRunningCountsAsOpened) {
  const fs::path Handler = Folder / "xdg-open";
  std::ofstream(Handler) << "#!/bin/sh\nexec sleep 5\n";
  fs::permissions(Handler, fs::perms::owner_all);
  const std::string Saved = std::getenv("PATH");
  setenv("PATH", (Folder.string() + ":" + Saved).c_str(), 1);
  const auto Start = std::chrono::steady_clock::now();
  EXPECT_TRUE(OpenDocument("/tmp/page.htm"));
  // The wait for a quick failure is bounded well below the opener's own life.
  EXPECT_LT(std::chrono::steady_clock::now() - Start, std::chrono::seconds(4));
  setenv("PATH", Saved.c_str(), 1);
}

}  // namespace
}  // namespace dravel
