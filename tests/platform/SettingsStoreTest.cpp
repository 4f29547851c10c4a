#include "platform/SettingsStore.h"

#include "platform/TempFolder.h"

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>

namespace dravel {
namespace {

namespace fs = std::filesystem;

class StoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Dir = Temp.Path();
    File = Dir / "dravel" / "registry.db";
  }

  // Rows as another tool sees them, straight from the file.
  std::string RawQuery(const std::string& Sql) const {
    sqlite3* Db = nullptr;
    sqlite3_open_v2(File.c_str(), &Db, SQLITE_OPEN_READONLY, nullptr);
    std::string Out;
    sqlite3_exec(
        Db, Sql.c_str(),
        [](void* Target, int Count, char** Values, char**) {
          auto& Text = *static_cast<std::string*>(Target);
          for (int i = 0; i < Count; ++i)
            Text += std::string(Values[i] ? Values[i] : "NULL") + (i + 1 < Count ? "|" : "\n");
          return 0;
        },
        &Out, nullptr);
    sqlite3_close(Db);
    return Out;
  }

  testing::TTempFolder Temp;
  fs::path Dir;
  fs::path File;
};

class StoreTypes : public StoreTest {};

TEST_F(StoreTypes, ValuesKeepTheirTypeAndContentAcrossReopening) {
  const std::vector<std::uint8_t> Bytes{0x10, 0x0E, 0, 0, 0, 0, 0, 0x80};
  {
    TRegistry Reg(File);
    ASSERT_TRUE(Reg.OpenKey("Software\\KelmarSoftware\\Dravel", true));
    Reg.WriteInteger("Alpha", -200);
    Reg.WriteBool("AOT", true);
    Reg.WriteString("UTstr", "caf\xE9 \x80 <B>");
    Reg.WriteBinaryData("LongestUptime", Bytes);
    Reg.WriteString("Empty", "");
  }
  TRegistry Reg(File);
  EXPECT_TRUE(Reg.RecoveryNotice().empty());
  ASSERT_TRUE(Reg.OpenKey("\\Software\\KelmarSoftware\\Dravel", false));
  EXPECT_EQ(Reg.ReadInteger("Alpha"), -200);
  EXPECT_TRUE(Reg.ReadBool("AOT"));
  EXPECT_EQ(Reg.ReadString("UTstr"), "caf\xE9 \x80 <B>");
  EXPECT_EQ(Reg.ReadBinaryData("LongestUptime"), Bytes);
  EXPECT_TRUE(Reg.ValueExists("Empty"));
  EXPECT_EQ(Reg.ReadString("Empty"), "");
  EXPECT_EQ(Reg.GetDataSize("LongestUptime"), 8);
  EXPECT_EQ(Reg.GetDataSize("UTstr"), 10);
  EXPECT_EQ(Reg.GetDataSize("Missing"), -1);
}

TEST_F(StoreTypes, FileHoldsTheFixedLayoutWithUtf8AndLittleEndianIntegers) {
  {
    TRegistry Reg(File);
    Reg.OpenKey("Software\\KelmarSoftware\\Dravel", true);
    Reg.WriteInteger("Interval", 0x01020304);
    Reg.WriteString("FontName", "\xC4rial");
    Reg.WriteBinaryData("FontStyle", std::vector<std::uint8_t>{5});
  }
  EXPECT_EQ(RawQuery("SELECT path FROM keys ORDER BY path"),
            "Software\nSoftware\\KelmarSoftware\nSoftware\\KelmarSoftware\\Dravel\n");
  EXPECT_EQ(RawQuery("SELECT name, type, hex(data) FROM vals ORDER BY name"),
            "FontName|1|C3847269616C\nFontStyle|3|05\nInterval|4|04030201\n");
  EXPECT_EQ(RawQuery("PRAGMA journal_mode"), "wal\n");
}

TEST_F(StoreTypes, ValueSeededByAnotherToolIsReadInTheStoresCodePage) {
  { TRegistry Reg(File); }
  sqlite3* Db = nullptr;
  sqlite3_open(File.c_str(), &Db);
  sqlite3_exec(Db,
               "INSERT INTO keys VALUES('Software');"
               "INSERT INTO vals VALUES('Software', 'Greeting', 1, CAST('gr\xC3\xBC\xC3\x9F "
               "\xE2\x82\xAC \xE2\x98\x83' AS BLOB));",
               nullptr, nullptr, nullptr);
  sqlite3_close(Db);
  TRegistry Reg(File);
  ASSERT_TRUE(Reg.OpenKey("software", false));
  // A character CP1252 lacks (the snowman) reads as "?".
  EXPECT_EQ(Reg.ReadString("greeting"), "gr\xFC\xDF \x80 ?");
}

class StoreNames : public StoreTest {};

TEST_F(StoreNames, KeyAndValueNamesIgnoreAsciiCase) {
  TRegistry Reg(File);
  ASSERT_TRUE(Reg.OpenKey("Software\\KelmarSoftware\\Dravel", true));
  Reg.WriteInteger("FontSize", 8);
  Reg.WriteInteger("FONTSIZE", 12);
  Reg.CloseKey();
  EXPECT_TRUE(Reg.KeyExists("SOFTWARE\\kelmarsoftware\\DRAVEL"));
  ASSERT_TRUE(Reg.OpenKey("software\\KELMARSOFTWARE\\dravel", false));
  EXPECT_EQ(Reg.ReadInteger("fontsize"), 12);
  EXPECT_EQ(RawQuery("SELECT count(*) FROM vals"), "1\n");
  EXPECT_EQ(RawQuery("SELECT count(*) FROM keys"), "3\n");
  EXPECT_TRUE(Reg.DeleteValue("FontSIZE"));
  EXPECT_FALSE(Reg.ValueExists("FontSize"));
}

TEST_F(StoreNames, CaseFoldingIsAsciiOnly) {
  TRegistry Reg(File);
  Reg.OpenKey("K", true);
  Reg.WriteInteger("\xE9t\xE9", 1);
  EXPECT_TRUE(Reg.ValueExists("\xE9T\xE9"));
  EXPECT_FALSE(Reg.ValueExists("\xC9T\xC9"));
}

TEST_F(StoreNames, RelativeAndAbsoluteKeyPaths) {
  TRegistry Reg(File);
  ASSERT_TRUE(Reg.OpenKey("\\Software\\KelmarSoftware\\Dravel\\", true));
  EXPECT_EQ(Reg.CurrentPath(), "Software\\KelmarSoftware\\Dravel");
  ASSERT_TRUE(Reg.OpenKey("10.11.12.13:6130", true));
  EXPECT_EQ(Reg.CurrentPath(), "Software\\KelmarSoftware\\Dravel\\10.11.12.13:6130");
  Reg.WriteInteger("Interval", 2000);
  EXPECT_FALSE(Reg.OpenKey("\\Software\\Other", false));
  EXPECT_EQ(Reg.CurrentPath(), "Software\\KelmarSoftware\\Dravel\\10.11.12.13:6130");
  Reg.CloseKey();
  EXPECT_EQ(Reg.CurrentPath(), "");
  EXPECT_FALSE(Reg.ValueExists("Interval"));
  ASSERT_TRUE(Reg.OpenKey("Software\\KelmarSoftware\\Dravel\\10.11.12.13:6130", false));
  EXPECT_EQ(Reg.ReadInteger("Interval"), 2000);
}

TEST_F(StoreNames, ValuesOfDifferentKeysAreIndependent) {
  TRegistry Reg(File);
  Reg.OpenKey("\\Software\\KelmarSoftware\\Dravel\\a:1", true);
  Reg.WriteInteger("X", 1);
  Reg.OpenKey("\\Software\\KelmarSoftware\\Dravel\\b:1", true);
  Reg.WriteInteger("X", 2);
  Reg.OpenKey("\\Software\\KelmarSoftware\\Dravel\\a:1", false);
  EXPECT_EQ(Reg.ReadInteger("X"), 1);
}

class StoreDelete : public StoreTest {};

TEST_F(StoreDelete, DeleteKeyTakesSubkeysAndTheirValuesButNotSiblings) {
  TRegistry Reg(File);
  Reg.OpenKey("\\Software\\KelmarSoftware\\Dravel", true);
  Reg.WriteInteger("Version", 74);
  Reg.OpenKey("10.11.12.13:6130", true);
  Reg.WriteInteger("Alpha", 100);
  Reg.OpenKey("\\Software\\KelmarSoftware\\DravelOld", true);
  Reg.WriteInteger("Kept", 1);
  Reg.OpenKey("\\Software\\KelmarSoftware", false);
  Reg.WriteInteger("Parent", 1);
  Reg.CloseKey();

  EXPECT_TRUE(Reg.DeleteKey("software\\kelmarsoftware\\dravel"));
  EXPECT_FALSE(Reg.KeyExists("Software\\KelmarSoftware\\Dravel"));
  EXPECT_FALSE(Reg.KeyExists("Software\\KelmarSoftware\\Dravel\\10.11.12.13:6130"));
  EXPECT_TRUE(Reg.KeyExists("Software\\KelmarSoftware\\DravelOld"));
  EXPECT_EQ(RawQuery("SELECT name FROM vals ORDER BY name"), "Kept\nParent\n");
  EXPECT_FALSE(Reg.DeleteKey("Software\\KelmarSoftware\\Dravel"));

  ASSERT_TRUE(Reg.OpenKey("Software\\KelmarSoftware\\Dravel", true));
  EXPECT_FALSE(Reg.ValueExists("Version"));
}

TEST_F(StoreDelete, KeyNamesWithLikeWildcardsDeleteOnlyThemselves) {
  TRegistry Reg(File);
  Reg.OpenKey("\\A\\x%_", true);
  Reg.OpenKey("\\A\\xyz", true);
  Reg.OpenKey("\\A\\x%_\\child", true);
  EXPECT_TRUE(Reg.DeleteKey("\\A\\x%_"));
  EXPECT_TRUE(Reg.KeyExists("\\A\\xyz"));
  EXPECT_FALSE(Reg.KeyExists("\\A\\x%_\\child"));
}

TEST_F(StoreDelete, WriteAfterAnotherCopyDeletedTheKeyRecreatesIt) {
  TRegistry First(File);
  TRegistry Second(File);
  First.OpenKey("\\Software\\KelmarSoftware\\Dravel", true);
  Second.DeleteKey("\\Software");
  First.WriteInteger("X", 5);
  EXPECT_TRUE(Second.OpenKey("\\Software\\KelmarSoftware\\Dravel", false));
  EXPECT_EQ(Second.ReadInteger("X"), 5);
}

TEST_F(StoreDelete, RootCannotBeDeleted) {
  TRegistry Reg(File);
  Reg.OpenKey("A", true);
  EXPECT_FALSE(Reg.DeleteKey("\\"));
  EXPECT_TRUE(Reg.KeyExists("\\A"));
}

class StoreWrongType : public StoreTest {};

TEST_F(StoreWrongType, ReadingAnotherTypeThrowsInvalidDataType) {
  TRegistry Reg(File);
  Reg.OpenKey("K", true);
  Reg.WriteString("FontSize", "8");
  Reg.WriteInteger("FontName", 1);
  Reg.WriteBinaryData("X", std::vector<std::uint8_t>{1, 0, 0, 0});
  try {
    Reg.ReadInteger("FontSize");
    FAIL() << "no exception";
  } catch (const ERegistryException& Error) {
    EXPECT_STREQ(Error.what(), "Invalid data type for 'FontSize'");
  }
  EXPECT_THROW(Reg.ReadBool("FontSize"), ERegistryException);
  EXPECT_THROW(Reg.ReadString("FontName"), ERegistryException);
  EXPECT_THROW(Reg.ReadBinaryData("FontName"), ERegistryException);
  EXPECT_THROW(Reg.ReadInteger("X"), ERegistryException);
}

TEST_F(StoreWrongType, IntegerOfWrongSizeIsInvalidAndAbsentIntegerFails) {
  { TRegistry Reg(File); }
  sqlite3* Db = nullptr;
  sqlite3_open(File.c_str(), &Db);
  sqlite3_exec(Db, "INSERT INTO vals VALUES('', 'Short', 4, x'0102')", nullptr, nullptr, nullptr);
  sqlite3_close(Db);
  TRegistry Reg(File);
  EXPECT_THROW(Reg.ReadInteger("Short"), ERegistryException);
  EXPECT_THROW(Reg.ReadInteger("Absent"), ERegistryException);
  EXPECT_EQ(Reg.ReadString("Absent"), "");
  EXPECT_TRUE(Reg.ReadBinaryData("Absent").empty());
}

TEST_F(StoreWrongType, OverwritingWithAnotherTypeReplacesTheType) {
  TRegistry Reg(File);
  Reg.WriteInteger("LongestUptime", 3600);
  Reg.WriteBinaryData("LongestUptime", std::vector<std::uint8_t>{0x10, 0x0E, 0, 0, 0, 0, 0, 0});
  EXPECT_THROW(Reg.ReadInteger("LongestUptime"), ERegistryException);
  EXPECT_EQ(Reg.ReadBinaryData("LongestUptime").size(), 8u);
}

class StoreConcurrency : public StoreTest {};

TEST_F(StoreConcurrency, TwoProcessesWritingAtOnceLoseNothing) {
  constexpr int Writes = 150;
  { TRegistry Reg(File); }
  std::vector<pid_t> Children;
  for (int Child = 0; Child < 2; ++Child) {
    const pid_t Pid = fork();
    ASSERT_GE(Pid, 0);
    if (Pid == 0) {
      int Status = 0;
      try {
        TRegistry Reg(File);
        Reg.OpenKey("\\Software\\KelmarSoftware\\Dravel", true);
        for (int i = 0; i < Writes; ++i) {
          Reg.WriteInteger("P" + std::to_string(Child) + "_" + std::to_string(i), i);
          Reg.WriteInteger("Shared", Child);
        }
      } catch (...) {
        Status = 1;
      }
      _exit(Status);
    }
    Children.push_back(Pid);
  }
  for (const pid_t Pid : Children) {
    int Status = 0;
    ASSERT_EQ(waitpid(Pid, &Status, 0), Pid);
    EXPECT_TRUE(WIFEXITED(Status) && WEXITSTATUS(Status) == 0);
  }
  TRegistry Reg(File);
  ASSERT_TRUE(Reg.OpenKey("\\Software\\KelmarSoftware\\Dravel", false));
  for (int Child = 0; Child < 2; ++Child)
    for (int i = 0; i < Writes; ++i)
      ASSERT_EQ(Reg.ReadInteger("P" + std::to_string(Child) + "_" + std::to_string(i)), i);
  EXPECT_EQ(RawQuery("SELECT count(*) FROM vals"), std::to_string(2 * Writes + 1) + "\n");
}

class StoreRecovery : public StoreTest {
 protected:
  void WriteFile(const std::string& Bytes) const {
    fs::create_directories(File.parent_path());
    std::ofstream(File, std::ios::binary) << Bytes;
  }
  std::vector<fs::path> AsideFiles() const {
    std::vector<fs::path> Found;
    for (const auto& Entry : fs::directory_iterator(File.parent_path()))
      if (Entry.path().filename().string().starts_with("registry.db.broken-") &&
          !Entry.path().string().ends_with("-wal") && !Entry.path().string().ends_with("-shm"))
        Found.push_back(Entry.path());
    return Found;
  }
};

TEST_F(StoreRecovery, FreshStoreNeedsNoNotice) {
  TRegistry Reg(File);
  EXPECT_TRUE(Reg.RecoveryNotice().empty());
  EXPECT_TRUE(fs::exists(File));
  EXPECT_EQ(TRegistry(File).RecoveryNotice(), "");
}

TEST_F(StoreRecovery, GarbageFileIsKeptAsideAndAFreshStoreCreated) {
  const std::string Garbage(5000, 'x');
  WriteFile(Garbage);
  {
    TRegistry Reg(File);
    EXPECT_NE(Reg.RecoveryNotice().find("fresh store"), std::string::npos);
    Reg.OpenKey("K", true);
    Reg.WriteInteger("V", 1);
  }
  const auto Aside = AsideFiles();
  ASSERT_EQ(Aside.size(), 1u);
  std::ifstream Kept(Aside.front(), std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(Kept), {}), Garbage);
  TRegistry Again(File);
  EXPECT_TRUE(Again.RecoveryNotice().empty());
  ASSERT_TRUE(Again.OpenKey("K", false));
  EXPECT_EQ(Again.ReadInteger("V"), 1);
}

TEST_F(StoreRecovery, DatabaseOfAnotherLayoutIsKeptAside) {
  fs::create_directories(File.parent_path());
  sqlite3* Db = nullptr;
  sqlite3_open(File.c_str(), &Db);
  sqlite3_exec(Db, "CREATE TABLE keys(name TEXT); CREATE TABLE vals(a, b);", nullptr, nullptr,
               nullptr);
  sqlite3_close(Db);
  TRegistry Reg(File);
  EXPECT_FALSE(Reg.RecoveryNotice().empty());
  EXPECT_EQ(AsideFiles().size(), 1u);
  Reg.WriteString("Name", "ok");
  EXPECT_EQ(Reg.ReadString("Name"), "ok");
}

TEST_F(StoreRecovery, DamagedPagesAreDetected) {
  {
    TRegistry Reg(File);
    Reg.OpenKey("K", true);
    for (int i = 0; i < 200; ++i) Reg.WriteString("V" + std::to_string(i), std::string(200, 'a'));
  }
  // Fold the log into the file, then overwrite everything after the header.
  sqlite3* Db = nullptr;
  sqlite3_open(File.c_str(), &Db);
  sqlite3_exec(Db, "PRAGMA wal_checkpoint(TRUNCATE); PRAGMA journal_mode=DELETE;", nullptr, nullptr,
               nullptr);
  sqlite3_close(Db);
  const auto Size = fs::file_size(File);
  ASSERT_GT(Size, 8192u);
  {
    std::fstream Out(File, std::ios::in | std::ios::out | std::ios::binary);
    Out.seekp(4096);
    const std::string Noise(static_cast<std::size_t>(Size) - 4096, '\x5A');
    Out.write(Noise.data(), static_cast<std::streamsize>(Noise.size()));
  }
  TRegistry Reg(File);
  EXPECT_FALSE(Reg.RecoveryNotice().empty());
  EXPECT_EQ(AsideFiles().size(), 1u);
  EXPECT_FALSE(Reg.KeyExists("K"));
}

TEST_F(StoreRecovery, UnusablePlaceStillGivesAWorkingStoreForTheRun) {
  // A plain file where the store's folder should be.
  std::ofstream(Dir / "blocker") << "x";
  const fs::path Impossible = Dir / "blocker" / "registry.db";
  TRegistry Reg(Impossible);
  EXPECT_NE(Reg.RecoveryNotice().find("not be kept"), std::string::npos) << Reg.RecoveryNotice();
  Reg.OpenKey("K", true);
  Reg.WriteInteger("V", 3);
  EXPECT_EQ(Reg.ReadInteger("V"), 3);
  EXPECT_TRUE(fs::is_regular_file(Dir / "blocker"));
}

TEST(StorePath, FollowsXdgConfigHomeElseHome) {
  const char* OldXdg = std::getenv("XDG_CONFIG_HOME");
  const std::string SavedXdg = OldXdg ? OldXdg : "";
  setenv("XDG_CONFIG_HOME", "/x/conf", 1);
  EXPECT_EQ(TRegistry::DefaultStorePath(), fs::path("/x/conf/dravel/registry.db"));
  setenv("XDG_CONFIG_HOME", "relative", 1);
  const char* Home = std::getenv("HOME");
  if (Home) {
    EXPECT_EQ(TRegistry::DefaultStorePath(), fs::path(Home) / ".config/dravel/registry.db");
  }
  if (OldXdg)
    setenv("XDG_CONFIG_HOME", SavedXdg.c_str(), 1);
  else
    unsetenv("XDG_CONFIG_HOME");
}

}  // namespace
}  // namespace dravel
