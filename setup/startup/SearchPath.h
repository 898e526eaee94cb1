// Adding the search engine's folder to the system-wide program search path.
#pragma once

#include <cstdint>
#include <string>

namespace kestra {

// The folder with every component in its short (8.3) form, without trailing
// backslash; empty when the folder does not exist.
std::string ShortPathOf(const std::string& folder);

// Appends entry ("C:\...\;") to the search path: 0 success, −1 failure.
int32_t AddToSearchPath(const std::string& entry);

}  // namespace kestra
