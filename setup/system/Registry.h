// A registry key that closes itself, with the few value operations the
// installer needs. Keys are opened as existing keys unless Create is used.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <utility>

namespace kestra {

class RegKey {
 public:
  RegKey() = default;
  RegKey(const RegKey&) = delete;
  RegKey& operator=(const RegKey&) = delete;
  RegKey(RegKey&& o) noexcept : key_(std::exchange(o.key_, nullptr)) {}
  RegKey& operator=(RegKey&& o) noexcept {
    if (this != &o) {
      Close();
      key_ = std::exchange(o.key_, nullptr);
    }
    return *this;
  }
  ~RegKey() { Close(); }

  // Opens an existing key; never creates one.
  static RegKey Open(HKEY root, const std::string& path, REGSAM access = KEY_ALL_ACCESS);
  // Opens the key, creating it and its missing parents.
  static RegKey Create(HKEY root, const std::string& path, REGSAM access = KEY_ALL_ACCESS);

  explicit operator bool() const { return key_ != nullptr; }
  HKEY get() const { return key_; }
  void Close();

  // The value as text when it is REG_SZ or REG_EXPAND_SZ (not expanded);
  // nothing when it is missing or of another type. name "" is the default value.
  std::optional<std::string> ReadString(const std::string& name) const;
  // The value as text, or "" when it is missing or not text.
  std::string ReadStringOr(const std::string& name, const std::string& fallback = {}) const {
    return ReadString(name).value_or(fallback);
  }
  std::optional<DWORD> ReadDword(const std::string& name) const;
  bool HasValue(const std::string& name) const;

  bool WriteString(const std::string& name, const std::string& value, DWORD type = REG_SZ);
  bool WriteDword(const std::string& name, DWORD value);
  bool DeleteValue(const std::string& name);

 private:
  explicit RegKey(HKEY key) : key_(key) {}
  HKEY key_ = nullptr;
};

// Deletes a key with all its subkeys (in the view KEY_WOW64_64KEY or
// KEY_WOW64_32KEY names, or the default one for 0); true when it is gone afterwards.
bool DeleteKeyTree(HKEY root, const std::string& path, REGSAM view = 0);

}  // namespace kestra
