#include "system/SysQuery.h"

#include <windows.h>
#include <winnetwk.h>

#include <cstdlib>
#include <optional>
#include <vector>

#include "system/Changes.h"
#include "system/FileSys.h"
#include "system/Handles.h"
#include "system/Mbcs.h"
#include "system/Messages.h"
#include "system/Registry.h"
#include "system/RunValues.h"
#include "system/SystemLibrary.h"
#include "system/TestSeams.h"

namespace kestra {

bool IsDriveReady(const std::string& path) {
  ErrorModeScope quiet(SEM_FAILCRITICALERRORS);
  std::string drive = ExtractFileDrive(path);
  return !drive.empty() && DirectoryExists(drive + "\\");
}

double DiskFreeBytes(const std::string& path) {
  if (!IsDriveReady(path)) return 0;
  using GetDiskFreeSpaceExFn = BOOL(WINAPI*)(LPCSTR, PULARGE_INTEGER, PULARGE_INTEGER,
                                             PULARGE_INTEGER);
  HMODULE kernel = ::GetModuleHandleA("kernel32.dll");
  auto get_free_ex = kernel ? reinterpret_cast<GetDiskFreeSpaceExFn>(reinterpret_cast<void*>(
                                  ::GetProcAddress(kernel, "GetDiskFreeSpaceExA")))
                            : nullptr;
  if (get_free_ex) {
    ULARGE_INTEGER available{}, total{}, free_total{};
    if (!get_free_ex(path.c_str(), &available, &total, &free_total)) return 0;
    return static_cast<double>(free_total.QuadPart);
  }
  DWORD sectors_per_cluster = 0, bytes_per_sector = 0, free_clusters = 0, clusters = 0;
  if (!::GetDiskFreeSpaceA(path.c_str(), &sectors_per_cluster, &bytes_per_sector, &free_clusters,
                           &clusters))
    return 0;
  // Old Windows without the Ex call: 32-bit arithmetic, as those systems did it.
  uint32_t bytes = free_clusters * sectors_per_cluster * bytes_per_sector;
  return static_cast<double>(bytes);
}

bool GetOSVersion(OsVersionRecord& record) {
  record.service_pack[0] = L'\0';
  std::string system = SystemFolder();
  if (system.empty()) return false;
  std::string ntdll_path = AddBackslash(system) + "ntdll.dll";
  if (!FileExists(ntdll_path)) return false;
  Library ntdll(::LoadLibraryA(ntdll_path.c_str()));
  if (!ntdll) return false;
  using RtlGetVersionFn = LONG(WINAPI*)(OsVersionRecord*);
  auto rtl_get_version = reinterpret_cast<RtlGetVersionFn>(
      reinterpret_cast<void*>(::GetProcAddress(ntdll.get(), "RtlGetVersion")));
  return rtl_get_version && rtl_get_version(&record) == 0;
}

bool IsVistaOrLater() {
  OsVersionRecord v;
  return GetOSVersion(v) && v.platform == VER_PLATFORM_WIN32_NT && v.major >= 6;
}

bool IsWin8OrLater() {
  OsVersionRecord v;
  return GetOSVersion(v) && v.platform == VER_PLATFORM_WIN32_NT &&
         (v.major > 6 || (v.major == 6 && v.minor >= 2));
}

namespace {

// The library that answers IsUserAnAdmin: Shell32.dll in the system folder
// (the test variant may ask a stand-in instead; see system/TestSeams.h).
std::string AdminQueryLibraryPath() {
  std::string system = SystemFolder();
  if (system.empty()) return std::string();
  return seams::AdminQueryLibrary(AddBackslash(system) + "Shell32.dll");
}

}  // namespace

bool IsUserAdmin() {
  OsVersionRecord v;
  GetOSVersion(v);
  if (v.platform != VER_PLATFORM_WIN32_NT) return true;
  std::string shell32_path = AdminQueryLibraryPath();
  if (shell32_path.empty() || !FileExists(shell32_path)) return true;
  Library shell32(::LoadLibraryA(shell32_path.c_str()));
  if (!shell32) return true;
  using IsUserAnAdminFn = BOOL(WINAPI*)();
  auto is_user_an_admin = reinterpret_cast<IsUserAnAdminFn>(
      reinterpret_cast<void*>(::GetProcAddress(shell32.get(), "IsUserAnAdmin")));
  if (!is_user_an_admin) return true;
  return is_user_an_admin() != FALSE;
}

bool IsSystemAccount() {
  if (seams::ClaimsSystemAccount()) return true;
  HANDLE raw = nullptr;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &raw)) return false;
  const KernelHandle token(raw);
  DWORD size = 0;
  ::GetTokenInformation(token.get(), TokenUser, nullptr, 0, &size);
  if (size == 0) return false;
  std::vector<BYTE> buffer(size);
  if (!::GetTokenInformation(token.get(), TokenUser, buffer.data(), size, &size)) return false;
  const auto* user = reinterpret_cast<const TOKEN_USER*>(buffer.data());
  return ::IsWellKnownSid(user->User.Sid, WinLocalSystemSid) != FALSE;
}

int32_t RunProgram(const std::string& command_line, bool wait) {
  if (command_line.empty()) return 0;
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  ::GetStartupInfoA(&startup);
  startup.wShowWindow = SW_SHOWNORMAL;
  std::vector<char> mutable_line(command_line.begin(), command_line.end());
  mutable_line.push_back('\0');
  PROCESS_INFORMATION info{};
  if (changes::Planning()) {
    changes::Plan(changes::Kind::RunProgram, command_line, wait ? "and wait for it" : "");
    return 0;
  }
  if (!::CreateProcessA(nullptr, mutable_line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &info)) {
    changes::NotMade(changes::Kind::RunProgram, command_line, ::GetLastError());
    return -1;
  }
  KernelHandle process(info.hProcess);
  KernelHandle thread(info.hThread);
  if (!wait) {
    changes::Made(changes::Kind::RunProgram, command_line);
    return 0;
  }
  thread.reset();
  const int32_t exit_code = WaitForProcessExit(process.get());
  changes::Made(changes::Kind::RunProgram, command_line, "exit code " + std::to_string(exit_code));
  return exit_code;
}

int32_t WaitForProcessExit(HANDLE process) {
  DWORD state = WAIT_TIMEOUT;
  do {
    ::Sleep(500);
    ProcessMessages();
    state = ::WaitForSingleObject(process, 0);
  } while (state == WAIT_TIMEOUT);
  // A wait that failed will fail again: the program is lost to us, not running.
  if (state != WAIT_OBJECT_0) return -1;
  DWORD exit_code = 0;
  if (!::GetExitCodeProcess(process, &exit_code)) return -1;
  return static_cast<int32_t>(exit_code);
}

namespace {

// The connections of network drives, through MPR.DLL of the system folder.
class NetworkConnections {
 public:
  NetworkConnections()
      : mpr_("MPR.DLL"),
        get_connection_(mpr_.Find<decltype(&::WNetGetConnectionA)>("WNetGetConnectionA")) {}
  explicit operator bool() const { return get_connection_ != nullptr; }

  // The remote name of a connected drive ("X:"); nothing for a drive that is
  // not connected (ERROR_NOT_CONNECTED, ERROR_BAD_DEVICE) or any other answer.
  std::optional<std::string> RemoteName(const std::string& local) const {
    if (!get_connection_) return std::nullopt;
    char remote[261] = {};
    DWORD length = sizeof remote;
    if (get_connection_(local.c_str(), remote, &length) != NO_ERROR) return std::nullopt;
    return std::string(remote);
  }

 private:
  SystemLibrary mpr_;
  decltype(&::WNetGetConnectionA) get_connection_;
};

}  // namespace

bool FindDriveLetter(const std::string& folder, std::string& drive) {
  if (folder.empty()) return false;
  std::string own_drive = ExtractFileDrive(folder);
  if (own_drive.size() == 2) {
    drive = own_drive;
    return true;
  }
  drive.clear();
  // Without MPR.DLL no drive is connected to anything.
  const NetworkConnections connections;
  if (!connections) return false;
  const std::string wanted = AnsiUpperCase(AddBackslash(folder));
  bool found = false;
  for (char letter = 'A'; letter <= 'Z'; ++letter) {
    const std::string local = std::string(1, letter) + ":";
    const std::optional<std::string> remote = connections.RemoteName(local);
    if (remote && Contains(wanted, AnsiUpperCase(AddBackslash(*remote)))) {
      drive = local;  // the last matching letter wins
      found = true;
    }
  }
  return found;
}

namespace {

// The share a drive letter stands for: the remote path the user's profile
// remembers for it, else its connection in this logon session; empty for a
// drive that is no network connection (the DVD drive, a local disk).
std::string ShareOfDrive(const std::string& drive) {
  const std::string letter = AnsiUpperCase(drive.substr(0, 1));
  if (RegKey network = RegKey::Open(HKEY_CURRENT_USER, "Network\\" + letter, KEY_READ))
    return RemoveBackslash(network.ReadStringOr("RemotePath"));
  const std::optional<std::string> remote = NetworkConnections().RemoteName(letter + ":");
  return remote ? RemoveBackslash(*remote) : std::string();
}

// The path lies on the share or below it (names compared without regard to case).
bool IsOnShare(const std::string& path, const std::string& share) {
  if (share.size() < 3 || path.size() < share.size()) return false;
  if (path.size() > share.size() && path[share.size()] != '\\') return false;
  return AnsiUpperCase(path.substr(0, share.size())) == AnsiUpperCase(share);
}

}  // namespace

std::string MapToDrivePath(const std::string& drive, const std::string& path) {
  if (!VistaOrLater) return path;
  if (path.empty() || drive.empty()) return std::string();
  if (ExtractFileDrive(path).size() == 2) return path;
  // Only the drive's own share is seen under its letter: a folder on another
  // server or share keeps its UNC path, or it would land on the drive of the
  // setup folder (a folder on \\server\share beside a DVD in Q: is not on Q:).
  const std::string share = ShareOfDrive(drive);
  if (!IsOnShare(path, share)) return path;
  const std::string rest = path.substr(share.size());
  if (rest.empty()) return AddBackslash(drive);
  if (rest[0] == '\\') return RemoveBackslash(drive) + rest;
  return AddBackslash(drive) + rest;
}

UINT DriveTypeOfPath(const std::string& path) {
  if (path.size() >= 2 && path[0] == '\\' && path[1] == '\\') return DRIVE_REMOTE;
  return ::GetDriveTypeA(path.substr(0, 3).c_str());
}

}  // namespace kestra
