#include "ArchiveCache.h"

#include <algorithm>
#include <optional>

#include "FileBytes.h"
#include "MemberName.h"

namespace ezip {

namespace {

struct FileFacts {
  std::uint64_t size = 0;
  FILETIME lastWrite{};
};

// Size and time of a file (not a folder) at path.
std::optional<FileFacts> FactsOf(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data) ||
      (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
    return std::nullopt;
  FileFacts facts;
  facts.size = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  facts.lastWrite = data.ftLastWriteTime;
  return facts;
}

}  // namespace

bool ArchiveCache::Stamp::operator==(const Stamp& o) const {
  return size == o.size && ::CompareFileTime(&lastWrite, &o.lastWrite) == 0;
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

std::shared_ptr<const OpenArchive> ArchiveCache::Get(const std::string& path) {
  const std::optional<FileFacts> facts = FactsOf(path);
  if (!facts) return nullptr;
  const Stamp stamp{facts->size, facts->lastWrite};
  const std::string key = KeyOf(path);
  std::lock_guard lock(mutex_);

  auto slot = std::find_if(slots_.begin(), slots_.end(), [&](const Slot& s) { return s.key == key; });
  if (slot != slots_.end() && slot->stamp == stamp) {
    std::rotate(slots_.begin(), slot, slot + 1);
    return slots_.front().archive;
  }
  if (slot != slots_.end()) slots_.erase(slot);

  // Others may read, replace or delete the archive while it is kept open; a
  // change shows in its size or time at the next call.
  kestra::FileHandle file(::CreateFileA(path.c_str(), GENERIC_READ,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  LARGE_INTEGER size;
  if (!file || !::GetFileSizeEx(file.get(), &size)) return nullptr;
  std::optional<ZipDirectory> directory =
      ZipDirectory::Read(FileBytes(file.get()), static_cast<std::uint64_t>(size.QuadPart));
  if (!directory) return nullptr;
  auto archive = std::make_shared<const OpenArchive>(std::move(file), std::move(*directory));
  if (slots_.size() >= kMaxArchives) slots_.pop_back();
  slots_.insert(slots_.begin(), Slot{key, stamp, archive});
  return archive;
}

ArchiveCache& LoadedArchives() {
  static ArchiveCache cache;
  return cache;
}

}  // namespace ezip
