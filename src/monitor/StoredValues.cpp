#include "monitor/StoredValues.h"

#include <exception>

#include "platform/SettingsStore.h"

namespace dravel {

std::string StoredText(TRegistry& Store, const char* Name) {
  try {
    if (Store.ValueExists(Name)) return Store.ReadString(Name);
  } catch (const std::exception&) {
  }
  return {};
}

bool StoredBool(TRegistry& Store, const char* Name) {
  try {
    if (Store.ValueExists(Name)) return Store.ReadBool(Name);
  } catch (const std::exception&) {
  }
  return false;
}

}  // namespace dravel
