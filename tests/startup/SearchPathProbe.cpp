// Runs one search-path operation and answers through its exit code, so that a
// test can run it under a Windows version of its own choosing.
//   searchpath_probe platform      exit code: the platform id GetOSVersion reports
//   searchpath_probe add ENTRY     exit code: AddToSearchPath(ENTRY) (0 or -1)
#include <string>

#include "startup/SearchPath.h"
#include "system/SysQuery.h"

int main(int argc, char** argv) {
  const std::string command = argc > 1 ? argv[1] : "";
  if (command == "platform" && argc == 2) {
    kestra::OsVersionRecord version;
    if (!kestra::GetOSVersion(version)) return 100;
    return static_cast<int>(version.platform);
  }
  if (command == "add" && argc == 3) return kestra::AddToSearchPath(argv[2]);
  return 101;  // not a command of this probe
}
