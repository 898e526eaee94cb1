#include "system/Version.h"

#include <cerrno>
#include <cstdlib>
#include <limits>

namespace kestra {

namespace {

// The integer value of text, or 0 when it is not entirely a (signed) number.
// strtol answers a 32-bit long on Windows and a 64-bit one elsewhere: clamp
// so that "99999999999" is the same 2147483647 everywhere.
int32_t VersionPart(const std::string& text) {
  if (text.empty()) return 0;
  char* end = nullptr;
  const long value = std::strtol(text.c_str(), &end, 10);
  if (end == text.c_str() || *end != '\0') return 0;
  if (value > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
  if (value < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(value);
}

}  // namespace

VersionParts ParseVersion(const std::string& text) {
  VersionParts parts{};
  std::string rest = text;
  for (int32_t& part : parts) {
    std::size_t dot = rest.find('.');
    if (dot != std::string::npos) {
      part = VersionPart(rest.substr(0, dot));
      rest.erase(0, dot + 1);
    } else {
      part = VersionPart(rest);
      rest.clear();
    }
  }
  return parts;
}

bool IsNewerVersion(const std::string& offered, const std::string& installed) {
  // std::array compares part by part, first part first.
  return ParseVersion(offered) > ParseVersion(installed);
}

}  // namespace kestra
