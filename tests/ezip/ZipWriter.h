// Builds ZIP archives in memory for the expander's tests: ordinary ones, and
// damaged or hostile ones through the per-member overrides.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace ziptest {

struct Member {
  Member(std::string memberName, std::string memberData, bool deflated = true)
      : name(std::move(memberName)), data(std::move(memberData)), deflate(deflated) {}

  std::string name;  // stored bytes: code page 932, or UTF-8 with utf8Name
  std::string data;
  bool deflate = true;
  bool utf8Name = false;

  // Overrides written into both headers, to build damaged members.
  std::optional<std::uint32_t> crc32;
  std::optional<std::uint32_t> size;
  std::optional<std::uint16_t> method;
  std::uint16_t extraFlags = 0;  // or-ed into the general-purpose flags
  // Sizes and offset saturated, the real values in a ZIP64 extra field.
  bool zip64 = false;
  // Written as a streaming tool does: zero CRC and sizes in the local header
  // (flag bit 3) and a data descriptor after the data.
  bool streamed = false;
};

// Where the parts of a built archive lie.
struct Layout {
  std::vector<std::size_t> dataOffset;  // each member's compressed data
  std::vector<std::size_t> dataSize;
  std::size_t centralOffset = 0;
  std::size_t endOffset = 0;  // the end-of-central-directory record
};

struct ArchiveOptions {
  std::string comment;
  // Writes the counts and offsets as 0xFFFF/0xFFFFFFFF with a ZIP64 end record
  // and locator, as a tool does for an archive too big for the classic fields.
  bool zip64End = false;
};

std::string BuildZip(const std::vector<Member>& members, Layout* layout = nullptr,
                     const ArchiveOptions& options = {});

// Raw deflate (no zlib header), as ZIP method 8 stores it.
std::string RawDeflate(const std::string& data, int level = 6);
std::uint32_t Crc32(const std::string& data);

// Deterministic test content: text that compresses well, or noise that does not.
std::string CompressibleBytes(std::size_t size, unsigned seed);
std::string RandomBytes(std::size_t size, unsigned seed);

}  // namespace ziptest
