#include "system/Registry.h"

#include <algorithm>
#include <vector>

namespace kestra {

RegKey RegKey::Open(HKEY root, const std::string& path, REGSAM access) {
  HKEY key = nullptr;
  if (::RegOpenKeyExA(root, path.c_str(), 0, access, &key) != ERROR_SUCCESS) return RegKey();
  return RegKey(key);
}

RegKey RegKey::Create(HKEY root, const std::string& path, REGSAM access) {
  HKEY key = nullptr;
  if (::RegCreateKeyExA(root, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr,
                        &key, nullptr) != ERROR_SUCCESS)
    return RegKey();
  return RegKey(key);
}

void RegKey::Close() {
  if (key_) ::RegCloseKey(key_);
  key_ = nullptr;
}

std::optional<std::string> RegKey::ReadString(const std::string& name) const {
  if (!key_) return std::nullopt;
  DWORD type = 0, size = 0;
  if (::RegQueryValueExA(key_, name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
    return std::nullopt;
  if (type != REG_SZ && type != REG_EXPAND_SZ) return std::nullopt;
  std::vector<char> data(size + 1, '\0');
  DWORD got = size;
  if (::RegQueryValueExA(key_, name.c_str(), nullptr, &type,
                         reinterpret_cast<BYTE*>(data.data()), &got) != ERROR_SUCCESS)
    return std::nullopt;
  // The stored text may or may not carry its terminating NUL.
  std::string text(data.data(), std::min<std::size_t>(got, data.size()));
  if (auto nul = text.find('\0'); nul != std::string::npos) text.resize(nul);
  return text;
}

std::optional<DWORD> RegKey::ReadDword(const std::string& name) const {
  if (!key_) return std::nullopt;
  DWORD type = 0, value = 0, size = sizeof value;
  if (::RegQueryValueExA(key_, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&value),
                         &size) != ERROR_SUCCESS ||
      type != REG_DWORD)
    return std::nullopt;
  return value;
}

bool RegKey::HasValue(const std::string& name) const {
  return key_ && ::RegQueryValueExA(key_, name.c_str(), nullptr, nullptr, nullptr, nullptr) ==
                     ERROR_SUCCESS;
}

bool RegKey::WriteString(const std::string& name, const std::string& value, DWORD type) {
  return key_ && ::RegSetValueExA(key_, name.c_str(), 0, type,
                                  reinterpret_cast<const BYTE*>(value.c_str()),
                                  static_cast<DWORD>(value.size() + 1)) == ERROR_SUCCESS;
}

bool RegKey::WriteDword(const std::string& name, DWORD value) {
  return key_ && ::RegSetValueExA(key_, name.c_str(), 0, REG_DWORD,
                                  reinterpret_cast<const BYTE*>(&value), sizeof value) ==
                     ERROR_SUCCESS;
}

bool RegKey::DeleteValue(const std::string& name) {
  return key_ && ::RegDeleteValueA(key_, name.c_str()) == ERROR_SUCCESS;
}

bool DeleteKeyTree(HKEY root, const std::string& path, REGSAM view) {
  if (view == 0) {
    LSTATUS status = ::RegDeleteTreeA(root, path.c_str());
    if (status == ERROR_SUCCESS) status = ::RegDeleteKeyA(root, path.c_str());
    return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
  }
  // The subkeys through the key opened in that view, then the key itself.
  {
    RegKey key = RegKey::Open(root, path, KEY_ALL_ACCESS | view);
    if (!key) return true;
    const LSTATUS emptied = ::RegDeleteTreeA(key.get(), nullptr);
    if (emptied != ERROR_SUCCESS && emptied != ERROR_FILE_NOT_FOUND) return false;
  }
  const LSTATUS status = ::RegDeleteKeyExA(root, path.c_str(), view, 0);
  return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
}

}  // namespace kestra
