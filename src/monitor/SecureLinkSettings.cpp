#include "monitor/SecureLinkSettings.h"

#include <algorithm>
#include <exception>

#include "platform/SettingsStore.h"

namespace dravel {

namespace {

constexpr const char* SaltValue = "LinkSalt";
constexpr const char* SecureOnlyValue = "LinkSecureOnly";

std::optional<TSecureSalt> StoredSalt(TRegistry& Store) {
  try {
    if (!Store.ValueExists(SaltValue)) return std::nullopt;
    const std::vector<std::uint8_t> Bytes = Store.ReadBinaryData(SaltValue);
    if (Bytes.size() != SecureSaltSize) return std::nullopt;
    TSecureSalt Salt{};
    std::copy(Bytes.begin(), Bytes.end(), Salt.begin());
    return Salt;
  } catch (const std::exception&) {
    return std::nullopt;  // of another type
  }
}

}  // namespace

TSecureLinkSettings ResolveSecureLinkSettings(TRegistry& Store, std::optional<bool> SecureOnly) {
  TSecureLinkSettings Settings;  // a fresh salt
  if (const auto Salt = StoredSalt(Store)) {
    Settings.Salt = *Salt;
  } else {
    try {
      Store.DeleteValue(SaltValue);
      Store.WriteBinaryData(SaltValue, Settings.Salt);
    } catch (const std::exception&) {
    }
  }
  if (SecureOnly) {
    Settings.SecureOnly = *SecureOnly;
  } else {
    try {
      Settings.SecureOnly = Store.ValueExists(SecureOnlyValue) && Store.ReadBool(SecureOnlyValue);
    } catch (const std::exception&) {
      // A value of another type counts as not stored.
    }
  }
  return Settings;
}

}  // namespace dravel
