// The settings record of a run: initialised by the start-up, filled and edited
// by the settings page, consumed by the install engine. It crosses between
// dialogs by copy.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace kestra {

struct TFAppInfo {
  int32_t InstallMode = -1;   // 1 new installation, 2 over an installed product
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
  int32_t InstallIndex = 0;   // 1 copy the index, 0 use it from the DVD, −1 while loading
  std::string IndexDir;       // with trailing backslash
  std::string Reserved;
};

// The start-up's initial state: strings empty, counts 0, InstallMode and
// ProductIndex −1, InstallIndex 0.
inline void InitAppInfo(TFInstAppInfo& info) { info = TFInstAppInfo{}; }

}  // namespace kestra
