#include "system/FileSys.h"

#include <windows.h>

#include <vector>

#include "system/Changes.h"
#include "system/Handles.h"
#include "system/Mbcs.h"
#include "system/RunLog.h"

namespace kestra {

using changes::Assumed;
using changes::Kind;

bool FileExists(const std::string& path) {
  if (const std::optional<Assumed> assumed = changes::AssumedAt(path))
    return assumed->what == Assumed::What::File;
  DWORD attributes = ::GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

int64_t FileSize(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data) ||
      (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
    return -1;
  return static_cast<int64_t>((static_cast<uint64_t>(data.nFileSizeHigh) << 32) |
                              data.nFileSizeLow);
}

bool DirectoryExists(const std::string& path) {
  if (const std::optional<Assumed> assumed = changes::AssumedAt(path))
    return assumed->what == Assumed::What::Folder;
  DWORD attributes = ::GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool ForceDirectories(const std::string& path) {
  std::string dir = path;
  while (EndsWithChar(dir, '\\') && dir.size() > 3) dir.pop_back();
  if (dir.empty()) return false;
  if (DirectoryExists(dir)) return true;
  std::string parent = ExtractFilePath(dir);
  // Stop at a drive root ("C:\") or a UNC share, which cannot be created.
  if (!parent.empty() && parent.size() < dir.size() && parent != ExtractFileDrive(dir) + "\\")
    ForceDirectories(parent);
  return CreateFolder(dir) || DirectoryExists(dir);
}

bool CreateFolder(const std::string& path) {
  if (changes::Planning()) {
    if (DirectoryExists(path)) return false;
    changes::Plan(Kind::CreateFolder, path);
    return true;
  }
  if (::CreateDirectoryA(path.c_str(), nullptr)) {
    changes::Made(Kind::CreateFolder, path);
    return true;
  }
  const DWORD error = ::GetLastError();
  if (error != ERROR_ALREADY_EXISTS) changes::NotMade(Kind::CreateFolder, path, error);
  ::SetLastError(error);
  return false;
}

bool RemoveFile(const std::string& path) {
  if (changes::Planning()) {
    if (!FileExists(path)) return false;
    changes::Plan(Kind::DeleteFile, path);
    return true;
  }
  ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  if (::DeleteFileA(path.c_str())) {
    changes::Made(Kind::DeleteFile, path);
    return true;
  }
  const DWORD error = ::GetLastError();
  if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND)
    changes::NotMade(Kind::DeleteFile, path, error);
  ::SetLastError(error);
  return false;
}

bool CopyFileTo(const std::string& from, const std::string& to, bool replace) {
  if (changes::Planning()) {
    if (!replace && FileExists(to)) {
      ::SetLastError(ERROR_FILE_EXISTS);
      return false;
    }
    changes::Plan(Kind::CopyFile, to, "from " + from, FileAge(from));
    return true;
  }
  // A read-only copy would refuse the next run; the copy ends archive only.
  if (replace) ::SetFileAttributesA(to.c_str(), FILE_ATTRIBUTE_ARCHIVE);
  if (!::CopyFileA(from.c_str(), to.c_str(), replace ? FALSE : TRUE)) {
    const DWORD error = ::GetLastError();
    if (replace || error != ERROR_FILE_EXISTS) changes::NotMade(Kind::CopyFile, to, error);
    ::SetLastError(error);
    return false;
  }
  ::SetFileAttributesA(to.c_str(), FILE_ATTRIBUTE_ARCHIVE);
  changes::Made(Kind::CopyFile, to, "from " + from);
  return true;
}

void ResetAttributes(const std::string& path) {
  if (!changes::Planning()) ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_ARCHIVE);
}

bool RemoveFolderIfEmpty(const std::string& folder) {
  if (!DirectoryExists(folder) || IsReparsePoint(folder)) return false;
  if (changes::Planning()) {
    changes::Plan(Kind::RemoveFolder, folder);
    return true;
  }
  ::SetFileAttributesA(folder.c_str(), FILE_ATTRIBUTE_NORMAL);
  if (::RemoveDirectoryA(folder.c_str())) {
    changes::Made(Kind::RemoveFolder, folder);
    return true;
  }
  runlog::Write("Folder kept (not empty): " + folder);
  return false;
}

namespace {

bool IsSharingError(DWORD error) {
  return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION;
}

}  // namespace

bool FileInUse(const std::string& path, uint32_t error) {
  if (IsSharingError(error)) return true;
  // A held file refuses a replace with ERROR_ACCESS_DENIED, as a read-only
  // folder does; only the holder makes opening it for writing a violation.
  if (error != ERROR_ACCESS_DENIED && error != ERROR_SUCCESS) return false;
  const FileHandle file(::CreateFileA(path.c_str(), GENERIC_WRITE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  return !file && IsSharingError(::GetLastError());
}

bool IsReparsePoint(const std::string& path) {
  DWORD attributes = ::GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

namespace {

// A path function that fills a buffer and answers the length it needs when
// the buffer is too small; empty on failure.
template <typename Call>
std::string GrowingPathCall(Call call) {
  std::vector<char> buffer(MAX_PATH);
  for (int attempt = 0; attempt < 4; ++attempt) {
    const DWORD length = call(buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return std::string();
    if (length < buffer.size()) return std::string(buffer.data(), length);
    buffer.resize(length + 1);
  }
  return std::string();
}

// GetFullPathNameA's answer; empty when it has none.
std::string FullPathName(const std::string& path) {
  return GrowingPathCall([&](char* buffer, DWORD size) {
    return ::GetFullPathNameA(path.c_str(), size, buffer, nullptr);
  });
}

}  // namespace

std::string FullPath(const std::string& path) {
  if (path.empty()) return path;
  const std::string full = FullPathName(path);
  return full.empty() ? path : full;
}

std::string FullLongPath(const std::string& path) {
  if (path.empty()) return path;
  const std::string full = FullPathName(path);
  if (full.empty()) return path;
  // GetLongPathNameA answers only for an existing path: expand the longest
  // existing head and keep the rest as written.
  std::string head = full;
  std::string tail;
  for (;;) {
    const std::string expanded = GrowingPathCall([&](char* buffer, DWORD size) {
      return ::GetLongPathNameA(head.c_str(), buffer, size);
    });
    if (!expanded.empty()) return expanded + tail;
    std::string trimmed = head;
    if (EndsWithChar(trimmed, '\\')) trimmed.pop_back();
    const std::string parent = ExtractFilePath(trimmed);
    if (parent.empty() || parent.size() >= head.size()) return full;
    tail = head.substr(parent.size()) + tail;
    head = parent;
  }
}

std::string WindowsFolder() {
  char buffer[256];
  UINT len = ::GetWindowsDirectoryA(buffer, sizeof buffer);
  return (len == 0 || len >= sizeof buffer) ? std::string() : std::string(buffer, len);
}

std::string SystemFolder() {
  char buffer[260];
  UINT len = ::GetSystemDirectoryA(buffer, sizeof buffer);
  return (len == 0 || len >= sizeof buffer) ? std::string() : std::string(buffer, len);
}

bool ReadWholeFile(const std::string& path, std::string& bytes) {
  FileHandle file(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  std::string text;
  char buffer[8192];
  for (;;) {
    DWORD got = 0;
    if (!::ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr)) return false;
    if (got == 0) break;
    text.append(buffer, got);
  }
  bytes = std::move(text);
  return true;
}

int64_t FileAge(const std::string& path) {
  if (const std::optional<Assumed> assumed = changes::AssumedAt(path))
    return assumed->what == Assumed::What::File ? assumed->age : -1;
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data) ||
      (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
    return -1;
  FILETIME local{};
  WORD date = 0, time = 0;
  if (!::FileTimeToLocalFileTime(&data.ftLastWriteTime, &local) ||
      !::FileTimeToDosDateTime(&local, &date, &time))
    return -1;
  return static_cast<int64_t>(date) << 16 | time;
}

std::string ProgramFilePath() {
  std::vector<char> buffer(MAX_PATH);
  for (;;) {
    DWORD len = ::GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (len == 0) return std::string();
    if (len < buffer.size()) return NormalizeModulePath(std::string_view(buffer.data(), len));
    buffer.resize(buffer.size() * 2);
  }
}

std::string NormalizeModulePath(std::string_view path) {
  auto starts = [&](std::string_view prefix) {
    return path.size() >= prefix.size() &&
           ::CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, path.data(),
                            static_cast<int>(prefix.size()), prefix.data(),
                            static_cast<int>(prefix.size())) == CSTR_EQUAL;
  };
  if (starts("\\\\?\\UNC\\")) return "\\\\" + std::string(path.substr(8));
  if (starts("\\??\\UNC\\")) return "\\\\" + std::string(path.substr(8));
  if (starts("UNC\\")) return "\\\\" + std::string(path.substr(4));
  if (starts("\\\\?\\") || starts("\\??\\")) return std::string(path.substr(4));
  return std::string(path);
}

}  // namespace kestra
