#include "WineTestEnv.h"

#include "BuildPaths.h"

#include <algorithm>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "system/FileSys.h"
#include "system/Handles.h"
#include "system/Mbcs.h"
#include "system/Registry.h"

namespace testenv {

std::string BuildDir() { return KESTRA_TEST_BUILD_DIR "\\"; }

std::string DistFile(const std::string& name) { return BuildDir() + "dist\\" + name; }

std::string SetupVariant() { return BuildDir() + "tests\\setup-variant\\SETUP.EXE"; }

std::string TestBinary(const std::string& name) { return BuildDir() + "tests\\bin\\" + name; }

const char* WineVersionName(WinVersion v) {
  switch (v) {
    case WinVersion::Win98: return "win98";
    case WinVersion::WinXP: return "winxp";
    case WinVersion::Vista: return "vista";
    case WinVersion::Win7: return "win7";
    case WinVersion::Win8: return "win8";
    case WinVersion::Win10: return "win10";
  }
  return "win7";
}

namespace {
std::string AppDefaultsKey(const std::string& program) {
  return "Software\\Wine\\AppDefaults\\" + program;
}
}  // namespace

ScopedWindowsVersion::ScopedWindowsVersion(WinVersion version, std::vector<std::string> programs)
    : programs_(std::move(programs)) {
  for (const std::string& program : programs_) {
    kestra::RegKey key = kestra::RegKey::Create(HKEY_CURRENT_USER, AppDefaultsKey(program));
    if (!key || !key.WriteString("Version", WineVersionName(version)))
      throw std::runtime_error("cannot set the Windows version of " + program);
  }
}

ScopedWindowsVersion::~ScopedWindowsVersion() {
  for (const std::string& program : programs_)
    kestra::DeleteKeyTree(HKEY_CURRENT_USER, AppDefaultsKey(program));
}

namespace {
std::optional<std::string> EnvironmentValue(const std::string& name) {
  const DWORD size = ::GetEnvironmentVariableA(name.c_str(), nullptr, 0);
  if (size == 0) return std::nullopt;
  std::string value(size, '\0');
  const DWORD length = ::GetEnvironmentVariableA(name.c_str(), value.data(), size);
  if (length >= size) return std::nullopt;
  value.resize(length);
  return value;
}
}  // namespace

ScopedEnvironment::ScopedEnvironment(std::string name, const std::string& value)
    : name_(std::move(name)), old_(EnvironmentValue(name_)) {
  if (!::SetEnvironmentVariableA(name_.c_str(), value.c_str()))
    throw std::runtime_error("cannot set " + name_);
}

ScopedEnvironment::~ScopedEnvironment() {
  ::SetEnvironmentVariableA(name_.c_str(), old_ ? old_->c_str() : nullptr);
}

bool RunsUnderWow64() {
  // Looked up: a 64-bit build has nothing to ask, Windows before XP SP2 no such call.
  using IsWow64ProcessFn = BOOL(WINAPI*)(HANDLE, PBOOL);
  const auto is_wow64 = reinterpret_cast<IsWow64ProcessFn>(reinterpret_cast<void*>(
      ::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "IsWow64Process")));
  BOOL wow64 = FALSE;
  return is_wow64 && is_wow64(::GetCurrentProcess(), &wow64) && wow64;
}

bool KeyExistsInView(HKEY root, const std::string& path, REGSAM view) {
  return static_cast<bool>(kestra::RegKey::Open(root, path, KEY_READ | view));
}

bool DeleteKeyTreeInView(HKEY root, const std::string& path, REGSAM view) {
  if (view == kDefaultView) return kestra::DeleteKeyTree(root, path);
  // The tree is deleted relative to its parent opened in the view: a subkey
  // path given from the root would be redirected again by its "SOFTWARE".
  const std::size_t cut = kestra::LastDelimiter(path, "\\");  // by character: code page 932
  const std::string parent_path = cut == std::string::npos ? std::string() : path.substr(0, cut);
  const std::string name = cut == std::string::npos ? path : path.substr(cut + 1);
  kestra::RegKey parent = kestra::RegKey::Open(root, parent_path, KEY_ALL_ACCESS | view);
  if (!parent) return !KeyExistsInView(root, path, view);
  ::RegDeleteTreeA(parent.get(), name.c_str());
  ::RegDeleteKeyExA(parent.get(), name.c_str(), view, 0);
  parent.Close();
  return !KeyExistsInView(root, path, view);
}

ScopedFsRedirectionOff::ScopedFsRedirectionOff() {
  using DisableFn = BOOL(WINAPI*)(PVOID*);
  const auto disable = reinterpret_cast<DisableFn>(reinterpret_cast<void*>(
      ::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "Wow64DisableWow64FsRedirection")));
  off_ = disable && disable(&old_);
}

ScopedFsRedirectionOff::~ScopedFsRedirectionOff() {
  using RevertFn = BOOL(WINAPI*)(PVOID);
  const auto revert = reinterpret_cast<RevertFn>(reinterpret_cast<void*>(
      ::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "Wow64RevertWow64FsRedirection")));
  if (off_ && revert) revert(old_);
}

ScopedRegistryCleanup::ScopedRegistryCleanup(HKEY root, std::string path, REGSAM view)
    : root_(root), path_(std::move(path)), view_(view) {
  DeleteKeyTreeInView(root_, path_, view_);
}

ScopedRegistryCleanup::~ScopedRegistryCleanup() { DeleteKeyTreeInView(root_, path_, view_); }

std::string Garbage(std::size_t size, uint32_t seed) {
  std::string bytes(size, '\0');
  for (char& c : bytes) {
    seed = seed * 1103515245u + 12345u;
    c = static_cast<char>(seed >> 16);
  }
  return bytes;
}

ScopedProductRoots::ScopedProductRoots()
    : base_("Software\\KestraTestRoots\\" + std::to_string(::GetCurrentProcessId())) {
  kestra::DeleteKeyTree(HKEY_CURRENT_USER, base_);
  machine_ = kestra::RegKey::Create(HKEY_CURRENT_USER, base_ + "\\Machine");
  user_ = kestra::RegKey::Create(HKEY_CURRENT_USER, base_ + "\\User");
  if (!machine_ || !user_) throw std::runtime_error("cannot create the test's registry roots");
  before_ = kestra::SetProductRoots({machine_.get(), user_.get()});
}

ScopedProductRoots::ShellPlaces ScopedProductRoots::PlaceShellFolders(const std::string& base) {
  // Written out here, not taken from SETUP's sources, so that a wrong key in SETUP shows.
  constexpr char kShellFolders[] =
      "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
  const ShellPlaces places{base + "Desktop\\", base + "Programs\\", base + "All Programs\\"};
  const struct {
    HKEY root;
    const char* name;
    const std::string& folder;
  } values[] = {{User(), "Desktop", places.desktop},
                {User(), "Programs", places.user_programs},
                {Machine(), "Common Programs", places.common_programs}};
  for (const auto& value : values) {
    kestra::ForceDirectories(value.folder);
    kestra::RegKey key = kestra::RegKey::Create(value.root, kShellFolders);
    // Without the trailing backslash, as the shell keeps them.
    if (!key || !key.WriteString(value.name, value.folder.substr(0, value.folder.size() - 1)))
      throw std::runtime_error("cannot place the shell folder " + std::string(value.name));
  }
  return places;
}

ScopedProductRoots::~ScopedProductRoots() {
  kestra::SetProductRoots(before_);
  machine_.Close();
  user_.Close();
  kestra::DeleteKeyTree(HKEY_CURRENT_USER, base_);
}

namespace {

// The Unix path of a Windows path, as Wine maps it.
std::string UnixPathOf(const std::string& path) {
  using ToUnix = char*(CDECL*)(const wchar_t*);
  auto to_unix = reinterpret_cast<ToUnix>(reinterpret_cast<void*>(
      ::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
  if (!to_unix) return std::string();
  const int length = ::MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, nullptr, 0);
  std::wstring wide(length, L'\0');
  ::MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide.data(), length);
  char* unix_path = to_unix(wide.c_str());
  if (!unix_path) return std::string();
  std::string result = unix_path;
  ::HeapFree(::GetProcessHeap(), 0, unix_path);
  return result;
}

// Starts a Unix program of the host (Wine runs an ELF file that CreateProcess
// names) and waits until done() holds, at most 10 s. The paths in the command
// must be plain ASCII: Wine hands them on in the Unix character set.
template <typename Done>
bool RunHostCommand(const std::string& command, Done done) {
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  std::string line = command;
  if (!::CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &info))
    return false;
  kestra::KernelHandle process(info.hProcess), thread(info.hThread);
  for (int i = 0; i < 200 && !done(); ++i) ::Sleep(50);
  return done();
}

bool IsLink(const std::string& path) {
  const DWORD attributes = ::GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

// Removes a link itself, never what it names.
void RemoveLink(const std::string& link) {
  RunHostCommand("Z:\\bin\\rm -f \"" + UnixPathOf(link) + "\"",
                 [&] { return ::GetFileAttributesA(link.c_str()) == INVALID_FILE_ATTRIBUTES; });
}

void DeleteTree(const std::string& folder) {
  WIN32_FIND_DATAA data;
  kestra::FindHandle find(::FindFirstFileA((folder + "\\*").c_str(), &data));
  if (!find) return;
  do {
    std::string name = data.cFileName;
    if (name == "." || name == "..") continue;
    std::string path = folder + "\\" + name;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
      RemoveLink(path);
      continue;
    }
    ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      DeleteTree(path);
      ::RemoveDirectoryA(path.c_str());
    } else {
      ::DeleteFileA(path.c_str());
    }
  } while (::FindNextFileA(find.get(), &data));
}

}  // namespace

bool PlantFolderLink(const std::string& link, const std::string& target) {
  const std::string unix_link = UnixPathOf(link), unix_target = UnixPathOf(target);
  if (unix_link.empty() || unix_target.empty()) return false;
  return RunHostCommand("Z:\\bin\\ln -s \"" + unix_target + "\" \"" + unix_link + "\"",
                        [&] { return IsLink(link); });
}

void SetFileDate(const std::string& path, WORD year, WORD month) {
  SYSTEMTIME when{};
  when.wYear = year;
  when.wMonth = month;
  when.wDay = 1;
  FILETIME time{};
  ::SystemTimeToFileTime(&when, &time);
  kestra::FileHandle file(::CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ,
                                        nullptr, OPEN_EXISTING, 0, nullptr));
  if (!file || !::SetFileTime(file.get(), nullptr, nullptr, &time))
    throw std::runtime_error("cannot date " + path);
}

std::string LzData(const std::string& name) { return BuildDir() + "tests\\lzdata\\" + name; }

void ResetFolder(const std::string& folder) {
  std::string dir = folder;
  while (kestra::EndsWithChar(dir, '\\') && dir.size() > 3) dir.pop_back();
  DeleteTree(dir);
  kestra::ForceDirectories(dir);
}

void WriteFile(const std::string& path, const std::string& bytes) {
  kestra::ForceDirectories(kestra::ExtractFilePath(path));
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path);
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

bool CopyFileTo(const std::string& from, const std::string& to) {
  kestra::ForceDirectories(kestra::ExtractFilePath(to));
  return ::CopyFileA(from.c_str(), to.c_str(), FALSE) != FALSE;
}

std::vector<std::string> NamesIn(const std::string& folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA data;
  kestra::FindHandle find(::FindFirstFileA((kestra::AddBackslash(folder) + "*").c_str(), &data));
  if (!find) return names;
  do {
    const std::string name = data.cFileName;
    if (name != "." && name != "..") names.push_back(name);
  } while (::FindNextFileA(find.get(), &data));
  std::sort(names.begin(), names.end());
  return names;
}

uint64_t FileIdentity(const std::string& path) {
  kestra::FileHandle file(::CreateFileA(path.c_str(), 0,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, OPEN_EXISTING, 0, nullptr));
  BY_HANDLE_FILE_INFORMATION info{};
  if (!file || !::GetFileInformationByHandle(file.get(), &info))
    throw std::runtime_error("no identity for " + path);
  return static_cast<uint64_t>(info.nFileIndexHigh) << 32 | info.nFileIndexLow;
}

// ---- A full disk --------------------------------------------------------------

namespace {

// Written by tests/support/smallfs into the file system it mounted.
constexpr char kSmallFileSystemMarker[] = ".kestra-small-fs";
// Larger than any file system the fixtures mount: a filler never fills a real disk.
constexpr uint64_t kSmallFileSystemLimit = 64ull << 20;
constexpr char kFillerName[] = "disk-filler.bin";

uint64_t TotalBytes(const std::string& folder) {
  ULARGE_INTEGER free{}, total{};
  if (!::GetDiskFreeSpaceExA(kestra::AddBackslash(folder).c_str(), &free, &total, nullptr))
    return 0;
  return total.QuadPart;
}

}  // namespace

std::string SmallFileSystemFolder(const std::string& program) {
  return kInProcessWork + "small_fs\\" + program + "\\";
}

bool IsSmallFileSystem(const std::string& folder) {
  const uint64_t total = TotalBytes(folder);
  return kestra::FileExists(kestra::AddBackslash(folder) + kSmallFileSystemMarker) && total > 0 &&
         total < kSmallFileSystemLimit;
}

std::string NoSmallFileSystem(const std::string& folder) {
  return "no small file system is mounted over " + folder +
         ": its CTest fixture (tests/support/smallfs) mounts a tmpfs there as root; mounting "
         "is not allowed here, or the fixture did not run (see its output)";
}

DiskFiller::DiskFiller(const std::string& folder, uint64_t spare)
    : path_(kestra::AddBackslash(folder) + kFillerName) {
  if (!IsSmallFileSystem(folder)) throw std::runtime_error(NoSmallFileSystem(folder));
  kestra::FileHandle file(::CreateFileA(path_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) throw std::runtime_error("cannot create " + path_);
  const std::vector<char> chunk(64 * 1024, '\0');
  uint64_t size = 0;
  DWORD error = ERROR_SUCCESS;
  while (size < kSmallFileSystemLimit) {
    DWORD written = 0;
    const BOOL ok = ::WriteFile(file.get(), chunk.data(), static_cast<DWORD>(chunk.size()),
                                &written, nullptr);
    size += written;
    if (!ok) {
      error = ::GetLastError();
      break;
    }
  }
  if (error != ERROR_DISK_FULL && error != ERROR_HANDLE_DISK_FULL)
    throw std::runtime_error("the disk of " + folder + " never filled (error " +
                             std::to_string(error) + ")");
  LARGE_INTEGER end{};
  end.QuadPart = static_cast<LONGLONG>(size > spare ? size - spare : 0);
  if (!::SetFilePointerEx(file.get(), end, nullptr, FILE_BEGIN) || !::SetEndOfFile(file.get()))
    throw std::runtime_error("cannot cut " + path_);
}

DiskFiller::~DiskFiller() { ::DeleteFileA(path_.c_str()); }

uint64_t DiskFiller::FreeBytes() const {
  ULARGE_INTEGER free{};
  if (!::GetDiskFreeSpaceExA(kestra::ExtractFilePath(path_).c_str(), &free, nullptr, nullptr))
    return 0;
  return free.QuadPart;
}

}  // namespace testenv
