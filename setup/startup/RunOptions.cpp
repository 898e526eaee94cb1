#include "startup/RunOptions.h"

#include "system/Mbcs.h"

namespace kestra {

RunOptions ParseRunOptions(const std::vector<std::string>& args) {
  RunOptions options;
  if (args.empty() || args.front().empty()) return options;
  const std::string& first = args.front();
  if (Contains(first, "-UNINST")) {
    options.uninstall = true;
    return options;
  }
  if (Contains(first, "-UPDATA")) options.run_mode = kRunModeUpgrade;
  if (Contains(first, "-TRY")) options.run_mode = kRunModeTry;
  return options;
}

}  // namespace kestra
