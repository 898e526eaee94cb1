// Reading registry values back exactly as stored (type and bytes), and the
// keys an installation writes.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "WineTestEnv.h"

namespace records_test {

// Written out here, not taken from SETUP's sources, so that a wrong key in
// SETUP shows.
inline constexpr char kProductKey[] = "SOFTWARE\\ZEL\\ケストラDVD";
inline constexpr char kAppPathsKey[] =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\KESTRA.EXE";
inline constexpr char kUninstallKey[] =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\ケストラDVD";

struct StoredValue {
  bool present = false;
  DWORD type = REG_NONE;
  std::string text;   // REG_SZ, without its terminating NUL
  DWORD number = 0;   // REG_DWORD
};

inline StoredValue ValueAt(HKEY root, const std::string& key, const std::string& name) {
  StoredValue value;
  HKEY opened = nullptr;
  if (::RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS) return value;
  DWORD size = 0;
  if (::RegQueryValueExA(opened, name.c_str(), nullptr, &value.type, nullptr, &size) ==
      ERROR_SUCCESS) {
    std::vector<BYTE> data(size + 1, 0);
    if (::RegQueryValueExA(opened, name.c_str(), nullptr, &value.type, data.data(), &size) ==
        ERROR_SUCCESS) {
      value.present = true;
      if (value.type == REG_DWORD && size == sizeof(DWORD))
        value.number = *reinterpret_cast<const DWORD*>(data.data());
      else
        value.text = std::string(reinterpret_cast<const char*>(data.data()));
    }
  }
  ::RegCloseKey(opened);
  return value;
}

inline bool KeyExists(HKEY root, const std::string& key) {
  HKEY opened = nullptr;
  if (::RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS) return false;
  ::RegCloseKey(opened);
  return true;
}

}  // namespace records_test
