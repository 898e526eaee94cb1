// Prints what SETUP's system queries answer in this process, one "name=value"
// line each, so that tests can run it under every Windows version Wine reports
// and check the branches built on the answers.
#include <cstdio>

#include "system/SysQuery.h"

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
  return 0;
}
