// What an installation from the sample DVD leaves where the user meets it: the
// shortcuts on the desktop and in the Start menu (read back through the shell),
// their uninstall records, and the PDF viewer control registered by REGSVR32.
#include <gtest/gtest.h>

#include <windows.h>
#include <tlhelp32.h>

#include <atomic>
#include <sstream>
#include <thread>

#include "InstallDvd.h"
#include "PlantedFiles.h"
#include "SetupHarness.h"
#include "ShellPlaces.h"
#include "UiDriver.h"
#include "WineTestEnv.h"
#include "system/FileSys.h"
#include "system/Registry.h"
#include "wizard/Setting.h"

namespace {

using e2e::DvdInDrive;
using testenv::LinkFacts;
using testenv::WinVersion;
using uidrv::MessageBoxRecord;
using namespace std::chrono_literals;

// Written out here, not taken from SETUP's sources, so a wrong name in SETUP shows.
constexpr char kInstallDir[] = "C:\\Program Files\\KESTRA\\";
constexpr char kRecord[] = "C:\\Program Files\\ZEL\\Common Files\\UNINSTALL\\KSINSTALL.INF";
constexpr char kScript[] = "Q:\\KESTRA\\SETUP_F.INI";
constexpr char kProductKey[] = "SOFTWARE\\ZEL\\ケストラDVD";

std::size_t Count(const std::vector<std::string>& values, const std::string& value) {
  return static_cast<std::size_t>(std::count(values.begin(), values.end(), value));
}

bool IsRunning(const char* program) {
  kestra::FileHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot) return false;
  PROCESSENTRY32 entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = ::Process32First(snapshot.get(), &entry); more;
       more = ::Process32Next(snapshot.get(), &entry))
    if (::lstrcmpiA(entry.szExeFile, program) == 0) return true;
  return false;
}

// Watches the process list from a second thread while it lives.
class ProcessWatch {
 public:
  explicit ProcessWatch(const char* program)
      : thread_([this, program] {
          while (!stop_) {
            if (IsRunning(program)) seen_ = true;
            std::this_thread::sleep_for(5ms);
          }
        }) {}
  ~ProcessWatch() { Stop(); }
  bool Seen() {
    Stop();
    return seen_;
  }

 private:
  void Stop() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
  }
  std::atomic<bool> stop_{false}, seen_{false};
  std::thread thread_;
};

class InstallLeaves : public ::testing::Test {
 protected:
  // Starts SETUP from the DVD and confirms the settings the page proposes.
  void StartAndConfirm() {
    setup_ = uidrv::Process::Start("Q:\\SETUP.EXE", "", "Q:\\");
    session_ = std::make_unique<uidrv::Session>(setup_);
    e2e::AcceptConsent(*session_);
    uidrv::Window settings = session_->WaitForWindow(e2e::kSetting);
    uidrv::Window install = settings.ChildById(kestra::TSettingDlg::IdInstallBtn);
    install.Click();
    install.Click();
    ASSERT_EQ(session_->Answer("Yes").caption, "インストール開始");
  }
  void Complete() {
    EXPECT_EQ(session_->Answer("OK", 60s), expected::InstallDone());
    session_->RequireExit();
    EXPECT_EQ(session_->Transcript().size(), 2u) << session_->TranscriptText();
  }

  e2e::InstalledCopy no_installed_copy_;
  uidrv::Process setup_;
  std::unique_ptr<uidrv::Session> session_;
};

// ---- Shortcuts --------------------------------------------------------------------

enum class Menu { AllUsers, User, None };

struct ShortcutCase {
  const char* name;
  WinVersion version;
  Menu menu;                 // where the Start-menu shortcuts must land
  bool guide_installed;
  bool folder_there_before;  // the Start-menu folder exists before the run
  bool machine_key_away;     // HKLM "Shell Folders" missing
  const char* guide_link;    // expected name, nullptr: none
};

void PrintTo(const ShortcutCase& c, std::ostream* out) { *out << c.name; }

class Shortcuts : public InstallLeaves, public ::testing::WithParamInterface<ShortcutCase> {};

TEST_P(Shortcuts, LandInTheFoldersTheRegistryNamesAndAreRecorded) {
  const ShortcutCase& c = GetParam();
  DvdInDrive dvd(e2e::SampleDvdImage(), kInstallDir);
  testenv::ScopedWindowsVersion version(c.version, {"SETUP.EXE"});
  if (!c.guide_installed) {
    ASSERT_TRUE(::WritePrivateProfileStringA("Groups", "Group2grpFiles", "0", kScript));
  }
  const std::string desktop = testenv::DesktopFolder();
  const std::string all_users = testenv::CommonProgramsFolder() + "ケストラ\\";
  const std::string user = testenv::UserProgramsFolder() + "ケストラ\\";
  const std::string menu = c.menu == Menu::AllUsers ? all_users : c.menu == Menu::User ? user : "";
  ASSERT_FALSE(desktop.empty());
  ASSERT_FALSE(all_users.empty() || user.empty());
  if (c.folder_there_before) {
    ASSERT_TRUE(kestra::ForceDirectories(menu));
  }
  // Windows 98 keeps the search path in AUTOEXEC.BAT, which the run creates.
  struct Autoexec {
    Autoexec() { Remove(); }
    ~Autoexec() { Remove(); }
    static void Remove() {
      for (const char* name : {"C:\\AUTOEXEC.BAT", "C:\\AUTOEXEC.000"}) ::DeleteFileA(name);
    }
  };
  std::optional<Autoexec> autoexec;
  if (c.version == WinVersion::Win98) autoexec.emplace();
  std::optional<testenv::ScopedKeyAway> machine_key;
  if (c.machine_key_away) machine_key.emplace(HKEY_LOCAL_MACHINE, testenv::kShellFolders);

  StartAndConfirm();
  Complete();
  machine_key.reset();

  const LinkFacts to_application{std::string(kInstallDir) + "KESTRA.EXE", "", ""};
  const LinkFacts to_guide{std::string(kInstallDir) + "MANUAL\\利用ガイド.PDF", "", ""};
  std::vector<std::string> links = {desktop + "ケストラDVD.LNK"};
  EXPECT_EQ(testenv::ReadShellLink(links[0]), to_application);
  if (!menu.empty()) {
    links.push_back(menu + "ケストラDVD.LNK");
    EXPECT_EQ(testenv::ReadShellLink(links.back()), to_application);
    std::vector<std::string> in_menu = {"ケストラDVD.LNK"};
    if (c.guide_link) {
      links.push_back(menu + c.guide_link);
      EXPECT_EQ(testenv::ReadShellLink(links.back()), to_guide);
      in_menu.push_back(c.guide_link);
    }
    std::sort(in_menu.begin(), in_menu.end());
    EXPECT_EQ(e2e::FilesBelow(menu), in_menu);
  }
  for (const std::string& other : {all_users, user}) {
    if (other != menu) {
      EXPECT_FALSE(kestra::DirectoryExists(other)) << other;
    }
  }

  const std::vector<std::string> recorded = e2e::RecordValues("KESTRA");
  for (const std::string& link : links) EXPECT_EQ(Count(recorded, link), 1u) << link;
  const std::vector<std::string> folders = e2e::RecordValues("Dir_");
  if (!menu.empty()) {
    EXPECT_EQ(Count(folders, menu), c.folder_there_before ? 0u : 1u) << menu;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Install, Shortcuts,
    ::testing::Values(
        ShortcutCase{"Windows7", WinVersion::Win7, Menu::AllUsers, true, false, false, "利用ガイド.LNK"},
        ShortcutCase{"Windows10", WinVersion::Win10, Menu::AllUsers, true, false, false,
                     "ケストラ 利用ガイド.LNK"},
        ShortcutCase{"NoGuideInstalled", WinVersion::Win10, Menu::AllUsers, false, false, false, nullptr},
        ShortcutCase{"StartMenuFolderThereBefore", WinVersion::Win7, Menu::AllUsers, true, true, false,
                     "利用ガイド.LNK"},
        ShortcutCase{"Windows98UsesTheUsersMenu", WinVersion::Win98, Menu::User, true, false, false,
                     "利用ガイド.LNK"},
        ShortcutCase{"MachineKeyMissing", WinVersion::Win7, Menu::None, true, false, true, nullptr}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- The PDF viewer control -----------------------------------------------------------

std::string RegisteredControl() {
  return kestra::RegKey::Open(HKEY_CLASSES_ROOT, std::string(e2e::kPdfControlClassKey) + "\\InprocServer32",
                              KEY_READ)
      .ReadStringOr("");
}
std::string PdfViewerChoice() {
  return kestra::RegKey::Open(HKEY_LOCAL_MACHINE, kProductKey, KEY_READ).ReadStringOr("PDFViewer");
}

// The control holds REGSVR32 in its registration until the test lets go: the
// install dialog meanwhile stays and answers its messages, the viewer's choice
// comes after the registration, and the completion message after both.
TEST_F(InstallLeaves, ControlRegisteredByRegsvr32WhileTheDialogAnswersThenTheViewerChoice) {
  DvdInDrive dvd(e2e::SampleDvdImage(), kInstallDir);
  const std::string hold = std::string(e2e::kCommonFolder) + "REGISTER.HOLD";
  const std::string waiting = std::string(e2e::kCommonFolder) + "REGISTER.WAITING";
  testenv::WriteFile(hold, "");
  StartAndConfirm();
  const auto until = std::chrono::steady_clock::now() + 60s;
  while (!kestra::FileExists(waiting) && std::chrono::steady_clock::now() < until)
    std::this_thread::sleep_for(20ms);
  ASSERT_TRUE(kestra::FileExists(waiting)) << "REGSVR32 never reached the control";
  EXPECT_TRUE(IsRunning("regsvr32.exe"));

  uidrv::Window dialog = session_->WaitForWindow("TFileInstDlg", 1s);
  for (int i = 0; i < 3; ++i) {
    DWORD_PTR answer = 0;
    EXPECT_NE(::SendMessageTimeoutA(dialog.Handle(), WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 2000, &answer), 0)
        << "the dialog does not answer while REGSVR32 runs";
    std::this_thread::sleep_for(300ms);
  }
  EXPECT_EQ(RegisteredControl(), "");
  EXPECT_EQ(PdfViewerChoice(), "");
  EXPECT_EQ(session_->Transcript().size(), 1u);

  ASSERT_TRUE(::DeleteFileA(hold.c_str()));
  Complete();
  EXPECT_EQ(RegisteredControl(), std::string(e2e::kCommonFolder) + "FoxitReader_AX_Std.ocx");
  EXPECT_EQ(PdfViewerChoice(), "FOXIT");
}

TEST_F(InstallLeaves, WithoutTheControlNoRegsvr32RunsAndTheViewerChoiceIsWritten) {
  DvdInDrive dvd(e2e::SampleDvdImage(), kInstallDir);
  ASSERT_TRUE(::WritePrivateProfileStringA("Groups", "Group4grpFiles", "0", kScript));
  ProcessWatch regsvr32("regsvr32.exe");
  StartAndConfirm();
  Complete();
  EXPECT_FALSE(regsvr32.Seen());
  EXPECT_FALSE(kestra::FileExists(std::string(e2e::kCommonFolder) + "FoxitReader_AX_Std.ocx"));
  EXPECT_EQ(RegisteredControl(), "");
  EXPECT_EQ(PdfViewerChoice(), "FOXIT");
}

// ---- Files planted beside SETUP ---------------------------------------------------------

// Offices run SETUP elevated from a copy of the DVD that others can write (a
// share, a downloaded folder). Libraries named like the system's and a
// REGSVR32.EXE planted beside it are neither loaded nor run, and the
// installation goes as before: the index expanded through the system's LZ32,
// the control registered by the system's REGSVR32. (VERSION.dll is planted
// too, but Wine cannot be made to look for it as Windows would; see
// PlantedFiles.h.)
TEST_F(InstallLeaves, LibrariesAndRegsvr32PlantedBesideSetupAreNeitherLoadedNorRun) {
  DvdInDrive dvd(e2e::SampleDvdImage(), kInstallDir);
  const testenv::PlantedFiles planted(e2e::kDvdDrive, testenv::PlantedFiles::Regsvr32::Yes);
  // Planted like this, the libraries are what a program importing them gets.
  const std::vector<std::string> control = planted.TracesOfAnImportingProgram();
  ASSERT_EQ(control, (std::vector<std::string>{"MPR.DLL: Q:\\importsplanted.exe",
                                               "LZ32.DLL: Q:\\importsplanted.exe"}));
  const testenv::ScopedNativeFirstLibraries native_first({"SETUP.EXE"});
  StartAndConfirm();
  // What SETUP imports is loaded before it starts its run.
  EXPECT_EQ(planted.Traces(), std::vector<std::string>{});
  Complete();
  EXPECT_EQ(planted.Traces(), std::vector<std::string>{});
  EXPECT_EQ(RegisteredControl(), std::string(e2e::kCommonFolder) + "FoxitReader_AX_Std.ocx");
  EXPECT_EQ(PdfViewerChoice(), "FOXIT");
  EXPECT_TRUE(e2e::HoldsTheSampleIndex(e2e::kDefaultIndexFolder));
  EXPECT_EQ(testenv::ReadFile(std::string(kInstallDir) + "KESTRA.EXE"),
            testenv::ReadFile(e2e::SampleProductFile("KESTRA.EXE")));
}

}  // namespace
