#include "MemberExpander.h"

#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdio>
#include <vector>

#include "MemberName.h"
#include "system/Handles.h"

namespace ezip {

namespace {

constexpr std::uint32_t kLocalSignature = 0x04034B50;  // PK\3\4
constexpr std::uint32_t kLocalHeaderSize = 30;
// The progress callback runs after every chunk written.
constexpr std::uint32_t kOutputChunk = 64 * 1024;
constexpr std::uint32_t kInputChunk = 256 * 1024;

// Where the member's data starts, once its local header has been checked and
// the data is known to end before the central directory.
std::optional<std::uint64_t> LocateData(HANDLE archive, const ZipDirectory& directory,
                                        const ZipEntry& entry) {
  const std::uint64_t header = entry.localHeaderOffset;
  if (header + kLocalHeaderSize > directory.DataLimit()) return std::nullopt;
  unsigned char local[kLocalHeaderSize];
  if (!ReadAt(archive, header, local, kLocalHeaderSize)) return std::nullopt;
  if (Le32(local) != kLocalSignature) return std::nullopt;
  const std::uint64_t data = header + kLocalHeaderSize + Le16(local + 26) + Le16(local + 28);
  if (data + entry.compressedSize > directory.DataLimit()) return std::nullopt;
  return data;
}

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

// A file beside the destination that disappears unless it is committed.
class TempFile {
 public:
  TempFile() = default;
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;
  // An abandoned member takes its temporary file and the folders made for it.
  ~TempFile() {
    handle_.reset();
    if (committed_) return;
    if (!path_.empty()) ::DeleteFileA(path_.c_str());
    for (auto folder = createdFolders_.rbegin(); folder != createdFolders_.rend(); ++folder)
      ::RemoveDirectoryA(folder->c_str());
  }

  bool Create(const std::string& destination) {
    const std::string folder = FolderOf(destination);
    const std::string prefix = folder.empty() ? std::string() : folder + "\\";
    bool foldersMade = false;
    for (int attempt = 0; attempt < 100; ++attempt) {
      const std::string path = prefix + UniqueName();
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

  HANDLE Handle() const { return handle_.get(); }

  // Puts the file in place as the destination. A new destination is the
  // common case: the open file is renamed without reopening anything. An
  // existing one is looked at (a read-only file or a folder is not replaced)
  // and then replaced by MoveFileExA, which also refuses a file that another
  // process holds open.
  bool CommitAs(const std::string& destination) {
    const RenameOutcome renamed = RenameToNewName(handle_.get(), destination);
    if (renamed == RenameOutcome::kDone) {
      committed_ = true;
      if (::CloseHandle(handle_.release())) return true;
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

 private:
  static std::string UniqueName() {
    static std::atomic<unsigned> counter{0};
    char name[40];
    std::snprintf(name, sizeof name, "~EZ%lX-%X.TMP", ::GetCurrentProcessId(), counter++);
    return name;
  }

  kestra::FileHandle handle_;
  std::string path_;
  std::vector<std::string> createdFolders_;
  bool committed_ = false;
};

// Receives the expanded bytes: writes them, keeps the CRC and reports
// progress. Refuses more bytes than the member declares.
class MemberSink {
 public:
  MemberSink(HANDLE file, std::uint32_t expectedSize, EZipProgressProc progress)
      : file_(file), expected_(expectedSize), progress_(progress) {}

  bool Put(const unsigned char* data, std::uint32_t size) {
    if (size > expected_ - written_) return false;
    DWORD done = 0;
    if (!::WriteFile(file_, data, size, &done, nullptr) || done != size) return false;
    crc_ = static_cast<std::uint32_t>(::crc32(crc_, data, size));
    written_ += size;
    return Report();
  }

  // True when exactly the declared bytes arrived with the declared CRC.
  bool Finish(std::uint32_t expectedCrc) {
    if (written_ != expected_ || crc_ != expectedCrc) return false;
    return reported_ || Report();
  }

  std::uint32_t Written() const { return written_; }

 private:
  bool Report() {
    reported_ = true;
    return progress_ == nullptr || progress_(written_, expected_) == 0;
  }

  HANDLE file_;
  std::uint32_t expected_;
  EZipProgressProc progress_;
  std::uint32_t written_ = 0;
  std::uint32_t crc_ = 0;
  bool reported_ = false;
};

bool CopyStored(HANDLE archive, std::uint64_t data, const ZipEntry& entry, MemberSink& sink) {
  if (entry.compressedSize != entry.size) return false;
  std::vector<unsigned char> buffer(std::min(entry.size, kOutputChunk));
  for (std::uint32_t left = entry.size; left > 0;) {
    const std::uint32_t n = std::min(left, kOutputChunk);
    if (!ReadAt(archive, data, buffer.data(), n) || !sink.Put(buffer.data(), n)) return false;
    data += n;
    left -= n;
  }
  return true;
}

class RawInflater {
 public:
  RawInflater() { ok_ = ::inflateInit2(&stream_, -MAX_WBITS) == Z_OK; }
  ~RawInflater() {
    if (ok_) ::inflateEnd(&stream_);
  }
  RawInflater(const RawInflater&) = delete;
  RawInflater& operator=(const RawInflater&) = delete;
  bool Ok() const { return ok_; }
  z_stream& Stream() { return stream_; }

 private:
  z_stream stream_{};
  bool ok_ = false;
};

bool Inflate(HANDLE archive, std::uint64_t data, const ZipEntry& entry, MemberSink& sink) {
  RawInflater inflater;
  if (!inflater.Ok()) return false;
  z_stream& z = inflater.Stream();
  std::vector<unsigned char> in(std::min(std::max(entry.compressedSize, 1u), kInputChunk));
  std::vector<unsigned char> out(kOutputChunk);
  std::uint32_t unread = entry.compressedSize;
  for (;;) {
    if (z.avail_in == 0) {
      if (unread == 0) return false;  // the stream ends before its end marker
      const std::uint32_t n = std::min(unread, kInputChunk);
      if (!ReadAt(archive, data, in.data(), n)) return false;
      data += n;
      unread -= n;
      z.next_in = in.data();
      z.avail_in = n;
    }
    z.next_out = out.data();
    z.avail_out = kOutputChunk;
    const int result = ::inflate(&z, Z_NO_FLUSH);
    if (result != Z_OK && result != Z_STREAM_END) return false;
    const std::uint32_t produced = kOutputChunk - z.avail_out;
    if (produced > 0 && !sink.Put(out.data(), produced)) return false;
    if (result == Z_STREAM_END) return true;
  }
}

// Gives the file the member's time (DOS time is local time).
void StampTime(HANDLE file, const ZipEntry& entry) {
  FILETIME local, utc;
  if (::DosDateTimeToFileTime(entry.dosDate, entry.dosTime, &local) &&
      ::LocalFileTimeToFileTime(&local, &utc))
    ::SetFileTime(file, nullptr, nullptr, &utc);
}

}  // namespace

std::optional<std::uint32_t> ExpandMember(HANDLE archive, const ZipDirectory& directory,
                                          const ZipEntry& entry, const std::string& destination,
                                          EZipProgressProc progress) {
  if (entry.needsZip64 || entry.IsEncrypted() || !entry.HasSupportedMethod()) return std::nullopt;
  const std::optional<std::uint64_t> data = LocateData(archive, directory, entry);
  if (!data) return std::nullopt;

  TempFile temp;
  if (!temp.Create(destination)) return std::nullopt;
  MemberSink sink(temp.Handle(), entry.size, progress);
  const bool copied = entry.method == kMethodStored ? CopyStored(archive, *data, entry, sink)
                                                    : Inflate(archive, *data, entry, sink);
  if (!copied || !sink.Finish(entry.crc32)) return std::nullopt;
  StampTime(temp.Handle(), entry);
  if (!temp.CommitAs(destination)) return std::nullopt;
  return sink.Written();
}

}  // namespace ezip
