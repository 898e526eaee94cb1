// Archives opened so far, kept open with their directories while the DLL stays
// loaded.
//
// The install engine expands an archive one member per call; reading the
// directory once makes N calls cost O(N) instead of O(N^2). A kept archive is
// used only while the file at its path still has the same size and last-write
// time; otherwise it is opened and read again. The check reads the path's
// attributes only: opening the file and asking for its full information costs
// far more per call (a millisecond under Wine).
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "ZipDirectory.h"
#include "system/Handles.h"

namespace ezip {

// An archive open for reading, with its directory.
class OpenArchive {
 public:
  OpenArchive(kestra::FileHandle file, ZipDirectory directory)
      : file_(std::move(file)), directory_(std::move(directory)) {}
  HANDLE File() const { return file_.get(); }
  const ZipDirectory& Directory() const { return directory_; }

 private:
  kestra::FileHandle file_;
  ZipDirectory directory_;
};

class ArchiveCache {
 public:
  // The archive at path, kept from an earlier call or opened now; null when
  // it is missing or no readable ZIP archive.
  std::shared_ptr<const OpenArchive> Get(const std::string& path);

 private:
  // Few archives are in play at once (one per DVD product folder).
  static constexpr std::size_t kMaxArchives = 4;

  struct Stamp {
    std::uint64_t size = 0;
    FILETIME lastWrite{};
    bool operator==(const Stamp& o) const;
  };
  struct Slot {
    std::string key;
    Stamp stamp;
    std::shared_ptr<const OpenArchive> archive;
  };

  static std::string KeyOf(const std::string& path);

  std::mutex mutex_;
  std::vector<Slot> slots_;  // most recently used first
};

// The cache of this loaded DLL.
ArchiveCache& LoadedArchives();

}  // namespace ezip
