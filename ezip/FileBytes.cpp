#include "FileBytes.h"

namespace ezip {

bool ReadAt(HANDLE file, std::uint64_t offset, void* buffer, std::uint32_t size) {
  auto* out = static_cast<unsigned char*>(buffer);
  while (size > 0) {
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    DWORD got = 0;
    if (!::ReadFile(file, out, size, &got, &at) || got == 0) return false;
    out += got;
    offset += got;
    size -= got;
  }
  return true;
}

}  // namespace ezip
