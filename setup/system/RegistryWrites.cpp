#include "system/RegistryWrites.h"

#include "system/Changes.h"
#include "system/ProductPlaces.h"
#include "system/Registry.h"

namespace kestra {

namespace {

using changes::Kind;

// A number shows itself, unless the writer gave a text to show in its place.
std::string Shown(const RegistryValue& value) {
  const bool number = value.type == REG_DWORD && value.text.empty();
  return FullKeyName(value.root, value.key) + "\\" + (value.name.empty() ? "(default)" : value.name) +
         " = " + (number ? std::to_string(value.number) : value.text);
}

}  // namespace

RegistryValue TextValue(HKEY root, const std::string& key, const std::string& name,
                        const std::string& text) {
  return RegistryValue{root, key, name, REG_SZ, text, 0};
}

RegistryValue NumberValue(HKEY root, const std::string& key, const std::string& name,
                          DWORD number) {
  return RegistryValue{root, key, name, REG_DWORD, std::string(), number};
}

std::string FullKeyName(HKEY root, const std::string& path) {
  // Named as the user knows the roots, wherever the product's keys hang.
  const bool machine = root == HKEY_LOCAL_MACHINE || root == ProductRoots().machine;
  const bool user = root == HKEY_CURRENT_USER || root == ProductRoots().user;
  const char* root_name = machine ? "HKEY_LOCAL_MACHINE" : user ? "HKEY_CURRENT_USER" : "HKEY";
  return std::string(root_name) + "\\" + path;
}

std::optional<std::string> WriteRegistryValues(const std::vector<RegistryValue>& values) {
  if (changes::Planning()) {
    for (const RegistryValue& value : values) changes::Plan(Kind::WriteValue, Shown(value));
    return std::nullopt;
  }
  RegKey key;
  HKEY open_root = nullptr;
  std::string open_path;
  REGSAM open_view = 0;
  for (const RegistryValue& value : values) {
    if (!key || value.root != open_root || value.key != open_path || value.view != open_view) {
      key = RegKey::Create(value.root, value.key, KEY_ALL_ACCESS | value.view);
      open_root = value.root;
      open_path = value.key;
      open_view = value.view;
      if (!key) {
        changes::NotMade(Kind::WriteValue, Shown(value), ERROR_ACCESS_DENIED);
        return FullKeyName(value.root, value.key);
      }
    }
    const bool written = value.type == REG_DWORD ? key.WriteDword(value.name, value.number)
                                                 : key.WriteString(value.name, value.text, value.type);
    if (!written) {
      changes::NotMade(Kind::WriteValue, Shown(value), ::GetLastError());
      return FullKeyName(value.root, value.key);
    }
    changes::Made(Kind::WriteValue, Shown(value));
  }
  return std::nullopt;
}

bool RemoveRegistryKey(HKEY root, const std::string& path, REGSAM view) {
  {
    RegKey key = RegKey::Open(root, path, KEY_READ | view);
    if (!key) return true;
  }
  if (changes::Planning()) {
    changes::Plan(Kind::DeleteKey, FullKeyName(root, path));
    return true;
  }
  if (!DeleteKeyTree(root, path, view)) {
    changes::NotMade(Kind::DeleteKey, FullKeyName(root, path), ERROR_ACCESS_DENIED);
    return false;
  }
  changes::Made(Kind::DeleteKey, FullKeyName(root, path));
  return true;
}

}  // namespace kestra
