// The temporary file a member is written to, beside its destination, and the
// move that puts it in place only when it is complete.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "system/Handles.h"

namespace ezip {

// A file beside the destination that disappears, with the folders made for
// it, unless it is committed.
class TempFile {
 public:
  TempFile() = default;
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;
  ~TempFile();

  // Creates the file in the destination's folder, creating that folder and
  // its missing parents when needed.
  bool Create(const std::string& destination);
  HANDLE Handle() const { return handle_.get(); }

  // Puts the file in place as the destination. A new destination is the
  // common case: the open file is renamed without reopening anything. An
  // existing one is looked at (a read-only file or a folder is not replaced)
  // and then replaced by MoveFileExA, which also refuses a file that another
  // process holds open.
  bool CommitAs(const std::string& destination);

 private:
  static std::string UniqueName();

  kestra::FileHandle handle_;
  std::string path_;
  std::vector<std::string> createdFolders_;
  bool committed_ = false;
};

}  // namespace ezip
