// System queries used by every part of the installer: path slash handling,
// version parsing, drive readiness and free space, the administrator test, the
// platform version, running programs, and finding the drive letter under which
// the logged-on user sees a network folder. No state is kept between calls.
#pragma once

#include <windows.h>

#include <array>
#include <cstdint>
#include <string>

#include "system/Mbcs.h"
#include "system/Version.h"

namespace kestra {

// The drive part of path (letter and colon, or \\server\share) exists as a folder.
// No system box asks for a medium meanwhile.
bool IsDriveReady(const std::string& path);
// Free bytes of the volume holding path; 0 when the drive is not ready.
double DiskFreeBytes(const std::string& path);

// RtlGetVersion's record (RTL_OSVERSIONINFOEXW, 284 bytes).
struct OsVersionRecord {
  DWORD size = sizeof(OsVersionRecord);
  DWORD major = 0;
  DWORD minor = 0;
  DWORD build = 0;
  DWORD platform = 0;
  WCHAR service_pack[128] = {};
  WORD service_pack_major = 0;
  WORD service_pack_minor = 0;
  WORD suite_mask = 0;
  BYTE product_type = 0;
  BYTE reserved = 0;
};
static_assert(sizeof(OsVersionRecord) == 284);

// Fills the record through RtlGetVersion; true when the query succeeded.
bool GetOSVersion(OsVersionRecord& record);
bool IsVistaOrLater();
bool IsWin8OrLater();
// The user is an administrator; true on non-NT Windows and whenever the
// question cannot be asked.
bool IsUserAdmin();

// The program runs as the SYSTEM account (LocalSystem), as deployment systems
// start installers: its desktop and its user keys are nobody's.
bool IsSystemAccount();

// Starts a program. Without wait: 0 when started. With wait: its exit code,
// window messages handled every 500 ms meanwhile. −1 when it cannot start;
// 0 for an empty command line, −1 too when the wait for it fails.
int32_t RunProgram(const std::string& command_line, bool wait);

// Waits for the process to end, handling window messages every 500 ms: its
// exit code, or −1 as soon as the wait fails (a handle that is no process).
int32_t WaitForProcessExit(HANDLE process);

// The drive letter ("X:") under which the logged-on user sees folder: its own
// drive, or the last network drive whose remote name contains the UNC folder.
bool FindDriveLetter(const std::string& folder, std::string& drive);

// A UNC path on the share of drive (the share the user's profile remembers for
// the letter, or its connection) rewritten under that letter, on Vista or
// later; a path on any other share, a drive path and every path on earlier
// Windows come back unchanged. Empty when the path or the drive is empty.
std::string MapToDrivePath(const std::string& drive, const std::string& path);

// The kind of drive a path lies on (GetDriveTypeA of its first three
// characters), where a UNC path is on the network by its form: Windows answers
// DRIVE_REMOTE for a share's root, Wine DRIVE_FIXED, and both DRIVE_NO_ROOT_DIR
// for the first three characters of such a path.
UINT DriveTypeOfPath(const std::string& path);

}  // namespace kestra
