// Times the install engine's file step in-process on a DVD image, and prints
// where each file's time goes:
//   engine_bench DVD_FOLDER WORK_FOLDER [RUNS]
// DVD_FOLDER is an image tools/mkdvd wrote (tools/bench/install_bench makes
// one with 1,000 extra small files); the files land below WORK_FOLDER, which
// stands for the application folder (app\) and the system drive's root
// (root\). Printed, each the best of RUNS:
// - the reading of the setup script (per file of the script), as the engine
//   reads it and with one GetPrivateProfileStringA call per value;
// - each step of one record as the engine takes it: the destination check,
//   the folder test and creation, the expander's call, the log line;
// - the whole expansion (InstallRun::ExpandFiles) without windows, and with
//   the install dialog shown but without its 50 ms pauses: what the engine
//   itself costs per file, and what the dialog's display adds; then with the
//   pauses over the first 200 records, and its time beyond them;
// - how long a 50 ms pause really takes.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "install/EZipApi.h"
#include "install/FileInst.h"
#include "install/FileList.h"
#include "script/Profile.h"
#include "system/FileSys.h"
#include "system/Handles.h"
#include "system/Mbcs.h"
#include "system/Messages.h"
#include "system/RunLog.h"
#include "system/RunValues.h"
#include "ui/Application.h"

namespace {

using namespace kestra;

constexpr int32_t kProductRow = 7;
// Records expanded with the dialog's 50 ms pauses: about ten seconds.
constexpr std::size_t kPacedRecords = 200;

double Now() {
  LARGE_INTEGER now, frequency;
  ::QueryPerformanceCounter(&now);
  ::QueryPerformanceFrequency(&frequency);
  return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

void RemoveTree(const std::string& folder) {
  WIN32_FIND_DATAA data;
  FindHandle find(::FindFirstFileA((folder + "\\*").c_str(), &data));
  if (!find) return;
  do {
    const std::string name = data.cFileName;
    if (name == "." || name == "..") continue;
    const std::string path = folder + "\\" + name;
    ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      RemoveTree(path);
      ::RemoveDirectoryA(path.c_str());
    } else {
      ::DeleteFileA(path.c_str());
    }
  } while (::FindNextFileA(find.get(), &data));
}

struct Places {
  std::string dvd, app, root;
};

std::vector<std::string> Records(const SetupScript& script, const Places& places) {
  FileListInput input;
  input.app_count = 1;
  input.install_mode = 1;
  input.product_index = kProductRow;
  input.install_dir = places.app;
  input.win_drive_root = places.root;
  return BuildFileList(script, input, {}).records;
}

std::string BaseOf(const std::string& tag, const Places& places) {
  if (tag == std::to_string(kProductRow)) return places.app;
  return tag == kLibraryTag ? LibraryBase(places.root) : CommonBase(places.root);
}

// The seconds of each step of one record, added up over the records.
struct StepTimes {
  double check = 0, folders = 0, expand = 0, log = 0;
};

void TimeOneRecord(const std::string& record, const Places& places, const EZipLibrary& ezip,
                   StepTimes& times) {
  const RecordParts parts = SplitRecord(record);
  const std::string base = BaseOf(parts.tag, places);
  const std::string folder = ExtractFilePath(parts.path);
  double start = Now();
  if (!DestinationStaysInBase(base, parts.path)) {
    std::fprintf(stderr, "engine_bench: refused %s\n", record.c_str());
    std::exit(1);
  }
  times.check += Now() - start;
  start = Now();
  if (!DirectoryExists(folder)) {
    std::string created;
    MakeDirs(parts.tag, folder, created);
  }
  times.folders += Now() - start;
  start = Now();
  // The application's base is the install folder itself, the one it is looked for in.
  const ExpansionCall call = ExpansionCallFor(parts.path, base, base);
  if (!ezip.ExpandLibOnce(GetScriptPath(places.dvd, kProductRow, kArchiveName), call.base,
                          call.member)) {
    std::fprintf(stderr, "engine_bench: not expanded %s\n", record.c_str());
    std::exit(1);
  }
  times.expand += Now() - start;
  start = Now();
  runlog::Write("Expanded: " + parts.path + " (" + std::to_string(FileSize(parts.path)) +
                " bytes)");
  times.log += Now() - start;
}

int WINAPI NoProgress(DWORD, DWORD) { return 0; }

StepTimes TimeSteps(const std::vector<std::string>& records, const Places& places,
                    const std::string& log) {
  EZipLibrary ezip;
  if (!ezip.Load(places.dvd, &NoProgress)) {
    std::fprintf(stderr, "engine_bench: no EZip.dll in %s\n", places.dvd.c_str());
    std::exit(1);
  }
  runlog::Open(log);
  StepTimes times;
  for (const std::string& record : records) TimeOneRecord(record, places, ezip, times);
  runlog::Close();
  return times;
}

// The run's display without windows, as an unattended run has it.
class NoWindows final : public InstallObserver {
 public:
  void ShowStep(int32_t) override {}
  void ShowHeading(const std::string&) override {}
  void ShowDetail(const std::string&) override {}
  void ResetBar(Bar, int) override {}
  void MoveBar(Bar, int) override {}
  void AdvanceBar(Bar) override {}
  void Pump() override { ProcessMessages(); }
  int Ask(const Message&) override { return IDOK; }
  void AllowCancel(bool) override {}
  void Pause(DWORD) override {}
};

// The install dialog, shown, with or without the pauses that pace it.
class BenchDialog final : public TFileInstDlg {
 public:
  explicit BenchDialog(bool paced) : paced_(paced) {}
  // Seconds spent in the pauses.
  double Paused() const { return paused_; }

 private:
  void Pause(DWORD milliseconds) override {
    if (!paced_) return;
    const double start = Now();
    ::Sleep(milliseconds);
    paused_ += Now() - start;
  }
  bool paced_;
  double paused_ = 0;
};

struct DialogTimes {
  double seconds = 0;  // the whole expansion
  double paused = 0;   // of which in the pauses
};

double TimeExpansion(InstallRun& run, const std::vector<std::string>& records,
                     const Places& places) {
  run.AppInfo.AppCount = 1;
  run.AppInfo.AppInfo.InstallMode = 1;
  run.AppInfo.AppInfo.ProductIndex = kProductRow;
  run.AppInfo.AppInfo.InstallDir = places.app;
  run.FFileList = records;
  const double start = Now();
  const bool expanded = run.ExpandFiles();
  const double seconds = Now() - start;
  if (!expanded) {
    std::fprintf(stderr, "engine_bench: the expansion failed\n");
    std::exit(1);
  }
  return seconds;
}

DialogTimes TimeDialogExpansion(const std::vector<std::string>& records, const Places& places,
                                bool paced) {
  BenchDialog dialog(paced);
  dialog.Create();
  dialog.Show();
  dialog.AppInfo.AppCount = 1;
  dialog.AppInfo.AppInfo.InstallMode = 1;
  dialog.AppInfo.AppInfo.ProductIndex = kProductRow;
  dialog.AppInfo.AppInfo.InstallDir = places.app;
  dialog.FFileList = records;
  const double start = Now();
  const bool expanded = dialog.ExpandFiles();
  const double seconds = Now() - start;
  dialog.Close();
  if (!expanded) {
    std::fprintf(stderr, "engine_bench: the expansion with the dialog failed\n");
    std::exit(1);
  }
  return {seconds, dialog.Paused()};
}

double TimePause(int count) {
  const double start = Now();
  for (int n = 0; n < count; ++n) ::Sleep(50);
  return (Now() - start) / count;
}

void Clean(const Places& places) {
  RemoveTree(RemoveBackslash(places.app));
  RemoveTree(RemoveBackslash(places.root));
}

double Best(const std::vector<double>& values) {
  return *std::min_element(values.begin(), values.end());
}

void PrintPerFile(const char* name, double seconds, std::size_t files) {
  std::printf("%s_ms_per_file %.3f\n", name, seconds * 1000.0 / static_cast<double>(files));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: engine_bench DVD_FOLDER WORK_FOLDER [RUNS]\n");
    return 2;
  }
  const int runs = argc > 3 ? std::max(1, std::atoi(argv[3])) : 3;
  Places places;
  places.dvd = AddBackslash(argv[1]);
  const std::string work = AddBackslash(argv[2]);
  places.app = work + "app\\";
  places.root = work + "root\\";
  ForceDirectories(places.root);
  Application.Initialize(::GetModuleHandleA(nullptr));
  SetupDir = places.dvd;
  WinDriveRoot = places.root;

  const std::string script_path = GetScriptPath(places.dvd, kProductRow, kScriptName);
  std::vector<double> script_reads, script_calls, checks, folders, expands, logs, quiet, shown;
  std::vector<std::string> records;
  for (int run = 0; run < runs; ++run) {
    double start = Now();
    const SetupScript script = ReadSetupScript(script_path);
    script_reads.push_back(Now() - start);
    start = Now();
    ReadSetupScript(WindowsProfile(script_path));
    script_calls.push_back(Now() - start);
    records = Records(script, places);

    Clean(places);
    const StepTimes steps = TimeSteps(records, places, work + "bench.log");
    checks.push_back(steps.check);
    folders.push_back(steps.folders);
    expands.push_back(steps.expand);
    logs.push_back(steps.log);

    Clean(places);
    NoWindows no_windows;
    InstallRun quiet_run(no_windows);
    quiet.push_back(TimeExpansion(quiet_run, records, places));

    Clean(places);
    shown.push_back(TimeDialogExpansion(records, places, false).seconds);
  }
  // Paced as SETUP paces it, over the first records only (50 ms each); the
  // animation plays meanwhile.
  Clean(places);
  const std::vector<std::string> paced_records(
      records.begin(), records.begin() + static_cast<std::ptrdiff_t>(std::min<std::size_t>(
                                             records.size(), kPacedRecords)));
  const DialogTimes paced = TimeDialogExpansion(paced_records, places, true);
  Clean(places);
  ::DeleteFileA((work + "bench.log").c_str());

  std::printf("files %zu\n", records.size());
  PrintPerFile("script_read", Best(script_reads), records.size());
  PrintPerFile("script_read_one_profile_call_per_value", Best(script_calls), records.size());
  PrintPerFile("step_destination_check", Best(checks), records.size());
  PrintPerFile("step_folders", Best(folders), records.size());
  PrintPerFile("step_expander_call", Best(expands), records.size());
  PrintPerFile("step_log_line", Best(logs), records.size());
  PrintPerFile("expansion_without_windows", Best(quiet), records.size());
  PrintPerFile("expansion_with_dialog_unpaced", Best(shown), records.size());
  std::printf("paced_files %zu\n", paced_records.size());
  PrintPerFile("expansion_with_dialog_paced", paced.seconds, paced_records.size());
  PrintPerFile("expansion_with_dialog_paced_beyond_50ms_pause",
               paced.seconds - 0.050 * static_cast<double>(paced_records.size()),
               paced_records.size());
  // Apart from the pauses: the same work costs more right after each pause
  // than in a run without them.
  PrintPerFile("expansion_with_dialog_paced_outside_the_pauses", paced.seconds - paced.paused,
               paced_records.size());
  std::printf("pause_50ms_takes_ms %.3f\n", TimePause(40) * 1000.0);
  return 0;
}
