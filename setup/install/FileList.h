// The decisions of the file step, kept apart from the install dialog so that
// they can be checked without a window: reading the DVD's setup script into
// data, choosing which groups a run installs, the installed-file records, the
// batches and call arguments of the expansion, and folder creation.
//
// Installed-file record: a tag, a comma and the full destination path, e.g.
//   7,C:\Program Files\KESTRA\KESTRA.EXE
// Tags: the product row ("7") for application files, "99" for the search
// engine library, "98" for the common (PDF viewer) files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "system/ProductTable.h"

namespace kestra {

class ProfileReader;

inline constexpr char kLibraryTag[] = "99";
inline constexpr char kCommonTag[] = "98";

// Files of the DVD's product folder, named as the engine asks for them.
inline constexpr char kScriptName[] = "SETUP.INI";   // → SETUP_F.INI
inline constexpr char kArchiveName[] = "SETUP.EZP";  // → SETUP_F.EZP

// The product folder's setup script or archive of row `row`; empty for any
// other name or a row outside the product table.
std::string GetScriptPath(const std::string& setup_dir, int32_t row, const std::string& name);

// The row of the product table, or this product's row when index is outside it.
const ProductRow& ProductRowOf(int32_t index);

// ---- The setup script ------------------------------------------------------


struct ScriptGroup {
  std::string name;
  std::string dir;                 // may hold "<INSTALLDIR>"
  std::vector<std::string> files;  // values as written ("BIN\VIEW.DLL")
};

struct SetupScript {
  std::vector<ScriptGroup> groups;  // group n is groups[n - 1]
};

// Bounds of a script no real DVD reaches (the product's own has 4 groups and
// a dozen files): a count beyond them is read as the bound, so that a damaged
// script cannot keep the installer reading for hours.
inline constexpr int32_t kMaxScriptGroups = 1000;
inline constexpr int32_t kMaxScriptFiles = 20000;  // all groups together

// Reads section "Groups" of the script; a missing script has no groups. pump
// runs after every kScriptReadsPerPump values read (the dialog handles its
// window messages there: a script that claims the bounds takes seconds).
inline constexpr int32_t kScriptReadsPerPump = 100;
SetupScript ReadSetupScript(const std::string& path, const std::function<void()>& pump = {});
// The same from a profile reader: "Groups" is the number of groups (at most
// kMaxScriptGroups), group n has "Group<n>Name", "Group<n>Dir" and
// "Group<n>grpFiles" files "Group<n>File<m>" (all groups together at most
// kMaxScriptFiles). Every value is read whole, however long.
SetupScript ReadSetupScript(const ProfileReader& script, const std::function<void()>& pump = {});

// A decimal integer of the script; text that is not one counts as 0.
int32_t ScriptInteger(std::string_view text);

enum class GroupKind { Application, Library, Common, None };

// Decided on the upper-cased name: "LIB…" library, "COM\…" common, any other
// "COM…" nothing, everything else the application.
GroupKind GroupKindOf(std::string_view name);

// Base folders of the three kinds (each ends in a backslash).
std::string ApplicationBase(const std::string& install_dir);
std::string LibraryBase(const std::string& win_drive_root);
std::string CommonBase(const std::string& win_drive_root);

// base + dir without its first "<INSTALLDIR>" + the file name part of the
// file value (after its last backslash).
std::string DestinationOf(const std::string& base, const std::string& dir,
                          const std::string& file_value);

// ---- Choosing the records --------------------------------------------------

// True when the DVD's version is greater than the installed one, compared part
// by part as four numbers.
bool DvdVersionIsNewer(const std::string& dvd_version, const std::string& installed_version);

struct FileListInput {
  int32_t app_count = 1;     // passes
  int32_t install_mode = 1;  // 1 new installation, 2 over an installed product
  int32_t product_index = kProductIndex;
  std::string install_dir;
  std::string win_drive_root;
  bool program_only = false;  // only the application file of an installed copy
  // Read only when install_mode is 2: [Products] Version of SETUP.INF, and the
  // installed "Version" (nothing when the product key cannot be opened).
  std::string dvd_version;
  std::optional<std::string> installed_version;
};

struct FileListPlan {
  std::vector<std::string> records;
  int32_t start_mode = 0;    // install_mode before the version comparison
  int32_t install_mode = 0;  // after it
  std::optional<std::string> app_version;  // the DVD's version, when compared
  bool common_failed = false;  // building the common records raised an error
};

// Builds the installed-file list of a run. pump runs once per pass and once
// per application group (the dialog handles window messages there).
FileListPlan BuildFileList(const SetupScript& script, const FileListInput& input,
                           const std::function<void()>& pump = {});

// ---- Expansion -------------------------------------------------------------

struct RecordParts {
  std::string tag;
  std::string path;
};
// Splits a record at its first comma (no comma: an empty tag and the whole line).
RecordParts SplitRecord(const std::string& record);

// Consecutive records with the same tag form one batch; the last record always
// joins the batch being collected, whatever its tag.
struct Batch {
  std::size_t first = 0;
  std::size_t count = 0;
};
std::vector<Batch> GroupIntoBatches(const std::vector<std::string>& records);

// The base folder and member path handed to the expander for the file at
// path: the file's own folder and name when that folder is base, or when
// `contained` does not occur in it; else base and the rest of the path after
// base's length of characters, counted from where `contained` occurs.
struct ExpansionCall {
  std::string base;
  std::string member;
};
ExpansionCall ExpansionCallFor(const std::string& path, const std::string& base,
                               const std::string& contained);

// Byte offset of the first occurrence of needle in haystack that starts on a
// character boundary (code page 932); npos when there is none or needle is empty.
std::size_t FindOnCharBoundary(std::string_view haystack, std::string_view needle);

// The file at path lies inside base once both are resolved: a destination
// whose group folder climbs out ("..", also as "..." or "/.."), names a drive
// or a network path ("C:", "\\server") stays not.
bool DestinationStaysInBase(const std::string& base, const std::string& path);

// ---- Folders ---------------------------------------------------------------

// Creates every missing folder of path. If created is not "-1" on entry, it
// receives the created folders, one line each (CR LF), as prefix + "," +
// folder ("folder" alone when the prefix is empty). A network path's server
// part is skipped. False when creating a folder failed.
bool MakeDirs(const std::string& prefix, const std::string& path, std::string& created);

// The lines of a text (CR LF or LF separated), empty lines dropped.
std::vector<std::string> SplitLines(const std::string& text);

}  // namespace kestra
