// Adding the search engine's folder to the system-wide program search path.
//
// NT-family Windows keep the path in the machine's environment in the registry;
// the older non-NT Windows read it from AUTOEXEC.BAT on the boot drive, which
// gets a numbered backup before each change.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace kestra {

// The machine environment of NT-family Windows (HKEY_LOCAL_MACHINE).
inline constexpr char kEnvironmentKey[] =
    "SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment";
// Where non-NT Windows record the boot folder ("BootDir", HKEY_LOCAL_MACHINE).
inline constexpr char kWindowsSetupKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Setup";
// The PATH line appended to AUTOEXEC.BAT is assembled in a buffer of this size.
inline constexpr std::size_t kAutoexecLineBufferSize = 256;

// The folder with every component in its short (8.3) form, without trailing
// backslash; empty when the folder does not exist. A folder of three
// characters or fewer (a drive root) comes back unchanged.
std::string ShortPathOf(const std::string& folder);

// The search-path entry for folder: its short form, a backslash and ";".
// Empty when the folder does not exist: there is nothing to add then.
std::string SearchPathEntry(const std::string& folder);

// The line AddToSearchPath appends to AUTOEXEC.BAT for entry: CR LF,
// "PATH=%PATH%;", the entry, CR LF.
std::string AutoexecPathLine(const std::string& entry);

// The AUTOEXEC.BAT of non-NT Windows: on the drive of "BootDir", or of the
// Windows folder when that value is not there.
std::string AutoexecPath();

// Appends entry ("C:\...\;") to the search path: 0 success, −1 failure.
// NT family: the machine's "Path" gets the entry (without its ";") unless the
// text is already in it, and top-level windows hear of the change; this never
// fails. Non-NT: a backup AUTOEXEC.nnn is made and the PATH line appended
// (the new AUTOEXEC.BAT replaces the old one once it is completely written);
// −1 when no backup number is free, AUTOEXEC.BAT cannot be written (then it
// stays as it was), or the line would not fit its buffer. An entry without a
// folder adds nothing.
int32_t AddToSearchPath(const std::string& entry);

}  // namespace kestra
