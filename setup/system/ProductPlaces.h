// Where the product lives in the registry, derived from its row of the product
// table in this one place, and the two roots its keys hang from.
#pragma once

#include <windows.h>

#include <string>

#include "system/ProductTable.h"

namespace kestra {

// The machine and user roots of the product's keys and of the machine values
// SETUP decides by (the Program Files folder, the search path, the shell's
// desktop and Start-menu folders):
// HKEY_LOCAL_MACHINE and HKEY_CURRENT_USER in the programs.
// Tests that run SETUP's code in their own process hang both below a key of
// their own (tests/support), so that they share no state with other suites.
struct RegistryRoots {
  HKEY machine = HKEY_LOCAL_MACHINE;
  HKEY user = HKEY_CURRENT_USER;
};
const RegistryRoots& ProductRoots();
// The product's root that stands for HKEY_LOCAL_MACHINE or HKEY_CURRENT_USER
// (any other root stays itself).
HKEY ProductRootOf(HKEY root);
// Replaces the roots; returns the ones before. Only tests call it.
RegistryRoots SetProductRoots(const RegistryRoots& roots);

// Machine-wide keys of the Windows list of programs.
inline constexpr char kAppPathsBase[] = "SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\App Paths\\";
inline constexpr char kUninstallBase[] = "SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\UNINSTALL\\";

// "SOFTWARE\ZEL\" + product title + "\".
std::string ProductKeyPath(const ProductRow& product);
// Its "Collection" and "Service" subkeys, with a trailing backslash.
std::string CollectionKeyPath(const ProductRow& product);
std::string ServiceKeyPath(const ProductRow& product);
// App Paths key of the application file; Uninstall key named by the product title.
std::string AppPathsKeyPath(const ProductRow& product);
std::string UninstallKeyPath(const ProductRow& product);

// Active Setup: Windows runs each component's StubPath once for every user
// at logon, when the user's copy of its Version is older. An installation by
// the SYSTEM account leaves the user's keys to it. The key is written in the
// 64-bit view on 64-bit Windows (KEY_WOW64_64KEY; ignored on 32-bit Windows),
// where the logon looks first.
inline constexpr char kActiveSetupBase[] =
    "SOFTWARE\\Microsoft\\Active Setup\\Installed Components\\";
std::string ActiveSetupKeyPath(const ProductRow& product);

}  // namespace kestra
