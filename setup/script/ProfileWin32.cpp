// The profile reader of the Windows programs: GetPrivateProfileStringA.
#include <windows.h>

#include "script/Profile.h"

namespace kestra {

std::uint32_t WindowsProfile::GetString(const char* section, const char* key,
                                        const char* default_value, char* buffer,
                                        std::uint32_t size) const {
  return ::GetPrivateProfileStringA(section, key, default_value, buffer, size, file_.c_str());
}

std::string ReadIniString(const std::string& file, const char* section, const std::string& key) {
  return ReadProfileString(WindowsProfile(file), section, key);
}

}  // namespace kestra
