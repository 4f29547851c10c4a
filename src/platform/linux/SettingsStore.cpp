// The settings hive in SQLite. The file layout is fixed (tools and tests seed
// it directly):
//   keys(path)                  one row per key, backslash paths, no leading "\"
//   vals(path, name, type, data) type 1 text as UTF-8, 3 bytes, 4 integer as
//                               4 bytes little-endian
// Both name columns compare with NOCASE, which folds the ASCII letters only.
#include "platform/SettingsStore.h"

#include "platform/CodePage.h"

#include <fcntl.h>
#include <pwd.h>
#include <sqlite3.h>
#include <sys/file.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <limits>
#include <thread>

namespace dravel {
namespace {

constexpr int BusyTimeoutMs = 5000;

constexpr const char* SchemaSql =
    "CREATE TABLE keys(path TEXT PRIMARY KEY COLLATE NOCASE);"
    "CREATE TABLE vals(path TEXT NOT NULL COLLATE NOCASE, name TEXT NOT NULL COLLATE NOCASE,"
    " type INTEGER NOT NULL, data BLOB NOT NULL, PRIMARY KEY(path, name));";

// An SQLite failure inside this file; turned into ERegistryException (or a
// store recovery) before it leaves it.
class TSqliteError : public std::runtime_error {
 public:
  TSqliteError(int ResultCode, const std::string& Text)
      : std::runtime_error(Text), Code(ResultCode) {}
  int Code;
};

// The file is a database but not a settings store.
class TNotAStore : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

std::string Quoted(const char* Message, const std::string& Name) {
  return std::string(Message) + " '" + Name + "'";
}

class TStatement {
 public:
  TStatement(sqlite3* Db, const char* Sql) : FDb(Db) {
    const int Rc = sqlite3_prepare_v2(Db, Sql, -1, &FStmt, nullptr);
    if (Rc != SQLITE_OK) throw TSqliteError(Rc, sqlite3_errmsg(Db));
  }
  ~TStatement() { sqlite3_finalize(FStmt); }
  TStatement(const TStatement&) = delete;
  TStatement& operator=(const TStatement&) = delete;

  TStatement& BindText(int Index, std::string_view Text) {
    return Check(sqlite3_bind_text(FStmt, Index, NonNull(Text), SizeOf(Text), SQLITE_TRANSIENT));
  }
  TStatement& BindBlob(int Index, std::string_view Data) {
    return Check(sqlite3_bind_blob(FStmt, Index, NonNull(Data), SizeOf(Data), SQLITE_TRANSIENT));
  }
  TStatement& BindInt(int Index, int Value) { return Check(sqlite3_bind_int(FStmt, Index, Value)); }

  // True while a row is available.
  bool Step() {
    const int Rc = sqlite3_step(FStmt);
    if (Rc == SQLITE_ROW) return true;
    if (Rc == SQLITE_DONE) return false;
    throw TSqliteError(Rc, sqlite3_errmsg(FDb));
  }
  int ColumnInt(int Column) const { return sqlite3_column_int(FStmt, Column); }
  std::string ColumnBytes(int Column) const {
    const auto* Data = static_cast<const char*>(sqlite3_column_blob(FStmt, Column));
    const int Size = sqlite3_column_bytes(FStmt, Column);
    return Data ? std::string(Data, static_cast<std::size_t>(Size)) : std::string();
  }

 private:
  // SQLite binds a null pointer as NULL, but empty data must stay data.
  static const char* NonNull(std::string_view Bytes) { return Bytes.data() ? Bytes.data() : ""; }
  static int SizeOf(std::string_view Bytes) {
    if (Bytes.size() > static_cast<std::size_t>(std::numeric_limits<int>::max()))
      throw TSqliteError(SQLITE_TOOBIG, "value too large");
    return static_cast<int>(Bytes.size());
  }
  TStatement& Check(int Rc) {
    if (Rc != SQLITE_OK) throw TSqliteError(Rc, sqlite3_errmsg(FDb));
    return *this;
  }

  sqlite3* FDb;
  sqlite3_stmt* FStmt = nullptr;
};

// Serialises opening and recovering the store between processes, so that two
// copies starting at once never move aside a store the other has just made.
// The lock sits on the store's folder, which leaves no file behind.
class TOpenLock {
 public:
  explicit TOpenLock(const std::filesystem::path& Folder)
      : FFd(::open(Folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
    // Bounded: a holder that hangs must not keep the panel from starting.
    constexpr int Attempts = 100;
    for (int i = 0; FFd >= 0 && i < Attempts; ++i) {
      if (::flock(FFd, LOCK_EX | LOCK_NB) == 0) return;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
  }
  ~TOpenLock() {
    if (FFd >= 0) ::close(FFd);
  }
  TOpenLock(const TOpenLock&) = delete;
  TOpenLock& operator=(const TOpenLock&) = delete;

 private:
  int FFd;
};

std::vector<std::string> ColumnNames(sqlite3* Db, const char* TableInfoSql) {
  std::vector<std::string> Names;
  TStatement Info(Db, TableInfoSql);
  while (Info.Step()) Names.push_back(Info.ColumnBytes(1));
  return Names;
}

// The key itself and every parent, outermost first: "a\b\c" gives "a", "a\b", "a\b\c".
std::vector<std::string> KeyAndParents(const std::string& Path) {
  std::vector<std::string> Keys;
  for (std::size_t Pos = Path.find('\\'); Pos != std::string::npos; Pos = Path.find('\\', Pos + 1))
    Keys.push_back(Path.substr(0, Pos));
  if (!Path.empty()) Keys.push_back(Path);
  return Keys;
}

// Makes the key and every parent exist; runs inside the caller's transaction.
void CreateKeyAndParents(sqlite3* Db, const std::string& Path) {
  for (const std::string& Each : KeyAndParents(Path))
    TStatement(Db, "INSERT OR IGNORE INTO keys(path) VALUES(?1)")
        .BindText(1, Cp1252ToUtf8(Each))
        .Step();
}

std::string IntegerBytes(std::int32_t Value) {
  const auto Bits = static_cast<std::uint32_t>(Value);
  return {static_cast<char>(Bits & 0xFF), static_cast<char>((Bits >> 8) & 0xFF),
          static_cast<char>((Bits >> 16) & 0xFF), static_cast<char>((Bits >> 24) & 0xFF)};
}

std::int32_t IntegerOf(const std::string& Bytes) {
  std::uint32_t Bits = 0;
  for (int i = 3; i >= 0; --i)
    Bits = (Bits << 8) | static_cast<unsigned char>(Bytes[static_cast<std::size_t>(i)]);
  return static_cast<std::int32_t>(Bits);
}

std::string ShownPath(const std::filesystem::path& File) { return Utf8ToCp1252(File.string()); }

// A name beside the store that no file has yet: registry.db.broken-<UTC time>[-n].
std::filesystem::path AsideName(const std::filesystem::path& File) {
  const std::time_t Now = std::time(nullptr);
  std::tm Utc{};
  gmtime_r(&Now, &Utc);
  char Stamp[32];
  std::strftime(Stamp, sizeof Stamp, "%Y%m%dT%H%M%SZ", &Utc);
  const std::string Base = File.string() + ".broken-" + Stamp;
  std::filesystem::path Candidate = Base;
  for (int n = 2; std::filesystem::exists(Candidate) && n < 1000; ++n)
    Candidate = Base + "-" + std::to_string(n);
  return Candidate;
}

// Renames the store and its journal files aside; returns the new store name,
// or an empty path when the store could not be renamed.
std::filesystem::path MoveAside(const std::filesystem::path& File) {
  const std::filesystem::path Aside = AsideName(File);
  std::error_code Error;
  std::filesystem::rename(File, Aside, Error);
  if (Error) return {};
  // A stale write-ahead log must never be replayed into the fresh store.
  for (const char* Suffix : {"-wal", "-shm"}) {
    const std::filesystem::path Journal = File.string() + Suffix;
    std::error_code Ignored;
    if (std::filesystem::exists(Journal, Ignored))
      std::filesystem::rename(Journal, Aside.string() + Suffix, Ignored);
  }
  return Aside;
}

}  // namespace

// The one connection of a TRegistry.
class TSettingsDatabase {
 public:
  explicit TSettingsDatabase(const std::string& File) {
    const int Rc =
        sqlite3_open_v2(File.c_str(), &FDb, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    if (Rc != SQLITE_OK) {
      const std::string Text = FDb ? sqlite3_errmsg(FDb) : sqlite3_errstr(Rc);
      sqlite3_close_v2(FDb);
      throw TSqliteError(Rc, Text);
    }
    sqlite3_busy_timeout(FDb, BusyTimeoutMs);
  }
  ~TSettingsDatabase() { sqlite3_close_v2(FDb); }
  TSettingsDatabase(const TSettingsDatabase&) = delete;
  TSettingsDatabase& operator=(const TSettingsDatabase&) = delete;

  sqlite3* Handle() const { return FDb; }

  void Exec(const char* Sql) {
    const int Rc = sqlite3_exec(FDb, Sql, nullptr, nullptr, nullptr);
    if (Rc != SQLITE_OK) throw TSqliteError(Rc, sqlite3_errmsg(FDb));
  }

  // Runs Body as one committed write transaction, rolled back on failure.
  template <class TBody>
  void Transaction(TBody&& Body) {
    Exec("BEGIN IMMEDIATE");
    try {
      Body();
      Exec("COMMIT");
    } catch (...) {
      sqlite3_exec(FDb, "ROLLBACK", nullptr, nullptr, nullptr);
      throw;
    }
  }

  // Creates the tables in an empty database; rejects one that holds other
  // tables or these tables with other columns.
  void CheckSchema() {
    bool HasKeys = false;
    bool HasVals = false;
    bool HasOthers = false;
    {
      TStatement Tables(FDb, "SELECT name FROM sqlite_master WHERE type = 'table'");
      while (Tables.Step()) {
        const std::string Name = Tables.ColumnBytes(0);
        HasKeys |= Name == "keys";
        HasVals |= Name == "vals";
        HasOthers |= Name != "keys" && Name != "vals";
      }
    }
    if (!HasKeys && !HasVals) {
      if (HasOthers) throw TNotAStore("the file holds other data");
      Transaction([&] { Exec(SchemaSql); });
      return;
    }
    const std::vector<std::string> KeysColumns{"path"};
    const std::vector<std::string> ValsColumns{"path", "name", "type", "data"};
    if (!HasKeys || !HasVals || ColumnNames(FDb, "PRAGMA table_info(keys)") != KeysColumns ||
        ColumnNames(FDb, "PRAGMA table_info(vals)") != ValsColumns)
      throw TNotAStore("the file has another layout");
  }

  void CheckIntegrity() {
    TStatement Check(FDb, "PRAGMA quick_check");
    if (!Check.Step() || Check.ColumnBytes(0) != "ok")
      throw TSqliteError(SQLITE_CORRUPT, "the file is damaged");
  }

 private:
  sqlite3* FDb = nullptr;
};

namespace {

std::unique_ptr<TSettingsDatabase> OpenStoreFile(const std::filesystem::path& File) {
  auto Db = std::make_unique<TSettingsDatabase>(File.string());
  Db->Exec("PRAGMA journal_mode=WAL");
  Db->CheckIntegrity();
  Db->CheckSchema();
  return Db;
}

bool IsDamage(int Code) {
  const int Primary = Code & 0xFF;
  return Primary == SQLITE_NOTADB || Primary == SQLITE_CORRUPT || Primary == SQLITE_CANTOPEN;
}

}  // namespace

TRegistry::TRegistry() : TRegistry(DefaultStorePath()) {}

TRegistry::TRegistry(const std::filesystem::path& StoreFile) {
  std::error_code Ignored;
  std::filesystem::create_directories(StoreFile.parent_path(), Ignored);
  const TOpenLock Lock(StoreFile.parent_path().empty() ? "." : StoreFile.parent_path());

  std::string Reason;
  bool Damaged = false;
  try {
    FDatabase = OpenStoreFile(StoreFile);
    return;
  } catch (const TSqliteError& Error) {
    Reason = Error.what();
    Damaged = IsDamage(Error.Code) && std::filesystem::exists(StoreFile, Ignored);
  } catch (const TNotAStore& Error) {
    Reason = Error.what();
    Damaged = true;
  }

  const std::filesystem::path Aside = Damaged ? MoveAside(StoreFile) : std::filesystem::path();
  if (!Aside.empty()) {
    try {
      FDatabase = OpenStoreFile(StoreFile);
      FRecoveryNotice =
          "The settings store " + ShownPath(StoreFile) + " could not be used (" +
          Utf8ToCp1252(Reason) + "). It was kept as " + ShownPath(Aside) +
          " and a fresh store was created, so the settings start from their defaults.";
      return;
    } catch (const std::runtime_error& Error) {
      Reason = Error.what();
    }
  }

  // Last resort: the panel still starts, with settings that live for this run.
  try {
    FDatabase = std::make_unique<TSettingsDatabase>(":memory:");
    FDatabase->CheckSchema();
  } catch (const TSqliteError& Error) {
    throw ERegistryException(Error.what());
  }
  FRecoveryNotice = "The settings store " + ShownPath(StoreFile) + " could not be opened (" +
                    Utf8ToCp1252(Reason) + "). Settings changed now will not be kept after exit.";
}

TRegistry::~TRegistry() = default;

std::filesystem::path TRegistry::DefaultStorePath() {
  std::filesystem::path Config;
  const char* XdgConfig = std::getenv("XDG_CONFIG_HOME");
  // The base-directory rules ignore a relative XDG_CONFIG_HOME.
  if (XdgConfig && XdgConfig[0] == '/') {
    Config = XdgConfig;
  } else {
    const char* Home = std::getenv("HOME");
    if (!Home || !*Home) {
      const passwd* User = getpwuid(getuid());
      Home = User && User->pw_dir ? User->pw_dir : "/tmp";
    }
    Config = std::filesystem::path(Home) / ".config";
  }
  return Config / "dravel" / "registry.db";
}

const std::string& TRegistry::RecoveryNotice() const { return FRecoveryNotice; }

std::string TRegistry::ResolveKey(const std::string& Key) const {
  const bool Absolute = !Key.empty() && Key.front() == '\\';
  std::string Path = Absolute ? std::string() : FCurrentPath;
  std::size_t Start = 0;
  while (Start <= Key.size()) {
    const std::size_t End = std::min(Key.find('\\', Start), Key.size());
    if (End > Start) Path += (Path.empty() ? "" : "\\") + Key.substr(Start, End - Start);
    Start = End + 1;
  }
  return Path;
}

bool TRegistry::OpenKey(const std::string& Key, bool CanCreate) {
  const std::string Path = ResolveKey(Key);
  try {
    if (CanCreate) {
      FDatabase->Transaction([&] { CreateKeyAndParents(FDatabase->Handle(), Path); });
    } else if (!KeyExists("\\" + Path)) {
      return false;
    }
  } catch (const TSqliteError&) {
    throw ERegistryException(Quoted("Failed to open key", Key));
  }
  FCurrentPath = Path;
  return true;
}

void TRegistry::CloseKey() { FCurrentPath.clear(); }

const std::string& TRegistry::CurrentPath() const { return FCurrentPath; }

bool TRegistry::KeyExists(const std::string& Key) {
  const std::string Path = ResolveKey(Key);
  if (Path.empty()) return true;
  try {
    return TStatement(FDatabase->Handle(), "SELECT 1 FROM keys WHERE path = ?1")
        .BindText(1, Cp1252ToUtf8(Path))
        .Step();
  } catch (const TSqliteError&) {
    throw ERegistryException(Quoted("Failed to get information for key", Key));
  }
}

bool TRegistry::DeleteKey(const std::string& Key) {
  const std::string Path = ResolveKey(Key);
  if (Path.empty()) return false;
  // The key itself and everything below it; the prefix test keeps "a\bc"
  // when "a\b" goes.
  static constexpr const char* Below =
      " WHERE path = ?1 OR substr(path, 1, length(?1) + 1) = (?1 || '\\') COLLATE NOCASE";
  int Deleted = 0;
  try {
    FDatabase->Transaction([&] {
      const std::string Utf8 = Cp1252ToUtf8(Path);
      TStatement(FDatabase->Handle(), (std::string("DELETE FROM vals") + Below).c_str())
          .BindText(1, Utf8)
          .Step();
      TStatement(FDatabase->Handle(), (std::string("DELETE FROM keys") + Below).c_str())
          .BindText(1, Utf8)
          .Step();
      Deleted = sqlite3_changes(FDatabase->Handle());
    });
  } catch (const TSqliteError&) {
    throw ERegistryException(Quoted("Failed to delete key", Key));
  }
  return Deleted > 0;
}

bool TRegistry::ValueExists(const std::string& Name) { return GetDataSize(Name) >= 0; }

int TRegistry::GetDataSize(const std::string& Name) {
  try {
    TStatement Query(FDatabase->Handle(),
                     "SELECT type, data FROM vals WHERE path = ?1 AND name = ?2");
    Query.BindText(1, Cp1252ToUtf8(FCurrentPath)).BindText(2, Cp1252ToUtf8(Name));
    if (!Query.Step()) return -1;
    const std::string Data = Query.ColumnBytes(1);
    const bool IsString = Query.ColumnInt(0) == static_cast<int>(TRegDataType::rdString);
    return static_cast<int>(IsString ? Utf8ToCp1252(Data).size() : Data.size());
  } catch (const TSqliteError&) {
    throw ERegistryException(Quoted("Failed to get data for", Name));
  }
}

bool TRegistry::DeleteValue(const std::string& Name) {
  try {
    TStatement(FDatabase->Handle(), "DELETE FROM vals WHERE path = ?1 AND name = ?2")
        .BindText(1, Cp1252ToUtf8(FCurrentPath))
        .BindText(2, Cp1252ToUtf8(Name))
        .Step();
    return sqlite3_changes(FDatabase->Handle()) > 0;
  } catch (const TSqliteError&) {
    throw ERegistryException(Quoted("Failed to delete value", Name));
  }
}

std::optional<std::string> TRegistry::ReadTyped(const std::string& Name, TRegDataType Type) {
  std::optional<std::string> Data;
  int StoredType = 0;
  try {
    TStatement Query(FDatabase->Handle(),
                     "SELECT type, data FROM vals WHERE path = ?1 AND name = ?2");
    Query.BindText(1, Cp1252ToUtf8(FCurrentPath)).BindText(2, Cp1252ToUtf8(Name));
    if (!Query.Step()) return std::nullopt;
    StoredType = Query.ColumnInt(0);
    Data = Query.ColumnBytes(1);
  } catch (const TSqliteError&) {
    throw ERegistryException(Quoted("Failed to get data for", Name));
  }
  const bool SizeFits = Type != TRegDataType::rdInteger || Data->size() == 4;
  if (StoredType != static_cast<int>(Type) || !SizeFits)
    throw ERegistryException(Quoted("Invalid data type for", Name));
  return Data;
}

void TRegistry::WriteTyped(const std::string& Name, TRegDataType Type, std::string_view Data) {
  try {
    FDatabase->Transaction([&] {
      // A key deleted by another copy since it was opened comes back
      // rather than swallowing the write.
      CreateKeyAndParents(FDatabase->Handle(), FCurrentPath);
      TStatement(
          FDatabase->Handle(),
          "INSERT INTO vals(path, name, type, data) VALUES(?1, ?2, ?3, ?4)"
          " ON CONFLICT(path, name) DO UPDATE SET type = excluded.type, data = excluded.data")
          .BindText(1, Cp1252ToUtf8(FCurrentPath))
          .BindText(2, Cp1252ToUtf8(Name))
          .BindInt(3, static_cast<int>(Type))
          .BindBlob(4, Data)
          .Step();
    });
  } catch (const TSqliteError&) {
    throw ERegistryException(Quoted("Failed to set data for", Name));
  }
}

std::int32_t TRegistry::ReadInteger(const std::string& Name) {
  const std::optional<std::string> Data = ReadTyped(Name, TRegDataType::rdInteger);
  if (!Data) throw ERegistryException(Quoted("Failed to get data for", Name));
  return IntegerOf(*Data);
}

void TRegistry::WriteInteger(const std::string& Name, std::int32_t Value) {
  WriteTyped(Name, TRegDataType::rdInteger, IntegerBytes(Value));
}

bool TRegistry::ReadBool(const std::string& Name) { return ReadInteger(Name) != 0; }

void TRegistry::WriteBool(const std::string& Name, bool Value) {
  WriteInteger(Name, Value ? 1 : 0);
}

std::string TRegistry::ReadString(const std::string& Name) {
  return Utf8ToCp1252(ReadTyped(Name, TRegDataType::rdString).value_or(std::string()));
}

void TRegistry::WriteString(const std::string& Name, const std::string& Value) {
  WriteTyped(Name, TRegDataType::rdString, Cp1252ToUtf8(Value));
}

std::vector<std::uint8_t> TRegistry::ReadBinaryData(const std::string& Name) {
  const std::string Data = ReadTyped(Name, TRegDataType::rdBinary).value_or(std::string());
  return {Data.begin(), Data.end()};
}

void TRegistry::WriteBinaryData(const std::string& Name, std::span<const std::uint8_t> Data) {
  WriteTyped(Name, TRegDataType::rdBinary,
             std::string_view(reinterpret_cast<const char*>(Data.data()), Data.size()));
}

}  // namespace dravel
