// The users file: htpasswd's lines, comments and blanks, and every way it can be wrong.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "FileText.h"
#include "HtpasswdTool.h"
#include "service/BcryptCheck.h"
#include "service/HtpasswdFile.h"

namespace dravel {
namespace {

using testing::HtpasswdLine;

constexpr const char* Hash = "$2y$05$hP53cvp5GdADKOtveKWysOvRdxH1EPitZjJfAkmrB36T3yI0aYC9q";

std::string ErrorOf(const std::string& Text) {
  try {
    THtpasswdFile::Parse(Text, "users.htpasswd");
  } catch (const EHtpasswd& Error) {
    return Error.what();
  }
  return {};
}

TEST(HtpasswdFileTest, ReadsUsersBesideCommentsAndBlankLines) {
  const std::string Text = std::string("# who may look\n\nann:") + Hash + "\r\n  \n#bob:x\nbob:" + Hash + "\n";
  const THtpasswdFile File = THtpasswdFile::Parse(Text, "f");
  EXPECT_EQ(File.Size(), 2u);
  ASSERT_NE(File.HashOf("ann"), nullptr);
  EXPECT_EQ(*File.HashOf("ann"), Hash);
  EXPECT_NE(File.HashOf("bob"), nullptr);
  EXPECT_EQ(File.HashOf("#bob"), nullptr);
  EXPECT_EQ(File.HashOf("carl"), nullptr);
}

TEST(HtpasswdFileTest, TakesTheHashesOfTheRealHtpasswdAndChecksThem) {
  const std::string Line = HtpasswdLine("ann", "s3cret word");
  ASSERT_EQ(Line.rfind("ann:$2y$05$", 0), 0u) << "htpasswd -B wrote: " << Line;
  const THtpasswdFile File = THtpasswdFile::Parse(Line + "\n", "f");
  EXPECT_TRUE(PasswordMatches("s3cret word", *File.HashOf("ann")));
  EXPECT_FALSE(PasswordMatches("s3cret Word", *File.HashOf("ann")));
  EXPECT_FALSE(PasswordMatches("", *File.HashOf("ann")));
  EXPECT_FALSE(PasswordMatches(std::string("s3cret word\0x", 13), *File.HashOf("ann")));
  // $2b$ and $2a$ name the same algorithm for such passwords.
  std::string Other = *File.HashOf("ann");
  Other[2] = 'b';
  EXPECT_TRUE(PasswordMatches("s3cret word", Other));
  Other[2] = 'a';
  EXPECT_TRUE(PasswordMatches("s3cret word", Other));
}

TEST(HtpasswdFileTest, OtherHashKindsAndMalformedLinesNameTheFileAndLine) {
  EXPECT_EQ(ErrorOf("# c\nann:$apr1$abc$defghijklmnopqrstuvwx\n"),
            "users.htpasswd line 2: user \"ann\" has an MD5 (apr1) hash; only bcrypt ($2y$, $2b$, $2a$, as "
            "htpasswd -B writes) is accepted");
  EXPECT_NE(ErrorOf("ann:{SHA}W6ph5Mm5Pz8GgiULbPgzG37mj9g=\n").find("line 1: user \"ann\" has a SHA-1 hash"),
            std::string::npos);
  EXPECT_NE(ErrorOf("ann:plaintext\n").find("a hash that is not bcrypt"), std::string::npos);
  EXPECT_NE(ErrorOf(std::string("ann:") + Hash + "x\n").find("a malformed bcrypt hash"), std::string::npos);
  EXPECT_NE(ErrorOf("$2y$03$hP53cvp5GdADKOtveKWysOvRdxH1EPitZjJfAkmrB36T3yI0aYC9q").find("line 1"),
            std::string::npos);
  EXPECT_EQ(ErrorOf("\njust a line\n"), "users.htpasswd line 2: not of the form user:hash");
  EXPECT_EQ(ErrorOf(std::string(":") + Hash), "users.htpasswd line 1: not of the form user:hash");
  EXPECT_EQ(ErrorOf(std::string("ann:") + Hash + "\nann:" + Hash),
            "users.htpasswd line 2: user \"ann\" is named twice");
  EXPECT_EQ(ErrorOf("# nobody\n\n"), "users.htpasswd: names no user");
}

TEST(HtpasswdFileTest, TellsTheBcryptForm) {
  EXPECT_TRUE(IsBcryptHash(Hash));
  std::string Cost31 = Hash;
  Cost31.replace(4, 2, "31");
  EXPECT_TRUE(IsBcryptHash(Cost31));
  for (const char* Cost : {"03", "32", "5x"}) {
    std::string Wrong = Hash;
    Wrong.replace(4, 2, Cost);
    EXPECT_FALSE(IsBcryptHash(Wrong)) << Cost;
  }
  std::string Bad = Hash;
  Bad[20] = '!';
  EXPECT_FALSE(IsBcryptHash(Bad));
  EXPECT_FALSE(IsBcryptHash(std::string(Hash).replace(0, 4, "$2x$")));
}

TEST(HtpasswdFileTest, LoadsFilesAndSaysWhichOneCannotBeRead) {
  const auto Folder = std::filesystem::temp_directory_path() / ("htpasswd_test_" + std::to_string(::getpid()));
  testing::WriteFileText(Folder / "users", std::string("ann:") + Hash + "\n");
  EXPECT_EQ(THtpasswdFile::Load(Folder / "users").Size(), 1u);
  try {
    THtpasswdFile::Load(Folder / "missing");
    ADD_FAILURE() << "a missing file was read";
  } catch (const EHtpasswd& Error) {
    EXPECT_EQ(std::string(Error.what()), (Folder / "missing").string() + ": cannot be read");
  }
  EXPECT_THROW(THtpasswdFile::Load(Folder), EHtpasswd);  // a folder
  testing::WriteFileText(Folder / "huge", std::string(1024 * 1024 + 1, '#'));
  EXPECT_THROW(THtpasswdFile::Load(Folder / "huge"), EHtpasswd);
  std::filesystem::remove_all(Folder);
}

}  // namespace
}  // namespace dravel
