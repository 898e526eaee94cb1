// The archive file as the directory reader's byte source.
#pragma once

#include <windows.h>

#include "ByteSource.h"

namespace ezip {

// Reads exactly size bytes at offset of a file; false on a short read.
bool ReadAt(HANDLE file, std::uint64_t offset, void* buffer, std::uint32_t size);

// An open file, owned by the caller, read by position.
class FileBytes final : public ByteSource {
 public:
  explicit FileBytes(HANDLE file) : file_(file) {}
  bool ReadAt(std::uint64_t offset, void* buffer, std::uint32_t size) const override {
    return ezip::ReadAt(file_, offset, buffer, size);
  }

 private:
  HANDLE file_;
};

}  // namespace ezip
