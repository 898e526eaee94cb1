// File-system queries used everywhere: existence tests, folder creation, the
// Windows folder and the running program's own path.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kestra {

// A file (not a folder) exists at path.
bool FileExists(const std::string& path);
// The size of the file at path in bytes; -1 when there is no such file.
int64_t FileSize(const std::string& path);
// A folder exists at path (GetFileAttributesA succeeds and reports a directory).
bool DirectoryExists(const std::string& path);
// Creates the folder and every missing parent; true when it exists afterwards.
bool ForceDirectories(const std::string& path);
// The changes SETUP makes to files and folders, each logged (system/Changes.h)
// and, in a run that only plans, planned instead of made.
// Creates one folder whose parent exists (CreateDirectoryA); false when it
// exists already or cannot be made.
bool CreateFolder(const std::string& path);
// Clears the file's attributes (a read-only file goes as well) and deletes it.
bool RemoveFile(const std::string& path);
// Copies a file; replace: over an existing copy (whose attributes are cleared
// first), else only where there is none yet. The copy ends archive only.
bool CopyFileTo(const std::string& from, const std::string& to, bool replace);
// Leaves the file with the archive attribute only (a read-only file can be
// replaced then), as the file's writer does before it writes it anew.
void ResetAttributes(const std::string& path);
// Removes the folder when it exists and is empty (anything in it keeps it);
// a link to a folder elsewhere is left alone. True when it was removed.
bool RemoveFolderIfEmpty(const std::string& folder);

// A write onto the file at path failed with the Win32 error because another
// program holds the file: a sharing or lock violation, or a refusal
// (ERROR_ACCESS_DENIED, or 0 where the writer did not say why) while opening
// the file for writing now answers one. A full or write-protected disk is not
// "in use".
bool FileInUse(const std::string& path, uint32_t error);

// The entry at path is a reparse point (a junction, symbolic link or mount
// point): what it names lies elsewhere.
bool IsReparsePoint(const std::string& path);

// The absolute form of a path as the system reads it (GetFullPathNameA):
// "/" read as "\", without "." and ".." parts, trailing dots and blanks
// dropped, a device name answered as "\\.\" + the device. Worked out from the
// text and the current folder alone: no part of the path is looked up. The
// path itself when it cannot be resolved.
std::string FullPath(const std::string& path);

// The one spelling of a path that comparisons can rely on: FullPath with
// every existing part in its long form (8.3 short names expanded). The parts
// that do not exist stay as written. The path itself when it cannot be
// resolved. Asks the file system for every folder on the way (under Wine each
// part is a directory search): a fraction of a millisecond per call.
std::string FullLongPath(const std::string& path);

// The Windows folder (GetWindowsDirectoryA, 256-byte buffer); empty on failure.
std::string WindowsFolder();
// The system folder (GetSystemDirectoryA, 260-byte buffer); empty on failure.
std::string SystemFolder();

// The whole content of the file (read while others may read it too); false
// when it cannot be opened or read.
bool ReadWholeFile(const std::string& path, std::string& bytes);

// The file's last-write time as a DOS date-time in local time (date in the high
// 16 bits, time in the low 16, two-second resolution); −1 when there is no such
// file. Kept 64-bit so that dates from 2044 on, whose DOS value has the top bit
// set, still compare as later than earlier ones.
int64_t FileAge(const std::string& path);

// The full path of the running program file in its Win32 form.
std::string ProgramFilePath();

// Turns the NT forms a program may see of its own path into Win32 form:
// "\\?\UNC\server\x" and the bare "UNC\server\x" into "\\server\x", "\\?\X:\x" into "X:\x".
// (Wine answers GetModuleFileNameA with "UNC\server\share\..." for a program
// started from a UNC folder; Windows may hand out "\\?\" forms.)
std::string NormalizeModulePath(std::string_view path);

}  // namespace kestra
