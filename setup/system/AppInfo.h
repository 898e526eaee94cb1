// The settings record of a run: initialised by the start-up, filled and edited
// by the settings page, consumed by the install engine. It crosses between
// dialogs by copy.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace kestra {

// TFAppInfo::InstallMode: a new installation, or one over an installed product.
inline constexpr int32_t kNewInstallation = 1;
inline constexpr int32_t kOverInstalledProduct = 2;

// TFInstAppInfo::InstallIndex: copy the index to disk, use it from the DVD, or
// not decided yet (while the page loads its defaults).
inline constexpr int32_t kIndexToDisk = 1;
inline constexpr int32_t kIndexFromDvd = 0;
inline constexpr int32_t kIndexUndecided = -1;

// The run mode the start-up hands to the settings page: an installation, an
// upgrade ("-UPDATA", or an older copy found), "-TRY" (a new installation even
// over an installed copy); none before the decision.
inline constexpr int32_t kRunModeNone = 0;
inline constexpr int32_t kRunModeInstall = 1;
inline constexpr int32_t kRunModeUpgrade = 2;
inline constexpr int32_t kRunModeTry = 3;

struct TFAppInfo {
  int32_t InstallMode = -1;   // kNewInstallation, kOverInstalledProduct
  int32_t ProductIndex = -1;  // row of the product table (7)
  std::string ProductName;
  std::string InstallDir;     // with trailing backslash
  std::string AppVersion;     // installed version; the DVD's during the run
  int32_t DVDPathCount = 0;   // 23
  std::array<std::string, 24> DVDPaths;  // 0..22: DVD numbers 1..23
  std::string Reserved1;
  std::string Reserved2;
};

struct TFInstAppInfo {
  int32_t AppCount = 0;       // passes of the per-product steps
  TFAppInfo AppInfo;
  int32_t InstallIndex = 0;   // kIndexToDisk, kIndexFromDvd, kIndexUndecided
  std::string IndexDir;       // with trailing backslash
  std::string Reserved;
};

// The start-up's initial state: strings empty, counts 0, InstallMode and
// ProductIndex −1, InstallIndex 0.
inline void InitAppInfo(TFInstAppInfo& info) { info = TFInstAppInfo{}; }

}  // namespace kestra
