// The setup script component: carries out one section of a copy script. It
// makes the folders the section lists (MakeDirNN), then copies the listed files
// (CopyFileNN = source,destination) from SrcDir to destinations that may name
// the installation, Windows or system folder through the macros "$setup",
// "$windows" and "$system", expanding LZ-compressed files on the way, and
// reports progress to its owner. The install dialog copies the search index
// with it.
//
// The script is read as GetPrivateProfileStringA reads it, in 256-byte buffers
// (the file read once, see ProfileReadOnce; each CopyFile value once, for both
// the size and the copy pass) and every path is built in 256-character
// working buffers: a value or a path that would not fit fails the section
// instead of being cut short. The size pass takes the sizes from the listings
// of the source folders where they can tell. The walk itself
// is RunScriptSection (script/ScriptSection.h); this component gives it the
// script file and the disk.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "script/ScriptSection.h"  // the decisions and the walk of a section

namespace kestra {

// ---- Files ----

// Copies source to target: a file compressed in the LZ format is expanded
// through the platform's LZ functions (LZOpenFileA, LZCopy, LZClose), any other
// is copied unchanged, as those functions would, in large blocks; the target
// keeps the source's time and ends with the archive attribute only
// (a read-only target is overwritten). 0 on success, −1 otherwise. The source
// path must fit LZOpenFileA's 128-byte OFSTRUCT name; a longer one fails with
// −1 rather than opening whatever the truncated name would find.
int32_t LzExpandCopy(const std::string& source, const std::string& target);

// The "FileVersion" text of the file's version block, for its first
// translation; empty when the file has no version block or a query fails.
std::string FileVersionText(const std::string& file);

class TSetupc {
 public:
  // Records the temporary folder; VersionCheck starts false.
  TSetupc();

  std::string InfFile;     // the script file
  std::string SrcDir;      // folder that source names are relative to
  std::string DstDir;      // value of "$setup"
  std::string WindowsDir;  // value of "$windows"
  std::string SystemDir;   // value of "$system"
  // false: every listed file is copied; true: only when the destination is
  // not newer (see VersionCopy).
  bool VersionCheck = false;
  // Asked when a file cannot be copied because another program holds its
  // destination (see FileInUse): true tries the same file again, false lets
  // the section fail. Unset, such a file fails the section at once.
  std::function<bool(const std::string& destination)> RetryFileInUse;

  // Runs one section: 0 when every folder was made and every file copied, −1
  // at the first failure (what was made or copied before stays). Progress:
  // ("", 0) first; per file (destination, percent before it) and after its
  // copy (destination, percent after it); ("", 100) at the end. No call
  // follows a failure. Gives the four folder properties a trailing backslash.
  int32_t RunSection(const std::string& section, const TSetupcProgress& progress);

  // ---- The steps of RunSection ----
  // ExpandMacroText with this component's folders; empty when it does not fit.
  std::string ExpandMacros(const std::string& text) const;
  // Creates the folder with every missing parent: 0 when it is a folder
  // afterwards, −1 when it is a file, cannot be made or is longer than 256.
  int32_t MakePath(const std::string& folder) const;
  int32_t ExpandFile(const std::string& source, const std::string& destination) const;
  // Copies as ExpandFile does when VersionCopyWanted says so (a compressed
  // source's version is read from a scratch expansion in the temporary
  // folder); 0 also when nothing was copied. −1 as well when that scratch
  // expansion is needed and the temporary folder could not be read: nothing
  // is written or deleted anywhere else in its place.
  int32_t VersionCopy(const std::string& source, const std::string& destination) const;
  static std::string FileVersionString(const std::string& file) { return FileVersionText(file); }

  const std::string& TempDir() const { return temp_dir_; }

 private:
  friend class DiskScriptFiles;

  std::string temp_dir_;
  // The copy buffer, reused for every file (the component lives on one thread).
  mutable std::vector<char> copy_block_;
};

}  // namespace kestra
