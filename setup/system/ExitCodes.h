// The exit codes of SETUP and of its uninstaller copy. Windows Installer's
// numbers, so that deployment systems read them with the tables they already
// have: success, cancelled, failed, retry later, nothing to do, bad command line.
#pragma once

namespace kestra {

inline constexpr int kExitDone = 0;               // installed, upgraded or uninstalled
inline constexpr int kExitNoRights = 5;           // no administrator rights
inline constexpr int kExitCancelled = 1602;       // the user cancelled or declined
inline constexpr int kExitFailed = 1603;          // a fatal error
inline constexpr int kExitRetryLater = 1618;      // another SETUP, the viewer or a program holding a file
inline constexpr int kExitNothingToDo = 1638;     // the same or a newer version is installed
inline constexpr int kExitBadCommandLine = 1639;  // an option that cannot be taken

// Gives the reason the run ends with. The first reason given stands: the
// messages and steps that follow an error do not turn the run into a success.
void EndRunWith(int code);
// The code the run ends with: the first reason given, else kExitDone.
int RunExitCode();
// Forgets the reason given: a new run in the same process starts as a success.
void ResetRunExitCode();

}  // namespace kestra
