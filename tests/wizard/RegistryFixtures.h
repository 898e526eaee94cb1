// Registry state of the product for the wizard's tests: the keys an
// installation writes, removed before and after each test, and machine values
// that tests change saved and put back exactly (type and bytes).
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "ProductKeys.h"
#include "WineTestEnv.h"
#include "system/Registry.h"
#include "wizard/Defaults.h"

namespace wizardtest {

// Puts one registry value back as it was (or removes it when it was absent).
class ScopedRegistryValue {
 public:
  ScopedRegistryValue(HKEY root, std::string key, std::string name);
  ~ScopedRegistryValue();
  ScopedRegistryValue(const ScopedRegistryValue&) = delete;
  ScopedRegistryValue& operator=(const ScopedRegistryValue&) = delete;

 private:
  HKEY root_;
  std::string key_;
  std::string name_;
  bool existed_ = false;
  DWORD type_ = 0;
  std::vector<BYTE> data_;
};

// The keys an installation of the product leaves behind, absent while the
// object lives; ProgramFilesDir of the machine returns to its value afterwards.
class CleanProductRegistry {
 public:
  CleanProductRegistry();

 private:
  ScopedRegistryValue program_files_{HKEY_LOCAL_MACHINE, kestra::kCurrentVersionKey,
                                     kestra::kProgramFilesValue};
  testenv::ScopedRegistryCleanup product_{HKEY_LOCAL_MACHINE, "SOFTWARE\\ZEL\\ケストラDVD"};
  testenv::ScopedRegistryCleanup app_paths_{HKEY_LOCAL_MACHINE, productkeys::kViewerAppPathsKey};
  testenv::ScopedRegistryCleanup user_{HKEY_CURRENT_USER, "SOFTWARE\\ZEL\\ケストラDVD"};
};

// Writes a text value, creating the key; fails the test when it cannot.
void SetString(HKEY root, const std::string& key, const std::string& name,
               const std::string& value);
void SetDword(HKEY root, const std::string& key, const std::string& name, DWORD value);

}  // namespace wizardtest
