// The product's registry keys, written out here rather than taken from SETUP's
// sources, so that a wrong name in SETUP shows.
#pragma once

namespace productkeys {

inline constexpr char kProductRegistryKey[] = "SOFTWARE\\ZEL\\ケストラDVD\\";
inline constexpr char kCollectionKey[] = "SOFTWARE\\ZEL\\ケストラDVD\\Collection\\";
inline constexpr char kServiceKey[] = "SOFTWARE\\ZEL\\ケストラDVD\\Service\\";
inline constexpr char kViewerAppPathsKey[] =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\KESTRA.exe";
inline constexpr char kUninstallKey[] =
    "SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\UNINSTALL\\ケストラDVD";
// The Active Setup component an installation by the SYSTEM account registers.
inline constexpr char kActiveSetupKey[] =
    "SOFTWARE\\Microsoft\\Active Setup\\Installed Components\\ZEL.KESTRA";
// The same keys under the names the detection tests use.
inline constexpr const char* kProductKey = kProductRegistryKey;
inline constexpr const char* kAppPathsKey = kViewerAppPathsKey;

}  // namespace productkeys
