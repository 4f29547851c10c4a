#pragma once
// The user's settings hive: keys named by backslash paths holding typed values,
// kept in one SQLite file per user. Modelled on the registry object of the
// desktop panel's settings code: open a key, read and write values there.
//
// Texts (key paths, value names, string values, messages) are CP1252 bytes;
// the file holds them as UTF-8. Key paths and value names match without regard
// to ASCII letter case. Every write is committed at once in its own
// transaction, so several running copies never lose each other's writes.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace dravel {

// Raised by a read of a value stored with another type ("Invalid data type for
// '<name>'") and by a read or write the store cannot carry out.
class ERegistryException : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Value types, numbered as in the registry.
class TSettingsDatabase;

enum class TRegDataType : int { rdString = 1, rdBinary = 3, rdInteger = 4 };

class TRegistry {
 public:
  // Opens the user's store at DefaultStorePath().
  TRegistry();
  // Opens (creating if needed) the store in the given file. A file that
  // cannot be opened or is not a valid store is renamed aside and a fresh
  // store created; RecoveryNotice() then tells what happened.
  explicit TRegistry(const std::filesystem::path& StoreFile);
  ~TRegistry();
  TRegistry(const TRegistry&) = delete;
  TRegistry& operator=(const TRegistry&) = delete;

  // ${XDG_CONFIG_HOME:-$HOME/.config}/dravel/registry.db
  static std::filesystem::path DefaultStorePath();

  // The text to show the user once when the store had to be replaced or
  // could not be opened at all (then changes live only for this run);
  // empty when the store opened normally.
  const std::string& RecoveryNotice() const;

  // Key paths are absolute when they begin with "\", else relative to the
  // open key (or to the root when none is open). Returns false when the key
  // does not exist and CanCreate is false; creating a key creates its parents.
  bool OpenKey(const std::string& Key, bool CanCreate);
  // Back to the root; values are then read and written at the root.
  void CloseKey();
  // The open key's path without a leading "\", empty when none is open.
  const std::string& CurrentPath() const;
  bool KeyExists(const std::string& Key);
  // Deletes the key with all its subkeys and their values; false when the
  // key did not exist.
  bool DeleteKey(const std::string& Key);

  // Values of the open key.
  bool ValueExists(const std::string& Name);
  // Size of the value as a read returns it (string bytes without a
  // terminator, 4 for an integer), -1 when the value is absent.
  int GetDataSize(const std::string& Name);
  bool DeleteValue(const std::string& Name);

  // Reading an absent integer or boolean raises ERegistryException; an
  // absent string or binary value reads as empty.
  std::int32_t ReadInteger(const std::string& Name);
  void WriteInteger(const std::string& Name, std::int32_t Value);
  bool ReadBool(const std::string& Name);
  void WriteBool(const std::string& Name, bool Value);
  std::string ReadString(const std::string& Name);
  void WriteString(const std::string& Name, const std::string& Value);
  std::vector<std::uint8_t> ReadBinaryData(const std::string& Name);
  void WriteBinaryData(const std::string& Name, std::span<const std::uint8_t> Data);

 private:
  std::string ResolveKey(const std::string& Key) const;
  // The stored bytes of a value of the given type; nullopt when absent.
  std::optional<std::string> ReadTyped(const std::string& Name, TRegDataType Type);
  void WriteTyped(const std::string& Name, TRegDataType Type, std::string_view Data);

  std::unique_ptr<TSettingsDatabase> FDatabase;
  std::string FCurrentPath;
  std::string FRecoveryNotice;
};

}  // namespace dravel
