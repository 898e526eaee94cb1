// What is installed, and the hand-off to the DVD's upgrade tool.
#pragma once

#include <cstdint>
#include <string>

namespace kestra {

// What DetectInstalled finds: nothing to do (no SETUP.INF in setup_dir, or the
// same or a newer version is installed), no installed copy, an older copy.
inline constexpr int32_t kNothingToDo = -1;
inline constexpr int32_t kNotInstalled = 0;
inline constexpr int32_t kOlderInstalled = 1;

// What the detection reads from the machine and the DVD.
struct InstalledCopyFacts {
  bool setup_inf = false;          // SETUP.INF lies in the setup folder
  bool product_key = false;        // the product key opens
  std::string installed_version;   // its "Version"
  bool viewer_file = false;        // App Paths names a file that exists
  std::string dvd_version;         // [Products] "Version" of SETUP.INF
};
InstalledCopyFacts ReadInstalledCopy(const std::string& setup_dir);
// The detection's answer from what was read.
int32_t DecideInstalled(const InstalledCopyFacts& facts);
// Both.
int32_t DetectInstalled(const std::string& setup_dir);

// The viewer's main window is open.
bool IsViewerRunning();

// 100 when the installed version is exactly "1.9.3" or "1.9.2", else 0.
int32_t ProgramOnlyUpdateFlag();

// Starts setup_dir\PLUS\UPDATE\UPGSETUP.EXE with "-S" when the DVD has it and
// waits (about 15 s at most) for its signal in "upgSetup".
void RunUpgradeTool(const std::string& setup_dir);

}  // namespace kestra
