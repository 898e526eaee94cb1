// The decisions of the destination settings page, apart from its window: its
// steps and modes and what each shows, how much free space each destination needs and how it is shown, whether the
// application path may be used, how a picked folder becomes the application
// folder, how the DVD folders are summarised, whether an upgraded index stays
// on disk, and what the page commits into the settings record.
#pragma once

#include <windows.h>

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "system/AppInfo.h"
#include "system/ProductTable.h"

namespace kestra {

inline constexpr double kMegaByte = 1048576.0;
inline constexpr double kAppOnlyBytes = 209715200.0;    // 200 MiB: the application alone
inline constexpr double kIndexOnlyBytes = 104857600.0;  // 100 MiB: the index alone
inline constexpr double kAppAndIndexBytes = 314572800.0;  // 300 MiB: both on one drive
// An index already in the folder is replaced, so its space counts as free.
inline constexpr double kReplacedIndexBytes = 104857600.0;

// Paths of this length or longer do not fit the system's path buffers.
inline constexpr std::size_t kMaxPathLength = 260;

inline constexpr COLORREF kBlack = RGB(0, 0, 0);
inline constexpr COLORREF kRed = RGB(255, 0, 0);

// The first count characters of s (a double-byte character counts as one and
// is never cut in half).
std::string LeadingChars(std::string_view s, std::size_t count);
// s ends with the single-byte text suffix, which starts on a character of its own.
bool EndsWithText(std::string_view s, std::string_view suffix);

// 12345 → "12,345".
std::string FormatThousands(long long value);
// "[ C:\ ] 空き容量 : 12,345 MByte" for a path starting "c:\" and its free bytes
// (rounded to whole MiB).
std::string FreeSpaceLine(const std::string& path, double free_bytes);

// The application and the index are on one drive and both are installed.
bool SharesDriveWithIndex(const std::string& app_path, const std::string& index_path,
                          bool index_checked);

struct SpaceState {
  std::string line;  // the free-space line
  bool enough;       // black line and the install button enabled; else red and disabled
};

// The application drive: free bytes of the drive of app_path.
SpaceState ApplicationSpace(const std::string& app_path, const std::string& index_path,
                            bool index_checked, double free_bytes);

struct IndexSpaceState {
  std::string line;
  // Verdict for the line colour and the install button; none: both left as
  // they are (Vista and later, where the index drive is not checked).
  std::optional<bool> enough;
};

// The index drive: free bytes of its root, whether the folder already holds
// an index, and the drive's type.
IndexSpaceState IndexSpace(const std::string& app_path, const std::string& index_path,
                           bool index_checked, double free_bytes, bool index_present,
                           UINT drive_type, bool vista_or_later);

struct DriveKind {
  std::string text;
  COLORREF color;
};
// How the kind of the index drive is shown.
DriveKind DescribeDriveType(UINT drive_type);

// The application folder made of a folder the user picked: with trailing
// backslash, and inside a "KESTRA\" folder unless it already is one
// (compared case-sensitively).
std::string ApplicationFolderFromPick(const std::string& picked);
// The default index folder that goes with an application folder.
std::string IndexFolderOfApplication(const std::string& app_folder);

// The application path may be used: its drive is ready and it fits.
bool IsUsableApplicationPath(const std::string& app_path, bool drive_ready);

// The page's list of DVD folders: entry 0 empty, entries 1 to 23 the folders
// of DVDs 1 to 23 with trailing backslash. Fills unset DVDs of the record from
// DVD 1 (or, when DVD 1 is unset too, from setup_drive) and normalises them.
std::vector<std::string> MakeDvdPathList(TFAppInfo& app, const std::string& setup_drive);

struct DvdSummary {
  std::string text;  // the common folder, or the notice that they differ
  std::string info;  // the note below it
  bool uniform;      // every DVD has the same folder
};
DvdSummary SummarizeDvdFolders(const std::vector<std::string>& dvd_path_list);

// The header band's step title and guidance text.
enum class Guidance { Application, ApplicationHover, Index, Dvd, Upgrade };
struct GuidanceText {
  std::string title;
  std::string text;
};
GuidanceText GuidanceOf(Guidance guidance);

// Step 1 holds the application folder and the index, step 2 the DVD folders.
enum class PageStep { Destinations = 1, DvdFolders = 2 };
// An upgrade confirms the installed copy's place in step 1 and never reaches step 2.
enum class PageMode { NewInstallation, Upgrade };
// The page's mode for the record's InstallMode.
PageMode PageModeOf(int32_t install_mode);

// What the page shows in a step.
struct StepView {
  std::string caption;          // the window's caption
  bool dvd_sheet;               // step 2's sheet and panel are active, else step 1's
  bool back_enabled;            // the button back to step 1
  std::string install_caption;  // the text of the button that goes on
  Guidance guidance;
};
StepView ViewOfStep(PageStep step, PageMode mode);

// What the button that goes on does.
enum class InstallAction {
  CheckFolderThenDvdStep,  // the application folder is checked, step 2 follows
  ConfirmThenCommit,       // the start question, then the choices go into the record
  Commit,                  // the choices go into the record without a question
};
InstallAction InstallActionOf(PageStep step, PageMode mode);

// Where the mouse is: the guidance follows it over the application area, the
// index area and the DVD box; elsewhere (the index check box too) it stays.
enum class HoverArea { Application, Index, Dvd, Other };
std::optional<Guidance> GuidanceOnHover(PageMode mode, HoverArea area);

// Whether an upgraded index stays on disk (the index check box checked) or is
// used from the DVD.
struct UpgradeIndexFacts {
  bool vista_or_later;
  std::string index_dir;        // IndexDir of the record
  std::string setup_drive;      // "X:"
  UINT index_dir_drive_type;    // GetDriveTypeA of IndexDir's first three characters
  std::string index_edit;       // the index edit's text
  std::string dvd_index_dir;    // the index folder on the DVD
  UINT index_edit_drive_type;   // the page's IndexDriveType
};
bool UpgradeKeepsIndexOnDisk(const UpgradeIndexFacts& facts);

// What the user chose on the page.
struct PageChoices {
  std::string app_path;
  bool index_checked;
  std::string index_path;
  std::vector<std::string> dvd_path_list;  // as MakeDvdPathList
};
// Choices made before the page opens (an answer file): each one given takes
// the place of what the page proposes.
struct PresetChoices {
  std::optional<std::string> app_dir;
  std::optional<bool> install_index;
  std::optional<std::string> index_dir;
  std::array<std::optional<std::string>, kDvdCount> dvd_paths;  // DVDs 1 to 23
};

// Puts the preset choices into the page's choices as the page itself takes
// them: the application folder as a picked one ("KESTRA\" appended), except
// in an upgrade, which keeps the installed copy's folder; the index box, which
// when checked proposes checked_index_dir (the recorded or default folder) and
// when cleared the DVD's own index; an index folder only while the box is
// checked; each DVD's folder with trailing backslash.
void ApplyPresets(PageChoices& choices, const PresetChoices& presets, PageMode mode,
                  const std::string& checked_index_dir, const std::string& dvd_index_dir);

// The index is copied only when the box is checked and the folder is not the
// DVD's own index.
bool CopiesIndex(bool index_checked, const std::string& index_path,
                 const std::string& dvd_index_dir);
// Writes the choices into the record (the record's other fields stay).
void CommitChoices(TFInstAppInfo& record, const PageChoices& choices,
                   const std::string& dvd_index_dir);

}  // namespace kestra
