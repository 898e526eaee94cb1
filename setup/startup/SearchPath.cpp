#include "startup/SearchPath.h"

#include <windows.h>

#include <cstdio>
#include <optional>
#include <vector>

#include "system/ProductPlaces.h"
#include "system/FileSys.h"
#include "system/Handles.h"
#include "system/Mbcs.h"
#include "system/Registry.h"
#include "system/RegistryWrites.h"
#include "system/ReplacementFile.h"
#include "system/Changes.h"
#include "system/SysQuery.h"

namespace kestra {

namespace {

constexpr char kEndOfFileMark = 0x1A;
constexpr int kBackupNumbers = 1000;  // AUTOEXEC.000 to AUTOEXEC.999

// The short name of one folder or file, or its long name when it has none
// (a name that is already 8.3, or short-name creation switched off).
std::optional<std::string> ShortNameOf(const std::string& path) {
  WIN32_FIND_DATAA found{};
  FindHandle find(::FindFirstFileA(path.c_str(), &found));
  if (!find) return std::nullopt;
  return found.cAlternateFileName[0] != '\0' ? std::string(found.cAlternateFileName)
                                             : std::string(found.cFileName);
}

std::string WithoutTrailingBackslash(std::string path) {
  if (EndsWithChar(path, '\\')) path.pop_back();
  return path;
}

// RtlGetVersion exists from NT on; where it cannot be asked the record keeps
// platform 0, which is the non-NT branch: only those Windows lack it.
bool IsNtFamily() {
  OsVersionRecord version;
  GetOSVersion(version);
  return version.platform == VER_PLATFORM_WIN32_NT;
}

void BroadcastEnvironmentChange() {
  DWORD_PTR reply = 0;
  ::SendMessageTimeoutA(HWND_BROADCAST, WM_WININICHANGE, 0,
                        reinterpret_cast<LPARAM>("Environment"), SMTO_ABORTIFHUNG, 1000, &reply);
}

int32_t AddToNtEnvironment(const std::string& item) {
  try {
    RegKey environment = RegKey::Open(ProductRoots().machine, kEnvironmentKey);
    if (!environment) return 0;
    std::optional<std::string> current = environment.ReadString("Path");
    // A "Path" that is there but cannot be read as text is left as it is:
    // writing ";" + item over it would lose the whole search path.
    if (!current && environment.HasValue("Path")) return 0;
    const std::string path = current.value_or(std::string());
    if (Contains(path, item)) return 0;
    RegistryValue value =
        TextValue(ProductRoots().machine, kEnvironmentKey, "path", path + ";" + item);
    value.type = REG_EXPAND_SZ;
    if (!WriteRegistryValues({value}) && !changes::Planning()) BroadcastEnvironmentChange();
  } catch (...) {
    // The environment is a convenience for the search engine; the
    // installation stands without it.
  }
  return 0;
}

// A missing AUTOEXEC.BAT is created with one line holding a single blank, so
// that the backup and the appended line have a file to work on.
bool CreateBlankAutoexec(const std::string& autoexec) {
  return ReplaceFileContent(autoexec, " \r\n");
}

std::string BackupName(const std::string& base, int number) {
  char name[MAX_PATH];
  std::snprintf(name, sizeof name, "%s%3.3d", base.c_str(), number);
  return name;
}

// Copies AUTOEXEC.BAT to the first free AUTOEXEC.nnn; false when none is free.
bool BackUpAutoexec(const std::string& autoexec, const std::string& backup_base) {
  for (int number = 0; number < kBackupNumbers; ++number) {
    if (CopyFileTo(autoexec, BackupName(backup_base, number), /*replace=*/false)) return true;
  }
  return false;
}

// The file with line appended: in place of a trailing end-of-file mark, which
// it overwrites, or at the end.
std::string WithAppendedLine(std::string content, const std::string& line) {
  if (!content.empty() && content.back() == kEndOfFileMark) content.pop_back();
  return content + line;
}

int32_t AppendToAutoexec(const std::string& entry) {
  const std::string line = AutoexecPathLine(entry);
  // The line is assembled in a fixed buffer: one that does not fit (with its
  // terminating NUL) is refused before anything is touched.
  if (line.size() >= kAutoexecLineBufferSize) return -1;

  const std::string autoexec = AutoexecPath();
  const std::string backup_base = autoexec.substr(0, autoexec.size() - 3);  // "X:\AUTOEXEC."
  if (!FileExists(autoexec) && !CreateBlankAutoexec(autoexec)) return -1;
  if (!BackUpAutoexec(autoexec, backup_base)) return -1;

  std::string content;
  // A run that only plans may have planned the file without writing it.
  if (!ReadWholeFile(autoexec, content) && !changes::Planning()) return -1;
  // The new file replaces the old one only once it is complete: a boot file
  // cut part-way (the disk full) would leave the machine's start-up broken.
  // A line that did not reach the disk must not pass for an extended path.
  return ReplaceFileContent(autoexec, WithAppendedLine(std::move(content), line)) ? 0 : -1;
}

}  // namespace

std::string ShortPathOf(const std::string& folder) {
  if (folder.size() <= 3) return folder;
  std::string current = WithoutTrailingBackslash(folder);
  std::vector<std::string> names;  // innermost first
  for (;;) {
    std::optional<std::string> name = ShortNameOf(current);
    // A folder a run that only plans would make has no short name yet.
    if (!name && changes::Planning() && DirectoryExists(current)) name = ExtractFileName(current);
    if (!name) return std::string();
    names.push_back(*name);
    std::size_t last_backslash = LastDelimiter(current, "\\");
    current = last_backslash == std::string::npos ? std::string()
                                                  : current.substr(0, last_backslash + 1);
    if (current.size() < 4) break;  // a drive root such as C:\ ends the walk
    current.pop_back();
  }
  std::string result = current;
  for (auto name = names.rbegin(); name != names.rend(); ++name) {
    if (name != names.rbegin()) result += '\\';
    result += *name;
  }
  return result;
}

std::string SearchPathEntry(const std::string& folder) {
  const std::string short_folder = ShortPathOf(folder);
  if (short_folder.empty()) return std::string();
  return AddBackslash(short_folder) + ";";
}

std::string AutoexecPathLine(const std::string& entry) {
  return "\r\nPATH=%PATH%;" + entry + "\r\n";
}

std::string AutoexecPath() {
  std::string drive;
  if (RegKey setup = RegKey::Open(HKEY_LOCAL_MACHINE, kWindowsSetupKey))
    drive = setup.ReadStringOr("BootDir").substr(0, 2);
  // Without a usable "BootDir" the file would land in the root of whatever
  // drive is current; the Windows folder's drive is the boot drive then.
  if (drive.size() != 2) drive = WindowsFolder().substr(0, 2);
  return drive + "\\AUTOEXEC.BAT";
}

int32_t AddToSearchPath(const std::string& entry) {
  const std::string item = EndsWithChar(entry, ';') ? entry.substr(0, entry.size() - 1) : entry;
  // No folder, nothing to add: an empty item would only put an empty element
  // into the search path.
  if (item.empty()) return 0;
  if (IsNtFamily()) return AddToNtEnvironment(item);
  return AppendToAutoexec(entry);
}

}  // namespace kestra
