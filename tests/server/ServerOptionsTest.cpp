#include "server/ServerOptions.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>

#include "platform/TempFolder.h"

namespace dravel {
namespace {

std::string ErrorOf(const std::vector<std::string>& Args) {
  try {
    ParseServerOptions(Args);
  } catch (const EServerOptions& Error) {
    return Error.what();
  }
  return {};
}

class PasswordFileTest : public ::testing::Test {
 protected:
  std::string File(const std::string& Text, mode_t Mode) {
    const std::string Path = (Folder.Path() / "password").string();
    std::ofstream(Path, std::ios::binary | std::ios::trunc) << Text;
    ::chmod(Path.c_str(), Mode);
    return Path;
  }
  testing::TTempFolder Folder;
};

TEST(ServerOptionsTest, NothingGivenLeavesEveryValueToTheStore) {
  const TServerOptions Options = ParseServerOptions({});
  EXPECT_FALSE(Options.LinkPort);
  EXPECT_FALSE(Options.WebPort);
  EXPECT_FALSE(Options.Interval);
  EXPECT_FALSE(Options.SettingsFile);
  EXPECT_FALSE(Options.PasswordFile);
}

TEST(ServerOptionsTest, ValuesFollowTheOptionOrAnEqualsSign) {
  const TServerOptions Options =
      ParseServerOptions({"--link-port", "7000", "--web-port=0", "--interval=250", "--settings", "/tmp/s.db"});
  EXPECT_EQ(Options.LinkPort, 7000);
  EXPECT_EQ(Options.WebPort, 0);  // off
  EXPECT_EQ(Options.Interval, 250);
  EXPECT_EQ(Options.SettingsFile, "/tmp/s.db");
  EXPECT_EQ(ParseServerOptions({"--link-port=65535"}).LinkPort, 65535);
}

TEST(ServerOptionsTest, ListenAddressAndAllowListAreCheckedAndKeptAsGiven) {
  const TServerOptions Options = ParseServerOptions({"--listen", "::1", "--allow=127.0.0.1, 10.0.0.0/8"});
  EXPECT_EQ(Options.Listen, "::1");
  EXPECT_EQ(Options.Allow, "127.0.0.1, 10.0.0.0/8");
  // Empty text is every address, and everyone.
  EXPECT_EQ(ParseServerOptions({"--listen=", "--allow="}).Listen, "");
  EXPECT_FALSE(ParseServerOptions({}).Listen);
  EXPECT_EQ(ErrorOf({"--listen", "example.org"}), "dravel: --listen: 'example.org' is not an IP address");
  EXPECT_EQ(ErrorOf({"--allow=10.0.0.0/33"}), "dravel: --allow: '10.0.0.0/33' has a prefix length outside 0 to 32");
  EXPECT_EQ(ErrorOf({"--listen"}), "dravel: --listen: a value is missing");
}

TEST(ServerOptionsTest, SecureOnlyIsAFlagWithoutAValue) {
  EXPECT_FALSE(ParseServerOptions({}).SecureOnly);
  const TServerOptions Options = ParseServerOptions({"--secure-only", "--link-port", "7000"});
  EXPECT_TRUE(Options.SecureOnly);
  EXPECT_EQ(Options.LinkPort, 7000);
  EXPECT_NE(ErrorOf({"--secure-only=1"}).find("--secure-only=1: not an option"), std::string::npos);
}

TEST(ServerOptionsTest, BadValuesAndUnknownOptionsNameTheOption) {
  EXPECT_NE(ErrorOf({"--link-port", "65536"}).find("--link-port"), std::string::npos);
  EXPECT_NE(ErrorOf({"--web-port=-1"}).find("--web-port"), std::string::npos);
  EXPECT_NE(ErrorOf({"--web-port=80x"}).find("--web-port"), std::string::npos);
  EXPECT_NE(ErrorOf({"--interval", "0"}).find("--interval"), std::string::npos);
  EXPECT_NE(ErrorOf({"--interval=-5"}).find("--interval"), std::string::npos);
  EXPECT_NE(ErrorOf({"--interval=1.5"}).find("--interval"), std::string::npos);
  EXPECT_NE(ErrorOf({"--interval"}).find("--interval: a value is missing"), std::string::npos);
  EXPECT_NE(ErrorOf({"--settings="}).find("--settings"), std::string::npos);
  EXPECT_NE(ErrorOf({"--port=1"}).find("--port=1: not an option"), std::string::npos);
  EXPECT_NE(ErrorOf({"-c"}).find("-c: not an option"), std::string::npos);
  // One line each.
  EXPECT_EQ(ErrorOf({"--bogus"}).find('\n'), std::string::npos);
}

TEST_F(PasswordFileTest, FirstLineWithoutItsLineEnd) {
  EXPECT_EQ(ReadPasswordFile(File("Secret Word\r\nsecond line\n", 0600)), "Secret Word");
  EXPECT_EQ(ReadPasswordFile(File("nolineend", 0400)), "nolineend");
  EXPECT_EQ(ReadPasswordFile(File("", 0600)), "");
  const auto Options = ParseServerOptions({"--password-file", File("x\n", 0600)});
  EXPECT_TRUE(Options.PasswordFile);
}

TEST_F(PasswordFileTest, FileOpenToGroupOrOthersIsRefused) {
  for (const mode_t Mode : {0640, 0604, 0620, 0602}) {
    const std::string Path = File("secret\n", Mode);
    const std::string Error = ErrorOf({"--password-file=" + Path});
    EXPECT_NE(Error.find("--password-file"), std::string::npos) << Mode;
    EXPECT_NE(Error.find("others than its owner"), std::string::npos) << Mode;
    EXPECT_THROW(ReadPasswordFile(Path), EServerOptions);
  }
}

TEST_F(PasswordFileTest, MissingFileOrFolderIsRefusedWithTheSystemsReason) {
  const std::string Missing = (Folder.Path() / "none").string();
  EXPECT_NE(ErrorOf({"--password-file", Missing}).find("No such file or directory"), std::string::npos);
  EXPECT_NE(ErrorOf({"--password-file", Folder.Path().string()}).find("not a regular file"), std::string::npos);
}

}  // namespace
}  // namespace dravel
