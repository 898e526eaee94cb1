// Version strings of SETUP.INF and of the installed product ("2.1.0.1").
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace kestra {

using VersionParts = std::array<int32_t, 4>;
// "1.9.3" → 1, 9, 3, 0; a part that is not a number counts as 0, one beyond
// the 32-bit range as the nearest 32-bit value.
VersionParts ParseVersion(const std::string& text);

// offered is greater than installed at the first of the four parts where they
// differ (as numbers: 1.10 is greater than 1.9; missing parts count as 0).
bool IsNewerVersion(const std::string& offered, const std::string& installed);

}  // namespace kestra
