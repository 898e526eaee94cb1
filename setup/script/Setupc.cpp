#include "script/Setupc.h"

#include <windows.h>
#include <lzexpand.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <limits>
#include <optional>
#include <unordered_map>
#include <vector>

#include "script/Profile.h"
#include "system/Changes.h"
#include "system/CodePage.h"
#include "system/FileSys.h"
#include "system/Handles.h"
#include "system/Mbcs.h"
#include "system/RunLog.h"
#include "system/SysQuery.h"
#include "system/SystemLibrary.h"

namespace kestra {

namespace {

// LZOpenFileA keeps the name in an OFSTRUCT of 128 bytes.
bool FitsOpenFile(const std::string& path) { return path.size() < OFS_MAXPATHNAME; }

constexpr DWORD kCopyBlock = 256 * 1024;

// The platform's LZ expansion, LZ32.DLL from the system folder, for one copy.
class LzExpansion {
 public:
  LzExpansion()
      : open_(library_.Find<decltype(&::LZOpenFileA)>("LZOpenFileA")),
        copy_(library_.Find<decltype(&::LZCopy)>("LZCopy")),
        close_(library_.Find<decltype(&::LZClose)>("LZClose")) {}

  // Without all three functions nothing can be expanded.
  explicit operator bool() const { return open_ && copy_ && close_; }

  LzHandle Open(const std::string& path, WORD mode) const {
    std::array<char, OFS_MAXPATHNAME> name{};
    path.copy(name.data(), name.size() - 1);
    OFSTRUCT open_info{};
    return LzHandle(open_(name.data(), &open_info, mode), close_);
  }

  // LZCopy writes through the file handle as an HFILE, as LZOpenFileA hands it out.
  LONG Copy(const LzHandle& in, const FileHandle& out) const {
    return copy_(in.get(), static_cast<INT>(reinterpret_cast<INT_PTR>(out.get())));
  }

 private:
  SystemLibrary library_{"LZ32.DLL"};
  decltype(&::LZOpenFileA) open_;
  decltype(&::LZCopy) copy_;
  decltype(&::LZClose) close_;
};

void SetArchiveOnly(const std::string& path) {
  ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_ARCHIVE);
}

// A source opened for reading without denying anyone.
FileHandle OpenSource(const std::string& path) {
  return FileHandle(::CreateFileA(path.c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
}

// A size as the progress counts it: −1 when it is too large for 32 bits.
int64_t CountedSize(int64_t size) {
  return size > std::numeric_limits<int32_t>::max() ? -1 : size;
}

// Its size; −1 when it is too large for the 32-bit size the progress counts.
int64_t SizeOf(const FileHandle& file) {
  LARGE_INTEGER size{};
  if (!file || !::GetFileSizeEx(file.get(), &size)) return -1;
  return CountedSize(size.QuadPart);
}

// The sizes of the files in the folders the sources lie in, one listing per
// folder: opening every source for its size costs a quarter of a millisecond
// per file under Wine, a listing about as much per folder.
class ListedSizes {
 public:
  // The size of the file at path as its folder lists it; nothing when the
  // listing cannot tell for certain what opening the path would find.
  std::optional<int64_t> Find(const std::string& path) {
    // Only a path the system takes as written (no "." or ".." parts, no
    // trailing dots, no device name, no "/") names a listed entry as written;
    // a short name, a name in other letter case or one that is no file is
    // left to opening the path.
    if (FullPath(path) != path) return std::nullopt;
    const std::optional<std::u16string> folder = Cp932ToUtf16(ExtractFilePath(path));
    const std::optional<std::u16string> name = Cp932ToUtf16(ExtractFileName(path));
    if (!folder || !name || folder->empty() || name->empty()) return std::nullopt;
    const Files& files = FilesOf(*folder);
    const auto found = files.find(*name);
    if (found == files.end()) return std::nullopt;
    return found->second;
  }

 private:
  // The plain files of a folder by their names (UTF-16, as the ANSI calls
  // turn a code page 932 name into the name they open).
  using Files = std::unordered_map<std::u16string, int64_t>;

  const Files& FilesOf(const std::u16string& folder) {
    const auto listed = folders_.find(folder);
    if (listed != folders_.end()) return listed->second;
    return folders_.emplace(folder, List(folder)).first->second;
  }

  static Files List(const std::u16string& folder) {
    Files files;
    const std::u16string pattern = folder + u"*";
    WIN32_FIND_DATAW data;
    FindHandle find(::FindFirstFileW(reinterpret_cast<const wchar_t*>(pattern.c_str()), &data));
    if (!find) return files;
    do {
      // A folder does not open as a source; a link's size is its target's,
      // which the listing need not show.
      if (data.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT))
        continue;
      const int64_t size = static_cast<int64_t>(
          (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow);
      files.emplace(reinterpret_cast<const char16_t*>(data.cFileName), CountedSize(size));
    } while (::FindNextFileW(find.get(), &data));
    return files;
  }

  std::unordered_map<std::u16string, Files> folders_;
};

// The target, created empty with the archive attribute only (a read-only one
// is first made writable). It is created here rather than by
// LZOpenFileA(OF_CREATE): when that cannot create the name (a folder of that
// name, a file held by a running program) it quietly creates the name with
// its last character replaced by "_" instead, and the copy would report
// success for a file never written.
FileHandle CreateTarget(const std::string& target) {
  if (::GetFileAttributesA(target.c_str()) != INVALID_FILE_ATTRIBUTES) SetArchiveOnly(target);
  return FileHandle(::CreateFileA(target.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_ARCHIVE, nullptr));
}

bool IsLzHeader(const char* data, DWORD size) {
  static constexpr unsigned char kMagic[8] = {'S', 'Z', 'D', 'D', 0x88, 0xF0, 0x27, 0x33};
  return size >= sizeof kMagic &&
         std::equal(kMagic, kMagic + sizeof kMagic, reinterpret_cast<const unsigned char*>(data));
}

// What LZCopy does with a file that is not compressed, in large blocks: LZCopy
// moves 1,000 bytes per call, which makes copying an index of hundreds of
// megabytes several times slower than the file system allows. The first
// `filled` bytes of the file are in the block already. The target keeps the
// source's last-write time, as with LZCopy.
int32_t CopyUnchanged(const FileHandle& in, std::vector<char>& block, DWORD filled,
                      const std::string& target) {
  FileHandle out = CreateTarget(target);
  if (!out) return -1;
  bool copied = true;
  for (DWORD read = filled; read > 0;) {
    DWORD written = 0;
    if (!::WriteFile(out.get(), block.data(), read, &written, nullptr) || written != read ||
        !::ReadFile(in.get(), block.data(), static_cast<DWORD>(block.size()), &read, nullptr)) {
      copied = false;
      break;
    }
  }
  FILETIME last_write{};
  if (copied && ::GetFileTime(in.get(), nullptr, nullptr, &last_write))
    ::SetFileTime(out.get(), nullptr, nullptr, &last_write);
  return copied ? 0 : -1;
}

int32_t ExpandLz(const std::string& source, const std::string& target) {
  const LzExpansion lz;
  if (!lz) return -1;
  LzHandle in = lz.Open(source, OF_READ | OF_SHARE_DENY_NONE);
  if (!in) return -1;
  FileHandle out = CreateTarget(target);
  if (!out) return -1;
  const LONG copied = lz.Copy(in, out);
  in.reset();
  out.reset();
  SetArchiveOnly(target);
  return copied < 0 ? -1 : 0;
}

// LzExpandCopy for a source the caller has open already (the copy pass opens
// each source for its size anyway): a plain file is copied from that handle;
// a compressed one, or one that cannot be read, goes to the LZ functions.
int32_t ExpandOpened(FileHandle& opened, const std::string& source, const std::string& target,
                     std::vector<char>& block) {
  if (!FitsOpenFile(source)) return -1;
  // One buffer serves a whole section: a fresh block per file would cost
  // more in allocation and page faults than the copy itself.
  if (block.size() < kCopyBlock) block.resize(kCopyBlock);
  DWORD filled = 0;
  if (opened && ::ReadFile(opened.get(), block.data(), kCopyBlock, &filled, nullptr) &&
      !IsLzHeader(block.data(), filled))
    return CopyUnchanged(opened, block, filled, target);
  opened.reset();
  return ExpandLz(source, target);
}

bool Fits(const std::string& text) { return text.size() <= kScriptTextLimit; }

std::string TemporaryFolder() {
  char buffer[256];
  const DWORD len = ::GetTempPathA(sizeof buffer, buffer);
  if (len == 0 || len >= sizeof buffer) return std::string();
  return AddBackslash(std::string(buffer, len));
}

}  // namespace

int32_t LzExpandCopy(const std::string& source, const std::string& target) {
  FileHandle opened = OpenSource(source);
  std::vector<char> block;
  return ExpandOpened(opened, source, target, block);
}

std::string FileVersionText(const std::string& file) {
  // Without VERSION.dll no file shows a version.
  const SystemLibrary version_dll("VERSION.dll");
  const auto info_size =
      version_dll.Find<decltype(&::GetFileVersionInfoSizeA)>("GetFileVersionInfoSizeA");
  const auto info = version_dll.Find<decltype(&::GetFileVersionInfoA)>("GetFileVersionInfoA");
  const auto query_value = version_dll.Find<decltype(&::VerQueryValueA)>("VerQueryValueA");
  if (!info_size || !info || !query_value) return std::string();
  DWORD ignored = 0;
  const DWORD size = info_size(file.c_str(), &ignored);
  if (size == 0) return std::string();
  std::vector<char> block(size);
  if (!info(file.c_str(), 0, size, block.data())) return std::string();
  void* translation = nullptr;
  UINT translation_size = 0;
  if (!query_value(block.data(), "\\VarFileInfo\\Translation", &translation,
                   &translation_size) ||
      translation_size < sizeof(DWORD))
    return std::string();
  const auto* words = static_cast<const WORD*>(translation);
  char query[64];
  std::snprintf(query, sizeof query, "\\StringFileInfo\\%4.4X%4.4X\\FileVersion",
                static_cast<unsigned>(words[0]), static_cast<unsigned>(words[1]));
  void* text = nullptr;
  UINT text_size = 0;
  if (!query_value(block.data(), query, &text, &text_size) || text_size == 0)
    return std::string();
  // The length counts the terminator where there is one.
  std::string version(static_cast<const char*>(text), text_size);
  version.resize(std::string(version.c_str()).size());
  return version;
}

TSetupc::TSetupc() : temp_dir_(TemporaryFolder()) {}

std::string TSetupc::ExpandMacros(const std::string& text) const {
  return ExpandMacroText(text, MacroValues{DstDir, WindowsDir, SystemDir}).value_or(std::string());
}

int32_t TSetupc::MakePath(const std::string& folder) const {
  if (!Fits(folder)) return -1;
  if (DirectoryExists(folder)) return 0;
  if (FileExists(folder)) return -1;
  if (folder.size() <= 3) return -1;
  std::string path = folder;
  if (EndsWithChar(path, '\\')) path.pop_back();
  const std::size_t share_part = ExtractFileDrive(path).size();
  // Past the drive root ("X:\"): each level in turn, then the whole path.
  // A level that exists already or cannot be made is left to the final test.
  for (std::size_t at = FindChar(path, '\\', 3); at != std::string::npos;
       at = FindChar(path, '\\', at + 1)) {
    // The server and share of a UNC path are no folders to make.
    const std::string level = path.substr(0, at);
    if (level.size() > share_part && !DirectoryExists(level)) CreateFolder(level);
  }
  if (!DirectoryExists(path)) CreateFolder(path);
  return DirectoryExists(path) ? 0 : -1;
}

int32_t TSetupc::ExpandFile(const std::string& source, const std::string& destination) const {
  FileHandle opened = OpenSource(source);
  return ExpandOpened(opened, source, destination, copy_block_);
}

int32_t TSetupc::VersionCopy(const std::string& source, const std::string& destination) const {
  const std::string destination_version = FileVersionString(destination);
  std::string source_version;
  if (!destination_version.empty()) {
    source_version = FileVersionString(source);
    if (source_version.empty()) {
      // A compressed source shows its version block only once expanded, in a
      // scratch file of the temporary folder. Without that folder the scratch
      // name would be relative: a file of the current folder (the DVD's, or
      // wherever SETUP was started) expanded over and deleted. Refused.
      if (temp_dir_.empty()) return -1;
      const std::string scratch = temp_dir_ + "~" + ExtractFileName(destination);
      if (ExpandFile(source, scratch) == 0) source_version = FileVersionString(scratch);
      SetArchiveOnly(scratch);
      ::DeleteFileA(scratch.c_str());
    }
  }
  if (!VersionCopyWanted(destination_version, source_version, FileAge(destination),
                         FileAge(source)))
    return 0;
  return ExpandFile(source, destination);
}

// The disk as a section run sees it, through this component's steps.
class DiskScriptFiles final : public ScriptFileSystem {
 public:
  explicit DiskScriptFiles(TSetupc& component) : component_(component) {}

  int32_t MakePath(const std::string& folder) override { return component_.MakePath(folder); }

  int64_t OpenSource(const std::string& source) override {
    opened_ = kestra::OpenSource(source);
    return SizeOf(opened_);
  }

  // From the listing of the source's folder where it can tell; a source that
  // is listed but cannot be read fails the copy pass, which opens it.
  int64_t SourceSize(const std::string& source) override {
    if (const std::optional<int64_t> listed = listed_.Find(source)) return *listed;
    return ScriptFileSystem::SourceSize(source);
  }

  int32_t CopySource(const std::string& source, const std::string& destination) override {
    if (changes::Planning()) {
      changes::Plan(changes::Kind::CopyFile, destination);
      return 0;
    }
    for (;;) {
      const int32_t result = CopyOnce(source, destination);
      const DWORD error = ::GetLastError();
      if (result == 0) {
        // The size is looked up only for the log's line.
        if (runlog::IsOpen())
          changes::Made(changes::Kind::CopyFile, destination,
                        std::to_string(FileSize(destination)) + " bytes");
        return result;
      }
      changes::NotMade(changes::Kind::CopyFile, destination, error);
      if (!component_.RetryFileInUse || !FileInUse(destination, error) ||
          !component_.RetryFileInUse(destination))
        return result;
      opened_ = kestra::OpenSource(source);  // the attempt before read from it
    }
  }

  void CloseSource() override { opened_.reset(); }

 private:
  int32_t CopyOnce(const std::string& source, const std::string& destination) {
    return component_.VersionCheck
               ? component_.VersionCopy(source, destination)
               : ExpandOpened(opened_, source, destination, component_.copy_block_);
  }

  TSetupc& component_;
  FileHandle opened_;
  ListedSizes listed_;
};

int32_t TSetupc::RunSection(const std::string& section, const TSetupcProgress& progress) {
  for (std::string* folder : {&SrcDir, &DstDir, &WindowsDir, &SystemDir}) {
    *folder = AddBackslash(*folder);
    if (folder->empty()) return -1;
  }
  DiskScriptFiles files(*this);
  return RunScriptSection(*ProfileReadOnce(InfFile), section,
                          ScriptFolders{SrcDir, MacroValues{DstDir, WindowsDir, SystemDir}}, files,
                          progress);
}

}  // namespace kestra
