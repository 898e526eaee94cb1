// Registry helpers of the wizard's tests: machine values that a test changes,
// saved and put back exactly (type and bytes), and value writers that fail
// the test when they cannot write.
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

// Writes a text value, creating the key; fails the test when it cannot.
void SetString(HKEY root, const std::string& key, const std::string& name,
               const std::string& value);
void SetDword(HKEY root, const std::string& key, const std::string& name, DWORD value);

}  // namespace wizardtest
