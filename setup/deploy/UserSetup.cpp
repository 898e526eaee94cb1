#include "deploy/UserSetup.h"

#include <windows.h>

#include <string>
#include <vector>

#include "system/ExitCodes.h"
#include "system/Mbcs.h"
#include "system/ProductPlaces.h"
#include "system/Registry.h"
#include "system/RegistryWrites.h"
#include "system/RunLog.h"

namespace kestra {

namespace {

// The text and number values of the machine's key, for the same key of the user.
std::vector<RegistryValue> UserCopiesOf(const std::string& key_path) {
  std::vector<RegistryValue> values;
  RegKey machine = RegKey::Open(ProductRoots().machine, key_path, KEY_READ);
  if (!machine) return values;
  for (DWORD i = 0;; ++i) {
    std::vector<char> name(16384);
    DWORD name_size = static_cast<DWORD>(name.size());
    DWORD type = 0;
    if (::RegEnumValueA(machine.get(), i, name.data(), &name_size, nullptr, &type, nullptr,
                        nullptr) != ERROR_SUCCESS)
      break;
    const std::string value_name(name.data(), name_size);
    if (type == REG_DWORD) {
      if (const std::optional<DWORD> number = machine.ReadDword(value_name))
        values.push_back(NumberValue(ProductRoots().user, key_path, value_name, *number));
    } else if (const std::optional<std::string> text = machine.ReadString(value_name)) {
      RegistryValue value = TextValue(ProductRoots().user, key_path, value_name, *text);
      value.type = type == REG_EXPAND_SZ ? REG_EXPAND_SZ : REG_SZ;
      values.push_back(std::move(value));
    }
  }
  return values;
}

}  // namespace

int CopyMachineValuesToUser() {
  std::vector<RegistryValue> values;
  for (const std::string& key : {RemoveBackslash(CollectionKeyPath(kProduct)),
                                 RemoveBackslash(ServiceKeyPath(kProduct))}) {
    std::vector<RegistryValue> copies = UserCopiesOf(key);
    values.insert(values.end(), copies.begin(), copies.end());
  }
  runlog::Write("User setup: " + std::to_string(values.size()) +
                " values of the machine copied into the user's keys");
  if (const std::optional<std::string> failed = WriteRegistryValues(values)) {
    EndRunWith(kExitFailed);
    return kExitFailed;
  }
  return kExitDone;
}

}  // namespace kestra
