// What the uninstaller's end-to-end tests share: the places an installation
// leaves its traces, an installation laid down directly (files, record, index,
// registry entries and the uninstaller copy), and the uninstaller started from
// the command line the Windows list of programs holds.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "UiDriver.h"

namespace e2e {

// Written out here, not taken from SETUP's sources, so that a wrong name in
// SETUP shows.
inline constexpr char kRecordsFolder[] = "C:\\Program Files\\ZEL\\Common Files\\UNINSTALL\\";
inline constexpr char kInstallFolder[] = "C:\\Program Files\\KESTRA\\";
inline constexpr char kIndexFolder[] = "C:\\KSDOCS\\";
inline constexpr char kSharedFile[] =
    "C:\\Program Files\\ZEL\\Common Files\\COM\\FoxitReader_AX_Std.ocx";
inline constexpr char kUninstallEntryKey[] =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\ケストラDVD";
inline constexpr char kAppPathsEntryKey[] =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\KESTRA.EXE";
inline constexpr char kProductRegistryKey[] = "SOFTWARE\\ZEL\\ケストラDVD";

// Every trace of an installation removed now and again at the end: the
// application and index folders, the records, the product's registry keys.
class MachineState {
 public:
  MachineState();
  ~MachineState();
  MachineState(const MachineState&) = delete;
  MachineState& operator=(const MachineState&) = delete;
};

struct PlantedInstallation {
  std::string install_dir;          // kInstallFolder
  std::string application;          // its KESTRA.EXE
  std::vector<std::string> files;   // every recorded file of the application
  std::string shared_file;          // recorded too, below the shared folder
};

// An installation as the installer leaves it: the viewer and its guide in the
// application folder with an empty BookMark folder, the PDF control in the
// shared folder, KSINSTALL.INF listing them and the created folders, SETUP.EXE
// copied as KSUINST.EXE, the product key, App Paths and the Uninstall entry.
PlantedInstallation PlantInstallation();

// A copied search index in folder: KSCOLL.INF and two collections with the
// engine's nine subfolders, one file in each; KSDOCS.INF naming the folder.
void PlantIndex(const std::string& folder);

// Starts the command line of the Uninstall entry's "UninstallString" (or of
// another of its values: "QuietUninstallString", as deployment tools run it)
// as Windows does: the quoted program path, then its arguments. Throws when
// the entry or the value is missing or the program path is not quoted.
uidrv::Process StartRecordedUninstaller(const std::string& value = "UninstallString");

// Whether the Uninstall and the App Paths entries exist.
using EntryPresence = std::pair<bool, bool>;
inline constexpr EntryPresence kEntriesPresent{true, true};
inline constexpr EntryPresence kEntriesGone{false, false};
EntryPresence ProgramEntries();

// SETUP's single-instance mutex exists.
bool SetupMutexHeld();

}  // namespace e2e
