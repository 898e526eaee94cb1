// The command line of SETUP: only the first argument is examined, and options
// are recognised as case-sensitive substrings of it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kestra {

struct RunOptions {
  bool uninstall = false;  // "-UNINST"
  int32_t run_mode = 0;    // 2 "-UPDATA", 3 "-TRY" (wins over "-UPDATA"), 0 none
};

// args: the arguments after the program name.
RunOptions ParseRunOptions(const std::vector<std::string>& args);

}  // namespace kestra
