// The central directory of a ZIP archive, read once and looked up by name.
//
// Every field comes from an untrusted file: lengths and offsets are checked
// against the bytes actually present before anything is read through them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "ByteSource.h"

namespace ezip {

inline constexpr std::uint16_t kMethodStored = 0;
inline constexpr std::uint16_t kMethodDeflated = 8;

struct ZipEntry {
  std::uint16_t flags = 0;
  std::uint16_t method = 0;
  std::uint16_t dosTime = 0;
  std::uint16_t dosDate = 0;
  std::uint32_t crc32 = 0;
  std::uint32_t compressedSize = 0;
  std::uint32_t size = 0;
  std::uint32_t localHeaderOffset = 0;
  // Sizes or offset saturated at 0xFFFFFFFF, or a start disk other than 0:
  // the real values live in ZIP64 fields this reader does not take.
  bool needsZip64 = false;

  bool IsEncrypted() const { return (flags & 0x0001) != 0; }
  bool HasSupportedMethod() const {
    return method == kMethodStored || method == kMethodDeflated;
  }
};

class ZipDirectory {
 public:
  // Reads the directory of an archive of the given size; nothing when the
  // bytes are no ZIP archive, are damaged or need ZIP64.
  static std::optional<ZipDirectory> Read(const ByteSource& archive, std::uint64_t archiveSize);

  // The file member named path (compared folded, see FoldName), or null.
  const ZipEntry* Find(std::string_view path) const;

  // Member data must end here, where the central directory begins.
  std::uint64_t DataLimit() const { return dataLimit_; }
  std::size_t MemberCount() const { return entries_.size(); }

 private:
  std::vector<ZipEntry> entries_;
  std::unordered_map<std::string, std::size_t> byFoldedName_;
  std::uint64_t dataLimit_ = 0;
};

// Little-endian fields of the ZIP headers.
inline std::uint16_t Le16(const unsigned char* p) {
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
inline std::uint32_t Le32(const unsigned char* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

}  // namespace ezip
