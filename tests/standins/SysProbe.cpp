// Prints what SETUP's system queries answer in this process, one "name=value"
// line each, so that tests can run it under every Windows version Wine reports
// and check the branches built on the answers; last, whether a library named
// without a path is found beside the program before and after the search is
// restricted to the system folder.
#include <windows.h>

#include <cstdio>

#include "system/Handles.h"
#include "system/SysQuery.h"
#include "system/SystemLibrary.h"

namespace {

// notadmin.dll, named without a path, lies beside the probe (tests\bin) and
// in no system folder.
bool LoadsTheLibraryBeside() {
  return static_cast<bool>(kestra::Library(::LoadLibraryA("notadmin.dll")));
}

}  // namespace

int main() {
  kestra::OsVersionRecord version;
  const bool queried = kestra::GetOSVersion(version);
  std::printf("queried=%d\n", queried ? 1 : 0);
  std::printf("platform=%lu\n", static_cast<unsigned long>(version.platform));
  std::printf("major=%lu\n", static_cast<unsigned long>(version.major));
  std::printf("minor=%lu\n", static_cast<unsigned long>(version.minor));
  std::printf("vista=%d\n", kestra::IsVistaOrLater() ? 1 : 0);
  std::printf("win8=%d\n", kestra::IsWin8OrLater() ? 1 : 0);
  std::printf("admin=%d\n", kestra::IsUserAdmin() ? 1 : 0);
  // Last, as it holds for the rest of the process: what SETUP and DIRPICK do first.
  std::printf("beside_before=%d\n", LoadsTheLibraryBeside() ? 1 : 0);
  kestra::RestrictLibrarySearchToSystemFolder();
  std::printf("beside_after=%d\n", LoadsTheLibraryBeside() ? 1 : 0);
  return 0;
}
