#include "system/ReplacementFile.h"

#include <algorithm>

#include "system/Changes.h"
#include "system/FileSys.h"
#include "system/Mbcs.h"

namespace kestra {

namespace {

// Windows refuses to move a file over a read-only file or a folder; asking
// first gives the same answer where the platform would not (Wine running as
// root ignores the read-only bit).
bool CanBeReplaced(const std::string& target) {
  const DWORD attributes = ::GetFileAttributesA(target.c_str());
  return attributes == INVALID_FILE_ATTRIBUTES ||
         !(attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY));
}

}  // namespace

std::string ReplacementPathOf(const std::string& target) {
  return ExtractFilePath(target) + "~" + ExtractFileName(target);
}

ReplacementFile::ReplacementFile(std::string target, changes::Kind kind, std::string detail)
    : target_(std::move(target)),
      temporary_(ReplacementPathOf(target_)),
      kind_(kind),
      detail_(std::move(detail)) {}

ReplacementFile::~ReplacementFile() {
  file_.reset();
  if (created_ && !committed_) {
    ::SetFileAttributesA(temporary_.c_str(), FILE_ATTRIBUTE_NORMAL);
    ::DeleteFileA(temporary_.c_str());
  }
}

bool ReplacementFile::Fail() {
  error_ = ::GetLastError();
  return false;
}

bool ReplacementFile::Refuse(DWORD error) {
  error_ = error;
  return false;
}

bool ReplacementFile::Create() {
  // A run that only plans writes nothing: the commit goes to the plan.
  if (changes::Planning()) return created_ = true;
  if (!CanBeReplaced(target_)) return Refuse(ERROR_ACCESS_DENIED);
  // A leftover of a run ended while it wrote may be read-only (a copied file
  // keeps the attributes of its source).
  ::SetFileAttributesA(temporary_.c_str(), FILE_ATTRIBUTE_NORMAL);
  file_.reset(::CreateFileA(temporary_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file_) return Fail();
  created_ = true;
  return true;
}

bool ReplacementFile::Write(std::string_view bytes) {
  if (changes::Planning()) return created_;
  if (!file_) return Refuse(ERROR_INVALID_HANDLE);
  while (!bytes.empty()) {
    const DWORD piece = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 30));
    DWORD written = 0;
    if (!::WriteFile(file_.get(), bytes.data(), piece, &written, nullptr)) return Fail();
    // Nothing taken and no error: the disk takes no more.
    if (written == 0) return Refuse(ERROR_HANDLE_DISK_FULL);
    bytes.remove_prefix(written);
  }
  return true;
}

void ReplacementFile::Close() { file_.reset(); }

bool ReplacementFile::Commit() {
  if (!created_) return Refuse(ERROR_INVALID_HANDLE);
  if (changes::Planning()) {
    changes::Plan(kind_, target_, detail_);
    return committed_ = true;
  }
  if (!file_) {
    // Written by name meanwhile, perhaps as a copy of a read-only file.
    ::SetFileAttributesA(temporary_.c_str(), FILE_ATTRIBUTE_NORMAL);
    file_.reset(::CreateFileA(temporary_.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file_) return Fail();
  }
  // On the disk before it takes the old file's name: a rename that reaches the
  // disk before the data it names would leave an empty or cut file in its place.
  if (!::FlushFileBuffers(file_.get())) return Fail();
  if (!::CloseHandle(file_.release())) return Fail();
  if (!CanBeReplaced(target_)) return Refuse(ERROR_ACCESS_DENIED);
  if (!::MoveFileExA(temporary_.c_str(), target_.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    Fail();
    changes::NotMade(kind_, target_, error_);
    return false;
  }
  committed_ = true;
  changes::Made(kind_, target_, detail_);
  return true;
}

bool ReplaceFileContent(const std::string& target, std::string_view bytes) {
  ReplacementFile file(target);
  return file.Create() && file.Write(bytes) && file.Commit();
}

}  // namespace kestra
