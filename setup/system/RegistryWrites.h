// The registry values SETUP writes and the keys it removes, as data, and the
// one writer of them: each value is logged as it is written and, in a run that
// only plans, planned instead (system/Changes.h).
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace kestra {

struct RegistryValue {
  HKEY root = nullptr;
  std::string key;
  std::string name;  // "" is the key's default value
  DWORD type = REG_SZ;  // REG_SZ, REG_EXPAND_SZ or REG_DWORD
  std::string text;  // REG_SZ, REG_EXPAND_SZ; for REG_DWORD what the log shows, if not the number
  DWORD number = 0;  // REG_DWORD
  // KEY_WOW64_64KEY for a value 64-bit Windows must find in its own view
  // (this 32-bit program writes the 32-bit view otherwise); 0 for the default.
  REGSAM view = 0;
  bool operator==(const RegistryValue&) const = default;
};

RegistryValue TextValue(HKEY root, const std::string& key, const std::string& name,
                        const std::string& text);
RegistryValue NumberValue(HKEY root, const std::string& key, const std::string& name,
                          DWORD number);

// Writes the values, opening (creating) each key with full access. On the first
// key that cannot be opened or value that cannot be written it stops and
// answers that key's full name ("HKEY_LOCAL_MACHINE\SOFTWARE\..."); nothing
// when everything was written.
std::optional<std::string> WriteRegistryValues(const std::vector<RegistryValue>& values);

// Deletes the key with its subkeys (in the given view). A key that is not
// there counts as deleted. False when it is still there afterwards.
bool RemoveRegistryKey(HKEY root, const std::string& path, REGSAM view = 0);

// "HKEY_LOCAL_MACHINE" or "HKEY_CURRENT_USER" followed by "\" and the path.
std::string FullKeyName(HKEY root, const std::string& path);

}  // namespace kestra
