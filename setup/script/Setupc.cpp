#include "script/Setupc.h"

#include <windows.h>
#include <lzexpand.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <limits>
#include <vector>

#include "system/FileSys.h"
#include "system/Handles.h"
#include "system/Mbcs.h"
#include "system/SysQuery.h"

namespace kestra {

namespace {

// The macro names; only their first six characters are compared.
constexpr std::size_t kMacroWordLength = 6;
constexpr const char* kSetupMacro = "$setup";
constexpr const char* kWindowsMacro = "$windows";
constexpr const char* kSystemMacro = "$system";

bool SameWord(std::string_view word, const char* macro) {
  return ::CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, word.data(),
                          static_cast<int>(word.size()), macro,
                          static_cast<int>(kMacroWordLength)) == CSTR_EQUAL;
}

bool Fits(const std::string& text) { return text.size() <= kScriptTextLimit; }

// A part of a path that the system resolves upwards: ".." and, as Windows
// drops trailing dots and blanks from a name, "..." or ".. " as well.
bool ClimbsUp(const std::string& part) {
  return std::count(part.begin(), part.end(), '.') >= 2 &&
         part.find_first_not_of(". ") == std::string::npos;
}

// A place the script may make or write: a full path ("X:\..." or
// "\\server\share\...") that no part leads upwards out of, with no ":"
// after the drive (which would name a stream). The index script names its places
// through the macros; a name relative to whatever folder SETUP was started in
// (a macro cut short, "KSCOLL.INF$set") or one that climbs out of the folder a
// macro names would write where no installation writes.
bool IsPlainFullPath(const std::string& path) {
  const bool drive = path.size() >= 3 && path[1] == ':' && path[2] == '\\' &&
                     ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
  const bool unc = path.size() >= 3 && path[0] == '\\' && path[1] == '\\';
  if (!drive && !unc) return false;
  if (FindChar(path, ':', 2) != std::string::npos) return false;
  std::string part;
  for (std::size_t i = 0; i <= path.size(); ++i) {
    if (i == path.size() || path[i] == '\\' || path[i] == '/') {
      if (ClimbsUp(part)) return false;
      part.clear();
    } else if (IsLeadByte(static_cast<unsigned char>(path[i])) && i + 1 < path.size()) {
      part.append(path, i, 2);
      ++i;
    } else {
      part += path[i];
    }
  }
  return true;
}

// LZOpenFileA keeps the name in an OFSTRUCT of 128 bytes.
bool FitsOpenFile(const std::string& path) { return path.size() < OFS_MAXPATHNAME; }

constexpr DWORD kCopyBlock = 256 * 1024;

LzHandle OpenLz(const std::string& path, WORD mode) {
  std::array<char, OFS_MAXPATHNAME> name{};
  path.copy(name.data(), name.size() - 1);
  OFSTRUCT open_info{};
  const INT handle = ::LZOpenFileA(name.data(), &open_info, mode);
  return handle >= 0 ? LzHandle(handle) : LzHandle();
}

void SetArchiveOnly(const std::string& path) {
  ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_ARCHIVE);
}

// A source opened for reading without denying anyone.
FileHandle OpenSource(const std::string& path) {
  return FileHandle(::CreateFileA(path.c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
}

// Its size; −1 when it is too large for the 32-bit size the progress counts.
int64_t SizeOf(const FileHandle& file) {
  LARGE_INTEGER size{};
  if (!file || !::GetFileSizeEx(file.get(), &size)) return -1;
  if (size.QuadPart > std::numeric_limits<int32_t>::max()) return -1;
  return size.QuadPart;
}

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
  LzHandle in = OpenLz(source, OF_READ | OF_SHARE_DENY_NONE);
  if (!in) return -1;
  FileHandle out = CreateTarget(target);
  if (!out) return -1;
  // LZCopy writes through the file handle as an HFILE, as LZOpenFileA hands it out.
  const LONG copied =
      ::LZCopy(in.get(), static_cast<INT>(reinterpret_cast<INT_PTR>(out.get())));
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

std::string TemporaryFolder() {
  char buffer[256];
  const DWORD len = ::GetTempPathA(sizeof buffer, buffer);
  if (len == 0 || len >= sizeof buffer) return std::string();
  return AddBackslash(std::string(buffer, len));
}

}  // namespace

std::string ScriptEntryKey(const char* name, int32_t n) {
  char number[16];
  std::snprintf(number, sizeof number, "%2.2d", static_cast<int>(n));
  return std::string(name) + number;
}

std::optional<CopyEntry> SplitCopyEntry(const std::string& value) {
  const std::size_t comma = FindChar(value, ',');
  if (comma == std::string::npos) return std::nullopt;
  CopyEntry entry{value.substr(0, comma), value.substr(comma + 1)};
  if (entry.source.empty() || entry.destination.empty()) return std::nullopt;
  return entry;
}

std::optional<std::string> ExpandMacroText(const std::string& text, const MacroValues& values) {
  std::string result = text;
  const std::size_t dollar = FindChar(text, '$');
  if (dollar != std::string::npos) {
    const std::size_t slash = FindChar(text, '\\', dollar);
    const std::string rest = slash == std::string::npos ? std::string() : text.substr(slash + 1);
    const std::string_view word = std::string_view(text).substr(dollar, kMacroWordLength);
    if (word.size() == kMacroWordLength) {
      if (SameWord(word, kSetupMacro)) result = values.setup + rest;
      else if (SameWord(word, kWindowsMacro)) result = values.windows + rest;
      else if (SameWord(word, kSystemMacro)) result = values.system + rest;
    }
  }
  if (!Fits(result)) return std::nullopt;
  return result;
}

int32_t ProgressPercent(double done, double total) {
  if (total == 0) return 0;
  return static_cast<int32_t>(std::trunc(done / total * 100));
}

bool VersionCopyWanted(const std::string& destination_version, const std::string& source_version,
                       int64_t destination_age, int64_t source_age) {
  // Version texts compare as text, not as numbers: "1.10.0.0" sorts before
  // "1.9.0.0". The scripts this runs rely on that order.
  if (!destination_version.empty() && !source_version.empty() &&
      destination_version < source_version)
    return true;
  return destination_age < source_age;
}

int32_t LzExpandCopy(const std::string& source, const std::string& target) {
  FileHandle opened = OpenSource(source);
  std::vector<char> block;
  return ExpandOpened(opened, source, target, block);
}

std::string FileVersionText(const std::string& file) {
  DWORD ignored = 0;
  const DWORD size = ::GetFileVersionInfoSizeA(file.c_str(), &ignored);
  if (size == 0) return std::string();
  std::vector<char> block(size);
  if (!::GetFileVersionInfoA(file.c_str(), 0, size, block.data())) return std::string();
  void* translation = nullptr;
  UINT translation_size = 0;
  if (!::VerQueryValueA(block.data(), "\\VarFileInfo\\Translation", &translation,
                        &translation_size) ||
      translation_size < sizeof(DWORD))
    return std::string();
  const auto* words = static_cast<const WORD*>(translation);
  char query[64];
  std::snprintf(query, sizeof query, "\\StringFileInfo\\%4.4X%4.4X\\FileVersion",
                static_cast<unsigned>(words[0]), static_cast<unsigned>(words[1]));
  void* text = nullptr;
  UINT text_size = 0;
  if (!::VerQueryValueA(block.data(), query, &text, &text_size) || text_size == 0)
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
  const DWORD attributes = ::GetFileAttributesA(folder.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES)
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? 0 : -1;
  if (folder.size() <= 3) return -1;
  std::string path = folder;
  if (EndsWithChar(path, '\\')) path.pop_back();
  // Past the drive root ("X:\"): each level in turn, then the whole path.
  // A level that exists already or cannot be made is left to the final test.
  for (std::size_t at = FindChar(path, '\\', 3); at != std::string::npos;
       at = FindChar(path, '\\', at + 1))
    ::CreateDirectoryA(path.substr(0, at).c_str(), nullptr);
  ::CreateDirectoryA(path.c_str(), nullptr);
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
      // A compressed source shows its version block only once expanded.
      const std::string scratch = temp_dir_ + "~" + ExtractFileName(destination);
      if (!temp_dir_.empty() && ExpandFile(source, scratch) == 0)
        source_version = FileVersionString(scratch);
      SetArchiveOnly(scratch);
      ::DeleteFileA(scratch.c_str());
    }
  }
  if (!VersionCopyWanted(destination_version, source_version, FileAge(destination),
                         FileAge(source)))
    return 0;
  return ExpandFile(source, destination);
}

std::optional<std::string> TSetupc::ReadValue(const std::string& section,
                                              const std::string& key) const {
  char buffer[kScriptValueBuffer];
  const DWORD len = ::GetPrivateProfileStringA(section.c_str(), key.c_str(), "", buffer,
                                               sizeof buffer, InfFile.c_str());
  if (len + 1 < sizeof buffer) return std::string(buffer, len);
  // A full buffer may hold a value of exactly 255 characters or the start of a
  // longer one: one character more of room tells them apart.
  char probe[kScriptValueBuffer + 1];
  const DWORD full = ::GetPrivateProfileStringA(section.c_str(), key.c_str(), "", probe,
                                                sizeof probe, InfFile.c_str());
  if (full >= kScriptValueBuffer) return std::nullopt;
  return std::string(buffer, len);
}

int32_t TSetupc::MakeFolders(const std::string& section) const {
  for (int32_t n = 1; n <= kScriptLastEntry; ++n) {
    const std::optional<std::string> value = ReadValue(section, ScriptEntryKey("MakeDir", n));
    if (!value) return -1;
    if (value->empty()) break;
    const std::string folder = ExpandMacros(*value);
    if (!IsPlainFullPath(folder) || MakePath(folder) != 0) return -1;
  }
  return 0;
}

std::optional<std::vector<std::string>> TSetupc::ReadCopyValues(const std::string& section) const {
  std::vector<std::string> values;
  for (int32_t n = 1; n <= kScriptLastEntry; ++n) {
    std::optional<std::string> value = ReadValue(section, ScriptEntryKey("CopyFile", n));
    if (!value) return std::nullopt;
    if (value->empty()) break;
    values.push_back(std::move(*value));
  }
  return values;
}

bool TSetupc::WalkCopyEntries(const std::vector<std::string>& values,
                              const CopyVisitor& visit) const {
  for (const std::string& value : values) {
    const std::optional<CopyEntry> entry = SplitCopyEntry(value);
    if (!entry) return false;
    const std::string source = SrcDir + entry->source;
    const std::string destination = ExpandMacros(entry->destination);
    // The destination names a file: a full path that does not end in a
    // backslash (a macro alone at the end names its folder).
    if (!Fits(source) || !IsPlainFullPath(destination) || EndsWithChar(destination, '\\'))
      return false;
    FileHandle opened = OpenSource(source);
    const int64_t size = SizeOf(opened);
    if (size < 0 || !visit(source, destination, opened, size)) return false;
  }
  return true;
}

int32_t TSetupc::RunSection(const std::string& section, const TSetupcProgress& progress) {
  for (std::string* folder : {&SrcDir, &DstDir, &WindowsDir, &SystemDir}) {
    *folder = AddBackslash(*folder);
    if (folder->empty()) return -1;
  }
  auto report = [&](const std::string& text, int32_t percent) {
    if (progress) progress(text, percent);
  };
  report(std::string(), 0);
  if (MakeFolders(section) != 0) return -1;

  // The entries are read once: the copy pass copies exactly what the size pass
  // measured, and the script file is not parsed again for every key.
  const std::optional<std::vector<std::string>> values = ReadCopyValues(section);
  if (!values) return -1;
  double total = 0;
  const bool listed = WalkCopyEntries(*values, [&](const std::string&, const std::string&,
                                                   FileHandle&, int64_t size) {
    total += static_cast<double>(size);
    return true;
  });
  if (!listed) return -1;

  double done = 0;
  const bool copied = WalkCopyEntries(*values, [&](const std::string& source,
                                                   const std::string& destination,
                                                   FileHandle& opened, int64_t size) {
    done += static_cast<double>(size);
    report(destination, ProgressPercent(done - static_cast<double>(size), total));
    const int32_t result =
        VersionCheck ? VersionCopy(source, destination)
                     : ExpandOpened(opened, source, destination, copy_block_);
    if (result != 0) return false;
    report(destination, ProgressPercent(done, total));
    return true;
  });
  if (!copied) return -1;
  report(std::string(), 100);
  return 0;
}

}  // namespace kestra
