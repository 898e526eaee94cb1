// One section of a copy script, apart from files and windows: the decisions of
// the setup script component (script/Setupc.h) and its walk over a section.
// The walk reads the script through a ProfileReader (script/Profile.h) and
// asks a ScriptFileSystem to make folders and copy files: TSetupc hands it the
// disk, the native build and the tests a recording stand-in. Builds for
// Windows and natively alike.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace kestra {

class ProfileReader;

// Characters a working buffer holds (plus its terminator).
inline constexpr std::size_t kScriptTextLimit = 256;
// Buffer of one profile read: a value holds at most 255 characters.
inline constexpr std::size_t kScriptValueBuffer = 256;
// Highest entry number read of MakeDir and CopyFile.
inline constexpr int32_t kScriptLastEntry = 32767;

// Progress of RunSection: (text, percent); the result is ignored.
using TSetupcProgress = std::function<int32_t(const std::string& text, int32_t percent)>;

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

// A script value as a 256-byte profile read gives it: empty when the key is
// missing; nothing when the value is longer than 255 characters. (A value that
// fills the buffer is read again whole: the platform cuts a quoted value that
// fills the buffer by one character more, which must not pass as the value.)
std::optional<std::string> ReadScriptValue(const ProfileReader& script, const std::string& section,
                                           const std::string& key);

// What a section run does to files.
class ScriptFileSystem {
 public:
  virtual ~ScriptFileSystem() = default;
  // Creates the folder with every missing parent: 0 when it is a folder
  // afterwards, −1 otherwise.
  virtual int32_t MakePath(const std::string& folder) = 0;
  // Opens the source for reading (others may read and write it meanwhile) and
  // keeps it open until CloseSource; its size, or −1 when it cannot be opened
  // or is larger than a 32-bit size.
  virtual int64_t OpenSource(const std::string& source) = 0;
  // The size of the source for the size pass, as OpenSource answers it. The
  // disk may answer from its folder's listing instead of opening the file: a
  // source that is listed but cannot be read then fails the copy pass.
  virtual int64_t SourceSize(const std::string& source) {
    const int64_t size = OpenSource(source);
    CloseSource();
    return size;
  }
  // Copies the open source to destination (expanding or version-checking as
  // the component is set up): 0 or −1.
  virtual int32_t CopySource(const std::string& source, const std::string& destination) = 0;
  virtual void CloseSource() = 0;
};

// Where a section's names lead: SrcDir and the macro values, each with its
// trailing backslash and not empty.
struct ScriptFolders {
  std::string source;
  MacroValues macros;
};

// Runs one section: the MakeDir entries (each folder made), then the CopyFile
// entries twice, once for the total size (SourceSize) and once to copy
// (OpenSource, CopySource, CloseSource); 0 when everything
// was made and copied, −1 at the first failure. Reads each value once (see
// ReadScriptValue); a gap in the numbering ends a list. Progress as
// TSetupc::RunSection reports it.
int32_t RunScriptSection(const ProfileReader& script, const std::string& section,
                         const ScriptFolders& folders, ScriptFileSystem& files,
                         const TSetupcProgress& progress);

}  // namespace kestra
