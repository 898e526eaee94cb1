#include "ArchiveCache.h"

#include <algorithm>

#include "MemberName.h"

namespace ezip {

bool ArchiveCache::Identity::operator==(const Identity& o) const {
  return volume == o.volume && indexHigh == o.indexHigh && indexLow == o.indexLow &&
         sizeHigh == o.sizeHigh && sizeLow == o.sizeLow &&
         ::CompareFileTime(&lastWrite, &o.lastWrite) == 0;
}

ArchiveCache::Identity ArchiveCache::IdentityOf(const BY_HANDLE_FILE_INFORMATION& info) {
  Identity id;
  id.volume = info.dwVolumeSerialNumber;
  id.indexHigh = info.nFileIndexHigh;
  id.indexLow = info.nFileIndexLow;
  id.sizeHigh = info.nFileSizeHigh;
  id.sizeLow = info.nFileSizeLow;
  id.lastWrite = info.ftLastWriteTime;
  return id;
}

// The same archive named with other case, "/" or a relative path shares a slot.
std::string ArchiveCache::KeyOf(const std::string& path) {
  const DWORD needed = ::GetFullPathNameA(path.c_str(), 0, nullptr, nullptr);
  if (needed == 0) return FoldName(path);
  std::string full(needed, '\0');
  const DWORD length = ::GetFullPathNameA(path.c_str(), needed, full.data(), nullptr);
  if (length == 0 || length >= needed) return FoldName(path);
  full.resize(length);
  return FoldName(full);
}

std::shared_ptr<const ZipDirectory> ArchiveCache::Get(const std::string& path, HANDLE file,
                                                      const BY_HANDLE_FILE_INFORMATION& info) {
  const std::string key = KeyOf(path);
  const Identity identity = IdentityOf(info);
  std::lock_guard lock(mutex_);

  auto slot = std::find_if(slots_.begin(), slots_.end(), [&](const Slot& s) { return s.key == key; });
  if (slot != slots_.end() && slot->identity == identity) {
    std::rotate(slots_.begin(), slot, slot + 1);
    return slots_.front().directory;
  }
  if (slot != slots_.end()) slots_.erase(slot);

  const std::uint64_t size = (static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
  std::optional<ZipDirectory> read = ZipDirectory::Read(file, size);
  if (!read) return nullptr;
  auto directory = std::make_shared<const ZipDirectory>(std::move(*read));
  if (slots_.size() >= kMaxArchives) slots_.pop_back();
  slots_.insert(slots_.begin(), Slot{key, identity, directory});
  return directory;
}

ArchiveCache& LoadedArchives() {
  static ArchiveCache cache;
  return cache;
}

}  // namespace ezip
