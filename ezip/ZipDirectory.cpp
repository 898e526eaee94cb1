#include "ZipDirectory.h"

#include <algorithm>

#include "MemberName.h"

namespace ezip {

namespace {

constexpr std::uint32_t kEndSignature = 0x06054B50;           // PK\5\6
constexpr std::uint32_t kZip64LocatorSignature = 0x07064B50;  // PK\6\7
constexpr std::uint32_t kCentralSignature = 0x02014B50;       // PK\1\2
constexpr std::uint32_t kEndSize = 22;
constexpr std::uint32_t kMaxCommentSize = 0xFFFF;
constexpr std::uint32_t kZip64LocatorSize = 20;
constexpr std::uint32_t kCentralHeaderSize = 46;
constexpr std::uint16_t kUtf8NamesFlag = 0x0800;
constexpr std::uint32_t kSaturated32 = 0xFFFFFFFF;
constexpr std::uint16_t kSaturated16 = 0xFFFF;

struct EndRecord {
  std::uint64_t position = 0;
  std::uint16_t disk = 0;
  std::uint16_t directoryDisk = 0;
  std::uint16_t entriesOnDisk = 0;
  std::uint16_t entries = 0;
  std::uint32_t directorySize = 0;
  std::uint32_t directoryOffset = 0;

  bool NeedsZip64() const {
    return entries == kSaturated16 || entriesOnDisk == kSaturated16 ||
           directorySize == kSaturated32 || directoryOffset == kSaturated32;
  }
  bool SpansDisks() const { return disk != 0 || directoryDisk != 0 || entriesOnDisk != entries; }
};

// The end record sits in the last 22 bytes plus up to 64 KiB of comment. The
// record whose comment reaches exactly to the end of the file is taken; a
// "PK\5\6" inside a comment or member data is not. Failing that (bytes
// appended after the archive), the last record whose comment fits.
std::optional<EndRecord> FindEndRecord(const ByteSource& archive, std::uint64_t archiveSize) {
  if (archiveSize < kEndSize) return std::nullopt;
  const auto tailSize =
      static_cast<std::uint32_t>(std::min<std::uint64_t>(archiveSize, kEndSize + kMaxCommentSize));
  const std::uint64_t tailStart = archiveSize - tailSize;
  std::vector<unsigned char> tail(tailSize);
  if (!archive.ReadAt(tailStart, tail.data(), tailSize)) return std::nullopt;
  std::optional<std::uint32_t> exact, fitting;
  for (std::uint32_t at = tailSize - kEndSize + 1; at-- > 0 && !exact;) {
    const unsigned char* p = tail.data() + at;
    if (Le32(p) != kEndSignature) continue;
    const std::uint32_t recordEnd = at + kEndSize + Le16(p + 20);
    if (recordEnd == tailSize) exact = at;
    else if (recordEnd < tailSize && !fitting) fitting = at;
  }
  const std::optional<std::uint32_t> found = exact ? exact : fitting;
  if (!found) return std::nullopt;
  const unsigned char* p = tail.data() + *found;
  EndRecord end;
  end.position = tailStart + *found;
  end.disk = Le16(p + 4);
  end.directoryDisk = Le16(p + 6);
  end.entriesOnDisk = Le16(p + 8);
  end.entries = Le16(p + 10);
  end.directorySize = Le32(p + 12);
  end.directoryOffset = Le32(p + 16);
  return end;
}

// A ZIP64 locator between the directory and the end record means the real
// counts and offsets are elsewhere, whatever the end record says.
bool HasZip64Locator(const ByteSource& archive, const EndRecord& end) {
  const std::uint64_t directoryEnd =
      static_cast<std::uint64_t>(end.directoryOffset) + end.directorySize;
  if (directoryEnd + kZip64LocatorSize > end.position) return false;
  unsigned char locator[4];
  return archive.ReadAt(end.position - kZip64LocatorSize, locator, sizeof locator) &&
         Le32(locator) == kZip64LocatorSignature;
}

// The member name as code page 932 text; nothing when a UTF-8 name cannot be
// expressed in it.
std::optional<std::string> NameOf(std::uint16_t flags, std::string_view raw) {
  if (flags & kUtf8NamesFlag) return Utf8ToCp932(raw);
  return std::string(raw);
}

}  // namespace

std::optional<ZipDirectory> ZipDirectory::Read(const ByteSource& archive,
                                                std::uint64_t archiveSize) {
  const std::optional<EndRecord> end = FindEndRecord(archive, archiveSize);
  if (!end || end->NeedsZip64() || end->SpansDisks()) return std::nullopt;
  const std::uint64_t directoryEnd =
      static_cast<std::uint64_t>(end->directoryOffset) + end->directorySize;
  if (directoryEnd > end->position || HasZip64Locator(archive, *end)) return std::nullopt;

  std::vector<unsigned char> raw(end->directorySize);
  if (!archive.ReadAt(end->directoryOffset, raw.data(), end->directorySize)) return std::nullopt;

  ZipDirectory directory;
  directory.dataLimit_ = end->directoryOffset;
  directory.entries_.reserve(end->entries);
  directory.byFoldedName_.reserve(end->entries);
  std::size_t at = 0;
  for (std::uint32_t i = 0; i < end->entries; ++i) {
    if (raw.size() - at < kCentralHeaderSize) return std::nullopt;
    const unsigned char* p = raw.data() + at;
    if (Le32(p) != kCentralSignature) return std::nullopt;
    const std::size_t nameSize = Le16(p + 28);
    const std::size_t recordSize = kCentralHeaderSize + nameSize + Le16(p + 30) + Le16(p + 32);
    if (raw.size() - at < recordSize) return std::nullopt;

    ZipEntry entry;
    entry.flags = Le16(p + 8);
    entry.method = Le16(p + 10);
    entry.dosTime = Le16(p + 12);
    entry.dosDate = Le16(p + 14);
    entry.crc32 = Le32(p + 16);
    entry.compressedSize = Le32(p + 20);
    entry.size = Le32(p + 24);
    entry.localHeaderOffset = Le32(p + 42);
    entry.needsZip64 = entry.compressedSize == kSaturated32 || entry.size == kSaturated32 ||
                       entry.localHeaderOffset == kSaturated32 || Le16(p + 34) != 0;
    const std::string_view rawName(reinterpret_cast<const char*>(p + kCentralHeaderSize),
                                   nameSize);
    at += recordSize;

    const std::optional<std::string> name = NameOf(entry.flags, rawName);
    if (!name || name->empty() || IsFolderName(*name)) continue;
    directory.entries_.push_back(entry);
    // The first of two members with the same name wins, as for a lookup from
    // the start of the directory.
    directory.byFoldedName_.emplace(FoldName(*name), directory.entries_.size() - 1);
  }
  return directory;
}

const ZipEntry* ZipDirectory::Find(std::string_view path) const {
  const auto found = byFoldedName_.find(FoldName(path));
  return found == byFoldedName_.end() ? nullptr : &entries_[found->second];
}

}  // namespace ezip
