// The profile reader of the Windows programs: GetPrivateProfileStringA.
#include <windows.h>

#include "script/Profile.h"

#include "system/FileSys.h"
#include "system/Mbcs.h"

namespace kestra {

std::uint32_t WindowsProfile::GetString(const char* section, const char* key,
                                        const char* default_value, char* buffer,
                                        std::uint32_t size) const {
  return ::GetPrivateProfileStringA(section, key, default_value, buffer, size, file_.c_str());
}

std::string ReadIniString(const std::string& file, const char* section, const std::string& key) {
  return ReadProfileString(WindowsProfile(file), section, key);
}

std::unique_ptr<ProfileReader> ProfileReadOnce(const std::string& file) {
  std::string bytes;
  if (IsAbsolutePath(file) && ReadWholeFile(file, bytes))
    return std::make_unique<TextProfile>(bytes);
  return std::make_unique<WindowsProfile>(file);
}

}  // namespace kestra
