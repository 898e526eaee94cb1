// Where the directory reader takes an archive's bytes from: the open archive
// file in EZip.dll (FileBytes.h), a block of memory in the native build of
// the reader.
#pragma once

#include <cstdint>
#include <cstring>
#include <string_view>

namespace ezip {

class ByteSource {
 public:
  virtual ~ByteSource() = default;
  // Reads exactly size bytes at offset; false on a short read.
  virtual bool ReadAt(std::uint64_t offset, void* buffer, std::uint32_t size) const = 0;
};

// Bytes held by the caller, who keeps them alive while the source is used.
class MemoryBytes final : public ByteSource {
 public:
  explicit MemoryBytes(std::string_view bytes) : bytes_(bytes) {}
  bool ReadAt(std::uint64_t offset, void* buffer, std::uint32_t size) const override {
    if (offset > bytes_.size() || bytes_.size() - offset < size) return false;
    if (size > 0) std::memcpy(buffer, bytes_.data() + offset, size);
    return true;
  }

 private:
  std::string_view bytes_;
};

}  // namespace ezip
