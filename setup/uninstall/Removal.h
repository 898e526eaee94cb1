// One removal run of the uninstaller, apart from its dialog: it deletes what
// the uninstall record lists, optionally the copied search index, the emptied
// folders, and (only after a complete removal) the Windows Uninstall and App
// Paths entries. Whatever could not be deleted stays recorded and is logged,
// so that a second run can finish the job.
//
// The run reports its progress to an observer (the dialog shows it; tests
// record it), and never shows a message itself.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "system/MessageCatalogue.h"
#include "uninstall/RemovalRules.h"  // the record lines and their pass

namespace kestra {

// Outcomes of a run.
inline constexpr int32_t kRemovedCompletely = 0;
inline constexpr int32_t kSomeFilesRemain = -1;
inline constexpr int32_t kRecordsNotFound = -2;

// Engine subfolders of each KSCOLLn folder of a copied index, in removal order.
inline constexpr const char* kIndexEngineFolders[] = {
    "assists", "morgue", "parts", "pdd", "style", "temp", "topicidx", "trans", "work"};

// Appends the full path of every file below folder, recursively, in the order
// the file system lists them. Links to folders (junctions, symbolic links,
// mount points) are neither followed nor listed; a folder that is one lists nothing.
void CollectFiles(const std::string& folder, std::vector<std::string>& list);

// The lines of a text file (CR LF or LF). False when it cannot be read.
bool ReadTextLines(const std::string& path, std::vector<std::string>& lines);
// Writes lines, each ending in CR LF, replacing the file once they are all
// written (system/ReplacementFile.h). False on failure, the file as it was.
bool WriteTextLines(const std::string& path, const std::vector<std::string>& lines);

// Where the run reads, writes and deletes.
struct RemovalSettings {
  std::string records_folder;  // with trailing backslash
  bool delete_index = false;   // the index check box
  std::string index_folder;    // the index folder shown in the dialog
  std::string shared_folder;   // never deleted from (with trailing backslash)
  std::string windows_folder;  // guarded from the index removal
  HKEY registry_root = HKEY_LOCAL_MACHINE;
  std::string uninstall_key;   // removed after a complete removal
  std::string app_paths_key;   // the same
  std::string active_setup_key;  // the same, in the 64-bit view (a run as SYSTEM wrote it)
  std::string product_key;     // its numbers reset in every run
};

// The index folder may be emptied and removed: a folder below a drive root,
// reached through no link, that is not the Windows, shared or records folder,
// contains none of them and lies not inside the shared folder. Any other
// folder read from KSDOCS.INF could hold what is not the index.
bool IndexFolderIsDeletable(const RemovalSettings& settings);

// The settings of this product on the system drive whose root is given.
RemovalSettings ProductRemovalSettings(const std::string& win_drive_root);

// What the run shows while it works.
class RemovalObserver {
 public:
  virtual ~RemovalObserver() = default;
  // The work begins; maximum is the number of steps that follow.
  virtual void Begin(int maximum) = 0;
  // One path is being processed (shown, the gauge advances, the display paced).
  virtual void Step(const std::string& path) = 0;
  // Time for the window to handle its messages.
  virtual void Pump() = 0;
  // A registry key could not be deleted (its path below the root).
  virtual void KeyNotDeleted(const std::string& key_path) = 0;
  // The work has ended.
  virtual void End() = 0;
};

// The removal run. Returns kRemovedCompletely, kSomeFilesRemain or kRecordsNotFound.
int32_t RemoveInstalledFiles(const RemovalSettings& settings, RemovalObserver& observer);

// The outcome message of a run.
Message OutcomeMessage(int32_t result);

// The folder the search index was copied to, as the records folder's
// KSDOCS.INF records it; nothing when no copy is recorded (the index cannot be
// deleted then).
std::optional<std::string> RecordedIndexCopy(const std::string& records_folder);

}  // namespace kestra
