#pragma once
// A settings store of its own in a temporary folder, its main key open, for the tests of
// what both roles read from it.

#include <gtest/gtest.h>

#include <string>

#include "monitor/ProgramSettings.h"
#include "platform/SettingsStore.h"
#include "platform/TempFolder.h"

namespace dravel::testing {

class TStoreFixture : public ::testing::Test {
 protected:
  TStoreFixture() { Store.OpenKey(MainSettingsKey, true); }

  // The message of the TError that Resolve throws; empty when it throws none.
  template <typename TError, typename TResolve>
  static std::string ErrorOf(TResolve&& Resolve) {
    try {
      Resolve();
    } catch (const TError& Error) {
      return Error.what();
    }
    return {};
  }

  TTempFolder Folder;
  TRegistry Store{(Folder.Path() / "store.db").string()};
};

}  // namespace dravel::testing
