#include "RegistryFixtures.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace wizardtest {

ScopedRegistryValue::ScopedRegistryValue(HKEY root, std::string key, std::string name)
    : root_(root), key_(std::move(key)), name_(std::move(name)) {
  kestra::RegKey k = kestra::RegKey::Open(root_, key_, KEY_READ);
  DWORD size = 0;
  if (k && ::RegQueryValueExA(k.get(), name_.c_str(), nullptr, &type_, nullptr, &size) ==
               ERROR_SUCCESS) {
    data_.resize(size);
    if (::RegQueryValueExA(k.get(), name_.c_str(), nullptr, &type_, data_.data(), &size) !=
        ERROR_SUCCESS)
      throw std::runtime_error("cannot save the registry value " + name_);
    data_.resize(size);
    existed_ = true;
  }
}

ScopedRegistryValue::~ScopedRegistryValue() {
  kestra::RegKey k = kestra::RegKey::Open(root_, key_);
  if (!k) return;
  if (existed_)
    ::RegSetValueExA(k.get(), name_.c_str(), 0, type_, data_.data(),
                     static_cast<DWORD>(data_.size()));
  else
    ::RegDeleteValueA(k.get(), name_.c_str());
}

void SetString(HKEY root, const std::string& key, const std::string& name,
               const std::string& value) {
  kestra::RegKey k = kestra::RegKey::Create(root, key);
  ASSERT_TRUE(k) << "cannot create " << key;
  ASSERT_TRUE(k.WriteString(name, value)) << "cannot write " << name;
}

void SetDword(HKEY root, const std::string& key, const std::string& name, DWORD value) {
  kestra::RegKey k = kestra::RegKey::Create(root, key);
  ASSERT_TRUE(k) << "cannot create " << key;
  ASSERT_TRUE(k.WriteDword(name, value)) << "cannot write " << name;
}

}  // namespace wizardtest
