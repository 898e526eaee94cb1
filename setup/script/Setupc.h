// The setup script component: carries out one section of a copy script. It
// makes the folders the section lists (MakeDirNN), then copies the listed files
// (CopyFileNN = source,destination) from SrcDir to destinations that may name
// the installation, Windows or system folder through the macros "$setup",
// "$windows" and "$system", expanding LZ-compressed files on the way, and
// reports progress to its owner. The install dialog copies the search index
// with it.
//
// The script is read through GetPrivateProfileStringA in 256-byte buffers (each
// CopyFile value once, for both the size and the copy pass) and
// every path is built in 256-character working buffers: a value or a path that
// would not fit fails the section instead of being cut short.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "system/Handles.h"

namespace kestra {

// Characters a working buffer holds (plus its terminator).
inline constexpr std::size_t kScriptTextLimit = 256;
// Buffer of one profile read: a value holds at most 255 characters.
inline constexpr std::size_t kScriptValueBuffer = 256;
// Highest entry number read of MakeDir and CopyFile.
inline constexpr int32_t kScriptLastEntry = 32767;

// Progress of RunSection: (text, percent); the result is ignored.
using TSetupcProgress = std::function<int32_t(const std::string& text, int32_t percent)>;

// ---- Decisions, free of files and windows ----

// Key of entry n: the name followed by n in at least two digits ("MakeDir01",
// "CopyFile100").
std::string ScriptEntryKey(const char* name, int32_t n);

struct CopyEntry {
  std::string source;       // relative to SrcDir, as written
  std::string destination;  // full path, macros allowed
};
// A CopyFile value split at its first comma; nothing when there is no comma or
// either part is empty.
std::optional<CopyEntry> SplitCopyEntry(const std::string& value);

// Values of the three macros, each with its trailing backslash.
struct MacroValues {
  std::string setup;
  std::string windows;
  std::string system;
};
// The text with its macro word replaced: the word starts at the first "$" and
// is recognised by its first six characters, without regard to case ("$SETUP",
// "$windowsXX"); the result is the macro's value followed by whatever comes
// after the first "\" behind the "$" (text before the "$" is dropped). A text
// without "$" or with an unknown word stays as it is. Nothing when the result
// would exceed the 256-character working buffer.
std::optional<std::string> ExpandMacroText(const std::string& text, const MacroValues& values);

// trunc(done / total × 100), or 0 when total is 0.
int32_t ProgressPercent(double done, double total);

// Whether VersionCopy copies: the destination's version text sorts before the
// source's, byte by byte (both non-empty), or else the destination's DOS
// date-time is less than the source's (−1 for a missing file).
bool VersionCopyWanted(const std::string& destination_version, const std::string& source_version,
                       int64_t destination_age, int64_t source_age);

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
  // folder); 0 also when nothing was copied.
  int32_t VersionCopy(const std::string& source, const std::string& destination) const;
  static std::string FileVersionString(const std::string& file) { return FileVersionText(file); }

  const std::string& TempDir() const { return temp_dir_; }

 private:
  // A script value: empty when the key is missing; nothing when the value is
  // longer than the 256-byte buffer holds.
  std::optional<std::string> ReadValue(const std::string& section, const std::string& key) const;
  int32_t MakeFolders(const std::string& section) const;
  // The CopyFile values from CopyFile01 up to the first empty one; nothing
  // when one is too long for the buffer.
  std::optional<std::vector<std::string>> ReadCopyValues(const std::string& section) const;
  // Calls visit(source path, destination path, the source opened for
  // reading, its size) for each CopyFile value in order; false at the first
  // entry that is malformed, too long or whose source cannot be opened, or when
  // visit answers false.
  using CopyVisitor = std::function<bool(const std::string&, const std::string&,
                                         UniqueHandle<FileHandleTraits>&, int64_t)>;
  bool WalkCopyEntries(const std::vector<std::string>& values, const CopyVisitor& visit) const;

  std::string temp_dir_;
  // The copy buffer, reused for every file (the component lives on one thread).
  mutable std::vector<char> copy_block_;
};

}  // namespace kestra
