#include "TempFile.h"

#include <atomic>
#include <cstddef>
#include <cstdio>
#include <vector>

#include "MemberName.h"

namespace ezip {

namespace {

// Folder part of a path, without its last separator; empty when there is none.
std::string FolderOf(const std::string& path) {
  std::size_t last = std::string::npos;
  for (std::size_t i = 0; i < path.size(); ++i) {
    if (IsLeadByte(static_cast<unsigned char>(path[i])) && i + 1 < path.size()) {
      ++i;
    } else if (path[i] == '\\' || path[i] == '/') {
      last = i;
    }
  }
  return last == std::string::npos ? std::string() : path.substr(0, last);
}

bool IsFolder(const std::string& path) {
  const DWORD attributes = ::GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Creates the folder and its missing parents; created receives those this
// call made, outermost first. Creating a parent that exists, a drive root or a
// share fails harmlessly; the final test decides.
bool CreateFolders(const std::string& folder, std::vector<std::string>& created) {
  auto create = [&](std::string path) {
    if (::CreateDirectoryA(path.c_str(), nullptr)) created.push_back(std::move(path));
  };
  for (std::size_t i = 0; i < folder.size(); ++i) {
    if (IsLeadByte(static_cast<unsigned char>(folder[i])) && i + 1 < folder.size()) {
      ++i;
    } else if ((folder[i] == '\\' || folder[i] == '/') && i > 0) {
      create(folder.substr(0, i));
    }
  }
  create(folder);
  return IsFolder(folder);
}

// A file the user made read-only, or a folder, is not replaced (Windows itself
// refuses to move a file over either).
bool IsReplaceable(const std::string& destination) {
  const DWORD attributes = ::GetFileAttributesA(destination.c_str());
  return attributes == INVALID_FILE_ATTRIBUTES ||
         !(attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY));
}

bool IsExistsError(DWORD error) { return error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS; }

enum class RenameOutcome { kDone, kExists, kNotDone };

using SetFileInformationByHandleProc = BOOL(WINAPI*)(HANDLE, FILE_INFO_BY_HANDLE_CLASS, LPVOID,
                                                     DWORD);

// Resolved at run time: Windows before Vista lacks it (every member then
// takes the MoveFileExA path).
SetFileInformationByHandleProc SetInformationByHandle() {
  static const auto proc = reinterpret_cast<SetFileInformationByHandleProc>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("kernel32.dll"),
                                               "SetFileInformationByHandle")));
  return proc;
}

// Renames an open file (opened with DELETE access) to a path that must not
// exist yet. Under Wine this costs one name lookup where MoveFileExA, which
// reopens both names, costs three.
RenameOutcome RenameToNewName(HANDLE file, const std::string& destination) {
  const SetFileInformationByHandleProc setInformation = SetInformationByHandle();
  const int wideLength = ::MultiByteToWideChar(CP_ACP, 0, destination.c_str(), -1, nullptr, 0);
  if (setInformation == nullptr || wideLength <= 0) return RenameOutcome::kNotDone;
  std::vector<unsigned char> buffer(offsetof(FILE_RENAME_INFO, FileName) +
                                    static_cast<std::size_t>(wideLength) * sizeof(WCHAR));
  auto* rename = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
  rename->ReplaceIfExists = FALSE;
  rename->RootDirectory = nullptr;
  rename->FileNameLength = static_cast<DWORD>(wideLength - 1) * sizeof(WCHAR);
  ::MultiByteToWideChar(CP_ACP, 0, destination.c_str(), -1, rename->FileName, wideLength);
  if (setInformation(file, FileRenameInfo, rename, static_cast<DWORD>(buffer.size())))
    return RenameOutcome::kDone;
  return IsExistsError(::GetLastError()) ? RenameOutcome::kExists : RenameOutcome::kNotDone;
}

}  // namespace

TempFile::~TempFile() {
  handle_.reset();
  if (committed_) return;
  if (!path_.empty()) ::DeleteFileA(path_.c_str());
  for (auto folder = createdFolders_.rbegin(); folder != createdFolders_.rend(); ++folder)
    ::RemoveDirectoryA(folder->c_str());
}

bool TempFile::Create(const std::string& destination) {
  const std::string folder = FolderOf(destination);
  const std::string prefix = folder.empty() ? std::string() : folder + "\\";
  bool foldersMade = false;
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string path = prefix + UniqueName();
    // DELETE access lets the open file be renamed into place.
    handle_.reset(::CreateFileA(path.c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (handle_) {
      path_ = path;
      return true;
    }
    const DWORD error = ::GetLastError();
    if (error == ERROR_PATH_NOT_FOUND && !foldersMade && !folder.empty()) {
      foldersMade = true;
      if (!CreateFolders(folder, createdFolders_)) return false;
    } else if (!IsExistsError(error)) {
      return false;
    }
  }
  return false;
}

bool TempFile::CommitAs(const std::string& destination) {
  const RenameOutcome renamed = RenameToNewName(handle_.get(), destination);
  if (renamed == RenameOutcome::kDone) {
    if (::CloseHandle(handle_.release())) {
      committed_ = true;
      return true;
    }
    ::DeleteFileA(destination.c_str());  // written, but not known to be complete
    return false;
  }
  if (!::CloseHandle(handle_.release())) return false;
  bool exists = renamed == RenameOutcome::kExists;
  if (!exists) {
    committed_ = ::MoveFileExA(path_.c_str(), destination.c_str(), 0) != 0;
    if (committed_) return true;
    exists = IsExistsError(::GetLastError());
  }
  if (!exists || !IsReplaceable(destination)) return false;
  committed_ = ::MoveFileExA(path_.c_str(), destination.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
  return committed_;
}

std::string TempFile::UniqueName() {
  static std::atomic<unsigned> counter{0};
  char name[40];
  std::snprintf(name, sizeof name, "~EZ%lX-%X.TMP", ::GetCurrentProcessId(), counter++);
  return name;
}

}  // namespace ezip
