// What runs without a desktop user leave to be read: the windows they showed
// (none, or the one of their progress), their logs and plans, and the state
// of the drives and the registry before and after, to prove what a run changed.
#pragma once

#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include "UiDriver.h"

namespace e2e {

using namespace std::chrono_literals;

// Every window the program shows until it ends, visible anywhere (off screen
// too), by class name, in the order first seen.
std::vector<std::string> VisibleWindowsUntilExit(const uidrv::Process& program,
                                                 uidrv::Millis timeout = 90s);

// Starts the program and waits for it: its exit code, and a failed
// expectation for every window it showed.
DWORD RunWithoutWindows(const std::string& exe, const std::string& args);

// A log or plan (UTF-8 with a byte-order mark) as code page 932 lines without
// their time stamps.
std::vector<std::string> LogEvents(const std::string& path);
bool HasEvent(const std::vector<std::string>& events, const std::string& event);
bool HasEventStarting(const std::vector<std::string>& events, const std::string& head);

// One change a plan lists ("Create folder: C:\...") or a log reports as made
// ("Folder created: C:\..."), named as the plan names it, without the detail
// that only one of them can know (the size written, the exit code).
struct ChangeEntry {
  std::string what;
  std::string object;
  bool operator==(const ChangeEntry&) const = default;
};
void PrintTo(const ChangeEntry& entry, std::ostream* out);
// The changes among the events, in their order: of a plan (planned) or of a log.
std::vector<ChangeEntry> ChangesOf(const std::vector<std::string>& events, bool planned);

// Every value below the keys (each "ROOT\key"), with its type and data.
using RegistrySnapshot = std::map<std::string, std::string>;
RegistrySnapshot SnapshotRegistry(const std::vector<std::pair<HKEY, std::string>>& keys);
// The product's keys, the list of programs' entry, App Paths (text form of
// each value), for comparing two machines.
RegistrySnapshot ProductValues();

// Every file and folder below the folders, with size and last-write time.
using FileSnapshot = std::map<std::string, std::string>;
FileSnapshot SnapshotFiles(const std::vector<std::string>& folders);
// Readable differences of two snapshots (UTF-8, one per line; empty: none).
std::string Differences(const std::map<std::string, std::string>& before,
                        const std::map<std::string, std::string>& after);

}  // namespace e2e
