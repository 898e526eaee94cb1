// Every Windows version SETUP tells apart, through one whole life cycle on one
// machine: a first installation from the sample DVD in the CD-ROM drive, with
// the version's own folder picker used to move one DVD and the search index
// copied; an upgrade from the next release's DVD; the recorded uninstaller with
// the index removed. After each step the files, shortcuts, records and registry
// values are compared with what they must be; after the uninstall only what the
// uninstaller keeps is left.
#include <gtest/gtest.h>

#include <windows.h>

#include <ctime>
#include <sstream>

#include "InstallDvd.h"
#include "SetupHarness.h"
#include "ShellPlaces.h"
#include "UninstallHarness.h"
#include "WineTestEnv.h"
#include "system/FileSys.h"
#include "system/Mbcs.h"
#include "system/Registry.h"
#include "wizard/DirSel.h"
#include "wizard/DriveSel.h"
#include "wizard/Setting.h"

namespace {

using namespace e2e;
using kestra::RegKey;
using kestra::TDirSelDlg;
using kestra::TDriveSelDlg;
using kestra::TSettingDlg;
using testenv::WinVersion;
using uidrv::MessageBoxRecord;
using uidrv::Process;
using uidrv::Session;
using uidrv::Window;

// Written out here, not taken from SETUP's sources, so that a wrong name in SETUP shows.
constexpr char kInstallDir[] = "C:\\Program Files\\KESTRA\\";
constexpr char kMachineKey[] = "SOFTWARE\\ZEL\\ケストラDVD\\";
constexpr char kSearchEntry[] = "C:\\ZEL\\LIB\\_NTI31\\BIN\\";  // short form, as written
constexpr char kEnvironmentKey[] = "SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment";
constexpr int kJudgementRow = 22;  // the last row of the DVD selection: DVD 3
constexpr char kMovedDvdFolder[] = "R:\\DVD3";

// How each version lets the user pick a folder.
enum class Picker { DirectoryDialog, InProcessBrowser, DirPick };

struct VersionCase {
  const char* name;
  WinVersion version;
  Picker picker;
  bool nt;                 // the all-users Start menu and the machine's search path
  const char* guide_link;  // the guide's Start-menu shortcut
  const char* index_dir;   // where the page proposes to copy the index
};

void PrintTo(const VersionCase& c, std::ostream* out) { *out << c.name; }

// One release of the product as the DVD describes it.
struct Release {
  std::string version, release, date;
};
const Release kFirst{"2.1.0.1", "2024年4月版", "2024/04/01"};
const Release kNewer{"2.2.0.0", "2024年10月版", "2024/10/01"};

std::string Today() {
  const std::time_t now = std::time(nullptr);
  char text[16];
  std::strftime(text, sizeof text, "%Y-%m-%d", std::localtime(&now));
  return text;
}

// The KSINSTALL.INF lines whose key starts with prefix ("KESTRA", "Dir_"), as values.
bool SameAsProduct(const std::string& installed, const std::string& source) {
  return kestra::FileExists(installed) &&
         testenv::ReadFile(installed) == testenv::ReadFile(SampleProductFile(source));
}

// ------------------------------------------------------------ the pickers

// The shell's folder browser: in SETUP's own process (Vista, 7) or in DIRPICK's.
Window WaitForBrowser(Session& session, const Process& setup, Picker picker) {
  if (picker == Picker::InProcessBrowser) return session.WaitForWindow("#32770");
  return WaitForDirPickDialog(setup);
}

// The browser's status text (the selected folder) once it differs from before.
std::string StatusOnceChanged(const Window& browser, const std::string& before) {
  Window status = browser.ChildById(14147);
  for (int i = 0; i < 250 && (status.Text().empty() || status.Text() == before); ++i) ::Sleep(20);
  return status.Text();
}

// The browser opens on the setup drive; the next folder of its tree is chosen.
// Returns the folder chosen.
std::string ChooseNextInBrowser(Session& session, const Process& setup, Picker picker) {
  Window browser = WaitForBrowser(session, setup, picker);
  EXPECT_EQ(StatusOnceChanged(browser, ""), kDvdRoot) << "the start folder is not selected";
  Window tree = browser.ChildByClass("SysTreeView32");
  const LPARAM down = 1 | static_cast<LPARAM>(::MapVirtualKeyA(VK_DOWN, MAPVK_VK_TO_VSC)) << 16;
  ::PostMessageA(tree.Handle(), WM_KEYDOWN, VK_DOWN, down);
  ::PostMessageA(tree.Handle(), WM_KEYUP, VK_DOWN, down | static_cast<LPARAM>(0xC0000000u));
  const std::string chosen = StatusOnceChanged(browser, kDvdRoot);
  EXPECT_NE(chosen, kDvdRoot) << "the selection did not move";
  browser.ChildById(IDOK).Click();
  for (int i = 0; i < 750 && uidrv::FindTopLevelWindow("#32770").Handle(); ++i) ::Sleep(20);
  return chosen;
}

// The DVD selection with only the judgement volume checked, moved with the
// version's picker. Returns the folder the row shows afterwards.
std::string MoveJudgementVolume(Session& session, const Process& setup, const Window& page,
                                Picker picker) {
  page.ChildById(TSettingDlg::IdDVDSelBtn).Click();
  Window drive_sel = session.WaitForWindow("TDriveSelDlg");
  drive_sel.ChildById(TDriveSelDlg::IdBtnUncheck).Click();
  Window list = drive_sel.ChildById(TDriveSelDlg::IdListView1);
  list.SetRowChecked(kJudgementRow, true);
  drive_sel.ChildById(TDriveSelDlg::IdDVDPathSelBtn).Click();
  std::string moved;
  if (picker == Picker::DirectoryDialog) {
    Window dir_sel = session.WaitForWindow("TDirSelDlg");
    EXPECT_EQ(dir_sel.ChildById(TDirSelDlg::IdEditPath).Text(), kDvdRoot);
    dir_sel.ChildById(TDirSelDlg::IdEditPath).Type(kMovedDvdFolder);
    dir_sel.ChildById(TDirSelDlg::IdButton1).Click();
    session.WaitForWindowGone("TDirSelDlg");
    moved = std::string(kMovedDvdFolder) + "\\";
  } else {
    moved = kestra::AddBackslash(ChooseNextInBrowser(session, setup, picker));
  }
  // DIRPICK's answer is taken on SETUP's next look at the ended process.
  Window undo = drive_sel.ChildById(TDriveSelDlg::IdUndoBtn);
  for (int i = 0; i < 250 && !undo.Enabled(); ++i) ::Sleep(20);
  const std::vector<uidrv::ListRow> rows = list.ListRows();
  EXPECT_EQ(rows.size(), 23u);
  for (std::size_t row = 0; row < rows.size(); ++row)
    EXPECT_EQ(rows[row].texts.at(2), row == kJudgementRow ? moved : std::string(kDvdRoot)) << row;
  drive_sel.ChildById(TDriveSelDlg::IdResultBtn).Click();
  session.WaitForWindowGone("TDriveSelDlg");
  return moved;
}

// ------------------------------------------------------------ what must be there

class VersionMatrix : public ::testing::TestWithParam<VersionCase> {
 protected:
  void SetUp() override {
    kestra::ForceDirectories(kMovedDvdFolder);
    RemoveAutoexec();
  }
  void TearDown() override {
    ::RemoveDirectoryA(kMovedDvdFolder);
    RemoveAutoexec();
    testenv::RemoveProductShortcuts();
  }
  static void RemoveAutoexec() {
    for (const char* name : {"C:\\AUTOEXEC.BAT", "C:\\AUTOEXEC.000", "C:\\AUTOEXEC.001"})
      ::DeleteFileA(name);
  }

  std::string StartMenuFolder() const {
    return (GetParam().nt ? testenv::CommonProgramsFolder() : testenv::UserProgramsFolder()) +
           "ケストラ\\";
  }
  std::vector<std::string> Shortcuts() const {
    return {testenv::DesktopFolder() + "ケストラDVD.LNK", StartMenuFolder() + "ケストラDVD.LNK",
            StartMenuFolder() + GetParam().guide_link};
  }

  void ExpectFiles() const {
    const VersionCase& c = GetParam();
    // Before Vista the index lies in the application folder's DOCS.
    std::vector<std::string> application = FilesBelow(kInstallDir);
    std::erase_if(application, [](const std::string& file) { return file.rfind("DOCS\\", 0) == 0; });
    EXPECT_EQ(application, (std::vector<std::string>{"KESTRA.EXE", "MANUAL\\利用ガイド.PDF"}));
    EXPECT_TRUE(SameAsProduct(std::string(kInstallDir) + "KESTRA.EXE", "KESTRA.EXE"));
    EXPECT_TRUE(SameAsProduct(std::string(kInstallDir) + "MANUAL\\利用ガイド.PDF", "MANUAL\\利用ガイド.PDF"));
    EXPECT_TRUE(kestra::DirectoryExists(std::string(kInstallDir) + "BookMark"));
    EXPECT_TRUE(SameAsProduct(std::string(kLibraryFolder) + "NTISRCH.DLL", "LIB\\NTISRCH.DLL"));
    EXPECT_TRUE(SameAsProduct(std::string(kLibraryFolder) + "NTIDIC.DAT", "LIB\\NTIDIC.DAT"));
    EXPECT_TRUE(SameAsProduct(std::string(kCommonFolder) + "FoxitReader_AX_Std.ocx",
                              "COM\\FoxitReader_AX_Std.ocx"));
    // The index, expanded where the DVD holds it compressed.
    const std::vector<std::string> index = FilesBelow(c.index_dir);
    EXPECT_EQ(index, FilesBelow(SampleProductFile("docs")));
    for (const std::string& file : index)
      EXPECT_TRUE(SameAsProduct(c.index_dir + file, "docs\\" + file)) << file;
    // The sync files and their tool in the shared folder.
    const std::string sync = std::string(kSyncFolder) + "KESTRA\\SyncFiles\\";
    EXPECT_EQ(FilesBelow(sync), FilesBelow(SampleProductFile("sync")));
    EXPECT_TRUE(SameAsProduct(std::string(kSyncFolder) + "RIRove.exe", "tools\\RIRove.exe"));
  }

  void ExpectShortcuts() const {
    const testenv::LinkFacts to_application{std::string(kInstallDir) + "KESTRA.EXE", "", ""};
    const testenv::LinkFacts to_guide{std::string(kInstallDir) + "MANUAL\\利用ガイド.PDF", "", ""};
    const std::vector<std::string> links = Shortcuts();
    EXPECT_EQ(testenv::ReadShellLink(links[0]), to_application);
    EXPECT_EQ(testenv::ReadShellLink(links[1]), to_application);
    EXPECT_EQ(testenv::ReadShellLink(links[2]), to_guide);
  }

  // KSINSTALL.INF: every application file and shortcut once, in order, then the
  // folders the installation made; the uninstaller copy; the index's record.
  void ExpectRecords() const {
    const std::vector<std::string> files = e2e::RecordValues("KESTRA");
    std::vector<std::string> expected = Shortcuts();
    expected.push_back(std::string(kInstallDir) + "KESTRA.EXE");
    expected.push_back(std::string(kInstallDir) + "MANUAL\\利用ガイド.PDF");
    for (const std::string& file : expected)
      EXPECT_EQ(std::count(files.begin(), files.end(), file), 1) << file;
    for (const std::string& file : files) EXPECT_TRUE(kestra::FileExists(file)) << file;
    EXPECT_TRUE(std::is_sorted(files.begin(), files.end(), [](const std::string& a, const std::string& b) {
      return ::lstrcmpiA(a.c_str(), b.c_str()) < 0;
    }));
    const std::vector<std::string> folders = e2e::RecordValues("Dir_");
    EXPECT_EQ(std::count(folders.begin(), folders.end(), StartMenuFolder()), 1);
    for (const std::string& folder : folders) EXPECT_EQ(folder.back(), '\\') << folder;
    EXPECT_EQ(testenv::ReadFile(std::string(kRecordsFolder) + "KSUINST.EXE"),
              testenv::ReadFile(testenv::DistFile("SETUP.EXE")));
    char docs[MAX_PATH] = {};
    ::GetPrivateProfileStringA("KESTRA", "DOCS", "", docs, sizeof docs,
                               (std::string(kRecordsFolder) + "KSDOCS.INF").c_str());
    EXPECT_EQ(kestra::AddBackslash(docs), GetParam().index_dir);
  }

  void ExpectRegistry(const Release& release, const std::string& moved_dvd) const {
    const VersionCase& c = GetParam();
    RegKey product = RegKey::Open(HKEY_LOCAL_MACHINE, kMachineKey, KEY_READ);
    ASSERT_TRUE(product);
    EXPECT_EQ(product.ReadStringOr("Version"), release.version);
    EXPECT_EQ(product.ReadStringOr("Release"), release.release);
    EXPECT_EQ(product.ReadStringOr("Date"), release.date);
    EXPECT_EQ(product.ReadDword("PermissionFlag"), DWORD{0}) << "a CD-ROM is no network drive";
    EXPECT_EQ(product.ReadDword("Service"), DWORD{0x800E0C});
    EXPECT_EQ(product.ReadStringOr("InstallDate"), Today());
    EXPECT_EQ(product.ReadDword("ALN"), DWORD{0x10A01});
    EXPECT_EQ(product.ReadStringOr("PDFViewer"), "FOXIT");
    for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
      SCOPED_TRACE(root == HKEY_LOCAL_MACHINE ? "machine" : "user");
      RegKey collection = RegKey::Open(root, std::string(kMachineKey) + "Collection", KEY_READ);
      ASSERT_TRUE(collection);
      EXPECT_EQ(collection.ReadStringOr("KSCOLL1"), "判例集");
      EXPECT_EQ(collection.ReadStringOr("KSCOLL2"), "法令集");
      EXPECT_EQ(collection.ReadStringOr("KSCOLL3"), "書式集");
      EXPECT_EQ(collection.ReadStringOr("CollectionVersion"), "5");
      EXPECT_EQ(kestra::AddBackslash(collection.ReadStringOr("Root")), c.index_dir);
      RegKey service = RegKey::Open(root, std::string(kMachineKey) + "Service", KEY_READ);
      ASSERT_TRUE(service);
      EXPECT_EQ(service.ReadStringOr("InstallDiskName"), "KESTRA_DVD");
      EXPECT_EQ(service.ReadStringOr("DocumentRoot"), std::string(kInstallDir) + "DOCS");
      EXPECT_EQ(service.ReadStringOr("InstallDrive"), kDvdRoot);
      for (int dvd = 1; dvd <= 23; ++dvd)
        EXPECT_EQ(service.ReadStringOr("DVDPath" + std::to_string(dvd)),
                  dvd == 3 ? moved_dvd : std::string(kDvdRoot))
            << dvd;
    }
    EXPECT_EQ(RegKey::Open(HKEY_LOCAL_MACHINE, std::string(kMachineKey) + "Collection", KEY_READ)
                  .ReadStringOr("Count"),
              "3");
    RegKey app_paths = RegKey::Open(HKEY_LOCAL_MACHINE, kAppPathsEntryKey, KEY_READ);
    EXPECT_EQ(app_paths.ReadStringOr(""), std::string(kInstallDir) + "KESTRA.EXE");
    EXPECT_EQ(app_paths.ReadStringOr("path"), kInstallDir);
    RegKey uninstall = RegKey::Open(HKEY_LOCAL_MACHINE, kUninstallEntryKey, KEY_READ);
    EXPECT_EQ(uninstall.ReadStringOr("DisplayName"), "ケストラDVD");
    EXPECT_EQ(uninstall.ReadStringOr("UninstallString"),
              "\"" + std::string(kRecordsFolder) + "KSUINST.EXE\" -UNINST");
    EXPECT_EQ(uninstall.ReadStringOr("DisplayIcon"), std::string(kInstallDir) + "KESTRA.EXE");
    EXPECT_EQ(uninstall.ReadStringOr("DisplayVersion"), release.version);
    EXPECT_EQ(uninstall.ReadStringOr("Publisher"), "ZEL Co.,Ltd.");
    EXPECT_EQ(RegKey::Open(HKEY_CLASSES_ROOT, std::string(kPdfControlClassKey) + "\\InprocServer32",
                           KEY_READ)
                  .ReadStringOr(""),
              std::string(kCommonFolder) + "FoxitReader_AX_Std.ocx");
  }

  // The library folder on the program search path: the machine's "Path" on NT,
  // AUTOEXEC.BAT on Windows 98, once per installation run.
  void ExpectSearchPath(int runs) const {
    if (GetParam().nt) {
      const std::string path =
          RegKey::Open(HKEY_LOCAL_MACHINE, kEnvironmentKey, KEY_READ).ReadStringOr("Path");
      EXPECT_NE(path.find(kSearchEntry), std::string::npos) << path;
      EXPECT_FALSE(kestra::FileExists("C:\\AUTOEXEC.BAT"));
    } else {
      std::string expected = " \r\n";
      for (int run = 0; run < runs; ++run) expected += "\r\nPATH=%PATH%;" + std::string(kSearchEntry) + ";\r\n";
      EXPECT_EQ(testenv::ReadFile("C:\\AUTOEXEC.BAT"), expected);
    }
  }

  void ExpectInstalled(const Release& release, const std::string& moved_dvd, int runs) const {
    ExpectFiles();
    ExpectShortcuts();
    ExpectRecords();
    ExpectRegistry(release, moved_dvd);
    ExpectSearchPath(runs);
  }

  InstalledCopy nothing_installed_;
  testenv::ScopedRegistryCleanup user_keys_{HKEY_CURRENT_USER, "SOFTWARE\\ZEL\\ケストラDVD"};
  testenv::ShortcutPlacesCleaned shortcuts_;
};

TEST_P(VersionMatrix, InstallUpgradeAndUninstallFromTheSampleDvds) {
  const VersionCase& c = GetParam();
  testenv::ScopedWindowsVersion version(c.version, {"SETUP.EXE", "KSUINST.EXE", "DIRPICK.EXE"});
  DvdInDrive dvd(SampleDvdImage(), kInstallDir);
  std::optional<Process> shell;
  if (c.picker == Picker::DirPick) shell.emplace(StartDesktopShell());

  // A first installation: the proposed folders, one DVD moved, the index copied.
  std::string moved;
  {
    Process setup = Process::Start("Q:\\SETUP.EXE", "", "Q:\\");
    Session session(setup);
    AcceptConsent(session);
    Window page = session.WaitForWindow(kSetting);
    EXPECT_EQ(page.ChildById(TSettingDlg::IdAppPathEdit).Text(), kInstallDir);
    EXPECT_EQ(page.ChildById(TSettingDlg::IdCollPathEdit).Text(), c.index_dir);
    EXPECT_TRUE(page.ChildById(TSettingDlg::IdCheckBox1).Checked());
    Window next = page.ChildById(TSettingDlg::IdInstallBtn);
    next.Click();
    moved = MoveJudgementVolume(session, setup, page, c.picker);
    next.Click();
    EXPECT_EQ(session.Answer("Yes"), expected::InstallStartQuestion());
    EXPECT_EQ(session.Answer("OK", 90s), expected::InstallDone());
    session.RequireExit();
    EXPECT_EQ(session.Transcript(), (std::vector<MessageBoxRecord>{expected::InstallStartQuestion(), expected::InstallDone()}));
  }
  ExpectInstalled(kFirst, moved, 1);

  // The next release: the installed copy is found and upgraded in place, its
  // choices kept; a damaged program file is replaced.
  testenv::WriteFile(std::string(kInstallDir) + "MANUAL\\利用ガイド.PDF", "damaged");
  dvd.Change(NewerSampleDvdImage());
  {
    Process setup = Process::Start("Q:\\SETUP.EXE", "", "Q:\\");
    Session session(setup);
    EXPECT_EQ(session.Answer("Yes"), expected::UpgradeQuestion());
    EXPECT_EQ(session.Answer("OK", 90s), expected::UpgradeDone());
    session.RequireExit();
    EXPECT_EQ(session.Transcript(), (std::vector<MessageBoxRecord>{expected::UpgradeQuestion(), expected::UpgradeDone()}));
  }
  ExpectInstalled(kNewer, moved, 2);
  const std::vector<std::string> recorded = e2e::RecordValues("KESTRA");

  // The uninstaller the installation recorded, with the index.
  {
    Process uninstaller = StartRecordedUninstaller();
    Session session(uninstaller);
    Window dialog = session.WaitForWindow(kUninstall);
    EXPECT_EQ(dialog.ChildByClass("Edit").Text(), c.index_dir);
    dialog.ChildByText("検索用インデックスも削除する", "Button").SetChecked(true);
    dialog.ChildByText("ｱﾝｲﾝｽﾄｰﾙ(&U)", "Button").Click();
    EXPECT_EQ(session.Answer("Yes"), expected::UninstallStartQuestion());
    EXPECT_EQ(session.Answer("OK", 90s), expected::UninstallDone());
    session.RequireExit();
  }
  for (const std::string& file : recorded) EXPECT_FALSE(kestra::FileExists(file)) << file;
  EXPECT_FALSE(kestra::DirectoryExists(kInstallDir));
  EXPECT_FALSE(kestra::DirectoryExists(StartMenuFolder()));
  EXPECT_FALSE(kestra::DirectoryExists(c.index_dir));
  EXPECT_EQ(ProgramEntries(), kEntriesGone);
  RegKey product = RegKey::Open(HKEY_LOCAL_MACHINE, kMachineKey, KEY_READ);
  EXPECT_EQ(product.ReadDword("Service"), DWORD{0});
  EXPECT_EQ(product.ReadDword("ALN"), DWORD{0});
  // What stays: the files the product family shares (the search engine's
  // library, which stays on the search path, the control, the sync files), and
  // the records folder with the uninstaller and what is left of the record.
  EXPECT_EQ(FilesBelow(kLibraryFolder), (std::vector<std::string>{"NTIDIC.DAT", "NTISRCH.DLL"}));
  ExpectSearchPath(2);
  EXPECT_TRUE(kestra::FileExists(std::string(kCommonFolder) + "FoxitReader_AX_Std.ocx"));
  EXPECT_TRUE(kestra::FileExists(std::string(kSyncFolder) + "RIRove.exe"));
  EXPECT_TRUE(e2e::RecordValues("KESTRA").empty());
  EXPECT_FALSE(kestra::FileExists(std::string(kRecordsFolder) + "KSUNINST.LOG"));
}

INSTANTIATE_TEST_SUITE_P(
    Windows, VersionMatrix,
    ::testing::Values(
        VersionCase{"Windows98", WinVersion::Win98, Picker::DirectoryDialog, false, "利用ガイド.LNK",
                    "C:\\Program Files\\KESTRA\\DOCS\\"},
        VersionCase{"WindowsXP", WinVersion::WinXP, Picker::DirectoryDialog, true, "利用ガイド.LNK",
                    "C:\\Program Files\\KESTRA\\DOCS\\"},
        VersionCase{"Vista", WinVersion::Vista, Picker::InProcessBrowser, true, "利用ガイド.LNK",
                    "C:\\ZEL\\KESTRA\\DOCS\\"},
        VersionCase{"Windows7", WinVersion::Win7, Picker::InProcessBrowser, true, "利用ガイド.LNK",
                    "C:\\ZEL\\KESTRA\\DOCS\\"},
        VersionCase{"Windows8", WinVersion::Win8, Picker::DirPick, true, "ケストラ 利用ガイド.LNK",
                    "C:\\ZEL\\KESTRA\\DOCS\\"},
        VersionCase{"Windows10", WinVersion::Win10, Picker::DirPick, true, "ケストラ 利用ガイド.LNK",
                    "C:\\ZEL\\KESTRA\\DOCS\\"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
