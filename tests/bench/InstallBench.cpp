// Times whole installations and uninstallations of two DVD images, with and
// without windows, and prints what each file and each removed entry costs:
//   install_bench BASE_IMAGE MANY_IMAGE RUNS [--wizard]
// BASE_IMAGE is the sample DVD, MANY_IMAGE the same with extra files
// (tools/bench/install_bench authors both). Each run installs each image from
// the CD-ROM drive Q: twice, once with windows and once -VERYSILENT (the
// order alternating from run to run), and removes each installation with the
// recorded uninstaller (KSUINST.EXE -UNINST) in the same mode. With windows
// means -SILENT (the install dialog with its 50 ms pause after each file and
// the index bar's sweeps, the uninstaller's dialog with its 20 ms per entry),
// or with --wizard the whole wizard driven as a user would (licence, settings
// page, the start question and the completion message); the uninstaller
// then still runs -SILENT, its dialog started at once.
//
// Per run: the seconds of every install and uninstall. Then, as minimum and
// median over the runs, each figure worked out within one run: the time per
// extra file with windows and without, the part of it beyond the 50 ms pause
// (the engine's own cost), the -VERYSILENT time of the larger image against
// its time with windows, and the same per removed entry for the uninstaller.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "InstallDvd.h"
#include "SetupHarness.h"
#include "system/FileSys.h"
#include "wizard/Setting.h"

namespace {

using namespace std::chrono_literals;

constexpr char kInstallDir[] = "C:\\Program Files\\KESTRA\\";
constexpr char kUninstaller[] = "C:\\Program Files\\ZEL\\Common Files\\UNINSTALL\\KSUINST.EXE";
constexpr char kRecord[] = "C:\\Program Files\\ZEL\\Common Files\\UNINSTALL\\KSINSTALL.INF";
// The pauses that pace the display: after each expanded file, per removed entry.
constexpr double kFilePause = 0.050;
constexpr double kEntryPause = 0.020;
constexpr auto kLongest = 600s;

double Now() {
  LARGE_INTEGER now, frequency;
  ::QueryPerformanceCounter(&now);
  ::QueryPerformanceFrequency(&frequency);
  return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

[[noreturn]] void Fail(const std::string& what) {
  std::fprintf(stderr, "install_bench: %s\n", what.c_str());
  std::exit(1);
}

enum class Mode { Windows, VerySilent };

struct Options {
  std::string base_image, many_image;
  int runs = 3;
  bool wizard = false;
};

// The wizard led through with what its pages propose, as the end-to-end
// tests lead it (e2e::InstallFromTheDvd), up to SETUP's exit.
void DriveTheWizard(uidrv::Process& setup) {
  uidrv::Session session(setup);
  e2e::AcceptConsent(session);
  uidrv::Window page = session.WaitForWindow(e2e::kSetting);
  uidrv::Window next = page.ChildById(kestra::TSettingDlg::IdInstallBtn);
  next.Click();  // to the index and DVD step
  next.Click();  // install
  session.Answer("Yes");
  session.Answer("OK", kLongest);
  session.RequireExit(kLongest);
}

// Seconds from SETUP's start until it has ended.
double TimeInstall(Mode mode, bool wizard) {
  const std::string args = mode == Mode::VerySilent ? "-VERYSILENT" : wizard ? "" : "-SILENT";
  const double start = Now();
  uidrv::Process setup = uidrv::Process::Start("Q:\\SETUP.EXE", args, "Q:\\");
  if (mode == Mode::Windows && wizard)
    DriveTheWizard(setup);
  else if (!setup.WaitForExit(kLongest))
    Fail("SETUP " + args + " did not end");
  const double seconds = Now() - start;
  if (setup.ExitCode() != 0)
    Fail("SETUP " + args + " ended with " + std::to_string(setup.ExitCode()));
  return seconds;
}

double TimeUninstall(Mode mode) {
  const std::string args = mode == Mode::VerySilent ? "-UNINST -VERYSILENT" : "-UNINST -SILENT";
  const double start = Now();
  uidrv::Process uninstall = uidrv::Process::Start(kUninstaller, args);
  if (!uninstall.WaitForExit(kLongest)) Fail("the uninstaller did not end");
  const double seconds = Now() - start;
  if (uninstall.ExitCode() != 0)
    Fail("the uninstaller ended with " + std::to_string(uninstall.ExitCode()));
  return seconds;
}

// The lines of the uninstall record: what the uninstaller walks, one entry each.
std::size_t RecordLines() {
  std::string text;
  if (!kestra::ReadWholeFile(kRecord, text)) Fail("no uninstall record");
  return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

struct Installation {
  double install = 0, uninstall = 0;
  std::size_t files = 0;    // installed files and shortcuts, as recorded
  std::size_t entries = 0;  // lines of the record the uninstaller walks
};

Installation Measure(const std::string& image, Mode mode, bool wizard) {
  e2e::DvdInDrive dvd(image, kInstallDir);
  Installation measured;
  measured.install = TimeInstall(mode, wizard);
  measured.files = e2e::RecordValues("KESTRA").size();
  measured.entries = RecordLines();
  measured.uninstall = TimeUninstall(mode);
  if (kestra::FileExists(std::string(kInstallDir) + "KESTRA.EXE")) Fail("not uninstalled");
  return measured;
}

// The four installations of one run.
struct Run {
  Installation base[2], many[2];  // by Mode
};

struct Figures {
  std::vector<double> many_windows, many_quiet, file_windows, file_quiet, engine_windows, ratio,
      entry_windows, entry_quiet, removal_windows;
};

void Add(Figures& figures, const Run& run) {
  const auto index = [](Mode mode) { return static_cast<int>(mode); };
  const Installation& bw = run.base[index(Mode::Windows)];
  const Installation& bq = run.base[index(Mode::VerySilent)];
  const Installation& mw = run.many[index(Mode::Windows)];
  const Installation& mq = run.many[index(Mode::VerySilent)];
  const double files = static_cast<double>(mw.files - bw.files);
  const double entries = static_cast<double>(mw.entries - bw.entries);
  if (files <= 0 || entries <= 0 || mq.files != mw.files || bq.files != bw.files)
    Fail("the images install no extra files, or the modes installed different files");
  figures.many_windows.push_back(mw.install);
  figures.many_quiet.push_back(mq.install);
  figures.file_windows.push_back((mw.install - bw.install) / files);
  figures.file_quiet.push_back((mq.install - bq.install) / files);
  figures.engine_windows.push_back((mw.install - bw.install) / files - kFilePause);
  figures.ratio.push_back(mq.install / mw.install);
  figures.entry_windows.push_back((mw.uninstall - bw.uninstall) / entries);
  figures.entry_quiet.push_back((mq.uninstall - bq.uninstall) / entries);
  figures.removal_windows.push_back((mw.uninstall - bw.uninstall) / entries - kEntryPause);
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

void Print(const std::string& name, const std::vector<double>& values, double scale) {
  std::printf("%s min %.3f median %.3f\n", name.c_str(),
              *std::min_element(values.begin(), values.end()) * scale, Median(values) * scale);
}

Options ParseOptions(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: install_bench BASE_IMAGE MANY_IMAGE RUNS [--wizard]\n");
    std::exit(2);
  }
  Options options;
  options.base_image = argv[1];
  options.many_image = argv[2];
  options.runs = std::max(1, std::atoi(argv[3]));
  options.wizard = argc > 4 && std::string(argv[4]) == "--wizard";
  return options;
}

}  // namespace

int main(int argc, char** argv) {
  const Options options = ParseOptions(argc, argv);
  const char* windows_name = options.wizard ? "wizard" : "silent";
  Figures figures;
  for (int r = 1; r <= options.runs; ++r) {
    Run run;
    // Alternating which mode goes first keeps the order from favouring either.
    const Mode first = r % 2 ? Mode::Windows : Mode::VerySilent;
    const Mode second = r % 2 ? Mode::VerySilent : Mode::Windows;
    for (const Mode mode : {first, second}) {
      const int m = static_cast<int>(mode);
      run.base[m] = Measure(options.base_image, mode, options.wizard);
      run.many[m] = Measure(options.many_image, mode, options.wizard);
    }
    for (const Mode mode : {Mode::Windows, Mode::VerySilent}) {
      const int m = static_cast<int>(mode);
      const char* name = mode == Mode::Windows ? windows_name : "verysilent";
      std::printf("run %d %s: install base %.3f s, many %.3f s (%zu files more); "
                  "uninstall base %.3f s, many %.3f s (%zu entries more)\n",
                  r, name, run.base[m].install, run.many[m].install,
                  run.many[m].files - run.base[m].files, run.base[m].uninstall,
                  run.many[m].uninstall, run.many[m].entries - run.base[m].entries);
    }
    std::fflush(stdout);
    Add(figures, run);
  }
  const std::string with = windows_name;
  std::printf("\n");
  Print("install_many_" + with + "_seconds", figures.many_windows, 1);
  Print("install_many_verysilent_seconds", figures.many_quiet, 1);
  Print("ratio_verysilent_to_" + with, figures.ratio, 1);
  Print("install_" + with + "_ms_per_file", figures.file_windows, 1000);
  Print("install_verysilent_ms_per_file", figures.file_quiet, 1000);
  Print("install_engine_ms_per_file_beyond_the_50ms_pause", figures.engine_windows, 1000);
  // The uninstaller shows its dialog with -SILENT in both modes of the install.
  Print("uninstall_silent_ms_per_entry", figures.entry_windows, 1000);
  Print("uninstall_verysilent_ms_per_entry", figures.entry_quiet, 1000);
  Print("uninstall_ms_per_entry_beyond_the_20ms_pause", figures.removal_windows, 1000);
  return 0;
}
