// The command line of SETUP: only the first argument is examined, and options
// are recognised as case-sensitive substrings of it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "system/AppInfo.h"

namespace kestra {

struct RunOptions {
  bool uninstall = false;  // "-UNINST"
  int32_t run_mode = kRunModeNone;  // kRunModeUpgrade "-UPDATA", kRunModeTry "-TRY" (wins)
};

// args: the arguments after the program name.
RunOptions ParseRunOptions(const std::vector<std::string>& args);

}  // namespace kestra
