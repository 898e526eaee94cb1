// Run-wide values of one run of SETUP. The start-up sets them once the run is
// decided; every other part reads them.
#pragma once

#include <cstdint>
#include <string>

namespace kestra {

// First three characters of the Windows folder, for example "C:\".
extern std::string WinDriveRoot;
// Folder of the running program file, with trailing backslash.
extern std::string SetupDir;
// Drive ("X:") under which the logged-on user sees SetupDir; Vista or later only.
extern std::string SetupDrive;
// Platform tests, set in the install and upgrade runs only.
extern bool VistaOrLater;
extern bool Win8OrLater;
// 100 when only the program files of the installed copy are replaced, else 0.
extern int32_t ProgramOnlyUpdate;
// The run is one of the SYSTEM account: the shortcuts go to the all-users
// desktop and the user's keys are written at each user's logon (Active Setup).
extern bool RunsAsSystem;

}  // namespace kestra
