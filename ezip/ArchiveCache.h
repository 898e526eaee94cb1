// Directories of the archives read so far, kept while the DLL stays loaded.
//
// The install engine expands an archive one member per call; reading the
// directory once makes N calls cost O(N) instead of O(N^2). A cached directory
// is used only while the file at that path is still the same file with the
// same size and last-write time; otherwise it is read again.
#pragma once

#include <windows.h>

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "ZipDirectory.h"

namespace ezip {

class ArchiveCache {
 public:
  // The directory of the archive open as file, read from path earlier or now;
  // null when the file is no readable ZIP archive.
  std::shared_ptr<const ZipDirectory> Get(const std::string& path, HANDLE file,
                                          const BY_HANDLE_FILE_INFORMATION& info);

 private:
  // Few archives are in play at once (one per DVD product folder).
  static constexpr std::size_t kMaxArchives = 4;

  struct Identity {
    DWORD volume = 0;
    DWORD indexHigh = 0;
    DWORD indexLow = 0;
    DWORD sizeHigh = 0;
    DWORD sizeLow = 0;
    FILETIME lastWrite{};
    bool operator==(const Identity& o) const;
  };
  struct Slot {
    std::string key;
    Identity identity;
    std::shared_ptr<const ZipDirectory> directory;
  };

  static Identity IdentityOf(const BY_HANDLE_FILE_INFORMATION& info);
  static std::string KeyOf(const std::string& path);

  std::mutex mutex_;
  std::vector<Slot> slots_;  // most recently used first
};

// The cache of this loaded DLL.
ArchiveCache& LoadedArchives();

}  // namespace ezip
