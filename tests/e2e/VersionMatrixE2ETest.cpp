// Every Windows version SETUP tells apart, through one whole life cycle on one
// machine: a first installation from the sample DVD in the CD-ROM drive, with
// the version's own folder picker used to move one DVD and the search index
// copied; an upgrade from the next release's DVD; the recorded uninstaller with
// the index removed. After each step the files, shortcuts, records and registry
// values are compared with what they must be; after the uninstall only what the
// uninstaller keeps is left.
//
// The rows of 64-bit Windows (WoW64/...) run this program in a 64-bit prefix
// of their own (tests/e2e/CMakeLists.txt), where it and SETUP are 32-bit
// programs under WoW64: there the life cycle runs through the wizard and again
// with -VERYSILENT, and each key of the product is looked for in both registry
// views. The other rows run in the 32-bit prefix.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <ctime>
#include <sstream>
#include <vector>

#include "InstallDvd.h"
#include "ProductKeys.h"
#include "RunRecords.h"
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
// The application folder of 32-bit Windows; 64-bit Windows gives 32-bit
// programs "C:\Program Files (x86)" as their ProgramFilesDir.
constexpr char kInstallDir[] = "C:\\Program Files\\KESTRA\\";
constexpr char kInstallDirOf32BitPrograms[] = "C:\\Program Files (x86)\\KESTRA\\";
constexpr char kCurrentVersionKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
constexpr char kPdfControl[] = "FoxitReader_AX_Std.ocx";
// The logs of the runs without windows.
constexpr char kLogFolder[] = "C:\\kestra_e2e\\matrix\\";
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
  // The application folder the page proposes and the installation uses.
  const char* install_dir = kInstallDir;
  // 64-bit Windows running the 32-bit programs under WoW64: each key of
  // ProductMachineKeys() in the views listed there, the search path one value
  // for both views, the records and shared files below the literal
  // "C:\Program Files\ZEL" (file system redirection covers System32 only).
  bool wow64 = false;
};

void PrintTo(const VersionCase& c, std::ostream* out) { *out << c.name; }

// One release of the product as the DVD describes it.
struct Release {
  std::string version, release, date;
};
const Release kFirst{"2.1.0.1", "2024年4月版", "2024/04/01"};
const Release kNewer{"2.2.0.0", "2024年10月版", "2024/10/01"};

// The product's machine-wide keys and how 64-bit Windows (7 and later) keeps
// each for the 32-bit programs that write it: most are redirected to the
// 32-bit view (Wow6432Node; for the control's class, HKEY_CLASSES_ROOT's
// 32-bit view, as REGSVR32 of the 32-bit system folder registers it) and are
// not in the 64-bit one; App Paths is one of the keys Windows shares between
// the views, one key seen in both. A key the product gains is added here, and
// every row of 64-bit Windows checks it in its views.
enum class Wow64Keeping { Redirected, Shared };
struct MachineKey {
  HKEY root;
  std::string path;
  Wow64Keeping keeping = Wow64Keeping::Redirected;
};
std::vector<MachineKey> ProductMachineKeys() {
  const std::string product = kProductRegistryKey;
  return {{HKEY_LOCAL_MACHINE, product},
          {HKEY_LOCAL_MACHINE, product + "\\Collection"},
          {HKEY_LOCAL_MACHINE, product + "\\Service"},
          {HKEY_LOCAL_MACHINE, kAppPathsEntryKey, Wow64Keeping::Shared},
          {HKEY_LOCAL_MACHINE, kUninstallEntryKey},
          {HKEY_CLASSES_ROOT, kPdfControlClassKey}};
}
std::string KeyName(const MachineKey& key) {
  return std::string(key.root == HKEY_CLASSES_ROOT ? "HKEY_CLASSES_ROOT\\" : "HKEY_LOCAL_MACHINE\\") +
         uidrv::ToUtf8(key.path);
}

std::string SystemFolder() {
  char folder[MAX_PATH] = {};
  const UINT length = ::GetSystemDirectoryA(folder, sizeof folder);
  return length > 0 && length < sizeof folder ? std::string(folder, length) : std::string();
}

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
    const VersionCase& c = GetParam();
    if (c.wow64 && sizeof(void*) == 8)
      GTEST_SKIP() << "the row of 64-bit Windows runs 32-bit programs under WoW64; this test "
                      "build is a 64-bit one (scripts/arch: this machine cannot execute 32-bit "
                      "code), whose prefix is 64-bit already and has no 32-bit program to run";
    ASSERT_EQ(testenv::RunsUnderWow64(), c.wow64)
        << (c.wow64 ? "the row of 64-bit Windows is to run in the 64-bit prefix (CTest's "
                      "WoW64/... tests), where this program runs under WoW64"
                    : "this row is to run in the prefix of the test build, not under WoW64");
    if (c.wow64) Expect64BitWindows();
    if (HasFatalFailure()) return;
    RemoveFromThe64BitView();
    kestra::ForceDirectories(kMovedDvdFolder);
    testenv::ResetFolder(kLogFolder);
    RemoveAutoexec();
  }
  void TearDown() override {
    ::RemoveDirectoryA(kMovedDvdFolder);
    RemoveAutoexec();
    testenv::RemoveProductShortcuts();
    RemoveFromThe64BitView();
    testenv::ResetFolder(kLogFolder);
    ::RemoveDirectoryA(kLogFolder);
  }
  static void RemoveAutoexec() {
    for (const char* name : {"C:\\AUTOEXEC.BAT", "C:\\AUTOEXEC.000", "C:\\AUTOEXEC.001"})
      ::DeleteFileA(name);
  }

  // What the row stands on: the prefix is 64-bit Windows as a 32-bit program
  // sees it, or nothing below says anything about WoW64.
  static void Expect64BitWindows() {
    EXPECT_EQ(RegKey::Open(HKEY_LOCAL_MACHINE, kCurrentVersionKey, KEY_READ | testenv::kView32)
                  .ReadStringOr("ProgramFilesDir"),
              "C:\\Program Files (x86)");
    EXPECT_EQ(RegKey::Open(HKEY_LOCAL_MACHINE, kCurrentVersionKey, KEY_READ | testenv::kView64)
                  .ReadStringOr("ProgramFilesDir"),
              "C:\\Program Files");
    // The system folder SETUP starts REGSVR32 from is System32 by name and
    // SysWOW64 in fact: its REGSVR32 is the 32-bit one.
    char wow64_folder[MAX_PATH] = {};
    ASSERT_GT(::GetSystemWow64DirectoryA(wow64_folder, sizeof wow64_folder), 0u);
    const std::string regsvr32 = testenv::ReadFile(SystemFolder() + "\\REGSVR32.EXE");
    ASSERT_FALSE(regsvr32.empty());
    EXPECT_EQ(regsvr32, testenv::ReadFile(std::string(wow64_folder) + "\\REGSVR32.EXE"));
    testenv::ScopedFsRedirectionOff redirection_off;
    EXPECT_NE(testenv::ReadFile(SystemFolder() + "\\REGSVR32.EXE"), regsvr32)
        << "without redirection System32 holds the 64-bit REGSVR32";
  }

  // On a row of 64-bit Windows whatever a faulty run left in the 64-bit view
  // goes, and so does an application folder of the 64-bit programs' Program
  // Files, so that the next run starts from a clean machine.
  void RemoveFromThe64BitView() const {
    if (!GetParam().wow64 || !testenv::RunsUnderWow64()) return;
    for (const MachineKey& key : ProductMachineKeys())
      EXPECT_TRUE(testenv::DeleteKeyTreeInView(key.root, key.path, testenv::kView64)) << KeyName(key);
    testenv::ResetFolder(kInstallDir);
    ::RemoveDirectoryA(kInstallDir);
  }


  std::string InstallDir() const { return GetParam().install_dir; }
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
    std::vector<std::string> application = FilesBelow(InstallDir());
    std::erase_if(application, [](const std::string& file) { return file.rfind("DOCS\\", 0) == 0; });
    EXPECT_EQ(application, (std::vector<std::string>{"KESTRA.EXE", "MANUAL\\利用ガイド.PDF"}));
    EXPECT_TRUE(SameAsProduct(InstallDir() + "KESTRA.EXE", "KESTRA.EXE"));
    EXPECT_TRUE(SameAsProduct(InstallDir() + "MANUAL\\利用ガイド.PDF", "MANUAL\\利用ガイド.PDF"));
    EXPECT_TRUE(kestra::DirectoryExists(InstallDir() + "BookMark"));
    EXPECT_TRUE(SameAsProduct(std::string(kLibraryFolder) + "NTISRCH.DLL", "LIB\\NTISRCH.DLL"));
    EXPECT_TRUE(SameAsProduct(std::string(kLibraryFolder) + "NTIDIC.DAT", "LIB\\NTIDIC.DAT"));
    EXPECT_TRUE(SameAsProduct(std::string(kCommonFolder) + kPdfControl,
                              std::string("COM\\") + kPdfControl));
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
    const testenv::LinkFacts to_application{InstallDir() + "KESTRA.EXE", "", ""};
    const testenv::LinkFacts to_guide{InstallDir() + "MANUAL\\利用ガイド.PDF", "", ""};
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
    expected.push_back(InstallDir() + "KESTRA.EXE");
    expected.push_back(InstallDir() + "MANUAL\\利用ガイド.PDF");
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
      EXPECT_EQ(service.ReadStringOr("DocumentRoot"), InstallDir() + "DOCS");
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
    EXPECT_EQ(app_paths.ReadStringOr(""), InstallDir() + "KESTRA.EXE");
    EXPECT_EQ(app_paths.ReadStringOr("path"), InstallDir());
    RegKey uninstall = RegKey::Open(HKEY_LOCAL_MACHINE, kUninstallEntryKey, KEY_READ);
    const std::string uninstaller = "\"" + std::string(kRecordsFolder) + "KSUINST.EXE\"";
    EXPECT_EQ(uninstall.ReadStringOr("DisplayName"), "ケストラDVD");
    EXPECT_EQ(uninstall.ReadStringOr("UninstallString"), uninstaller + " -UNINST");
    EXPECT_EQ(uninstall.ReadStringOr("QuietUninstallString"), uninstaller + " -UNINST -VERYSILENT");
    EXPECT_EQ(uninstall.ReadStringOr("InstallLocation"), InstallDir());
    EXPECT_EQ(uninstall.ReadStringOr("DisplayIcon"), InstallDir() + "KESTRA.EXE");
    EXPECT_EQ(uninstall.ReadStringOr("DisplayVersion"), release.version);
    EXPECT_EQ(uninstall.ReadStringOr("Publisher"), "ZEL Co.,Ltd.");
    EXPECT_EQ(uninstall.ReadDword("NoModify"), DWORD{1});
    EXPECT_EQ(uninstall.ReadDword("NoRepair"), DWORD{1});
    EXPECT_EQ(RegKey::Open(HKEY_CLASSES_ROOT, std::string(kPdfControlClassKey) + "\\InprocServer32",
                           KEY_READ)
                  .ReadStringOr(""),
              std::string(kCommonFolder) + kPdfControl);
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

  // On 64-bit Windows: which view and which folder each part of the
  // installation went to, read as a 64-bit program would read it as well.
  void ExpectPlacesOf64BitWindows() const {
    if (!GetParam().wow64) return;
    for (const MachineKey& key : ProductMachineKeys()) {
      EXPECT_TRUE(testenv::KeyExistsInView(key.root, key.path, testenv::kView32))
          << KeyName(key) << " is not in the 32-bit view";
      if (key.keeping == Wow64Keeping::Redirected) {
        EXPECT_FALSE(testenv::KeyExistsInView(key.root, key.path, testenv::kView64))
            << KeyName(key) << " is in the 64-bit view";
      } else {
        // One key: what the 32-bit programs wrote, read through the 64-bit view.
        EXPECT_EQ(RegKey::Open(key.root, key.path, KEY_READ | testenv::kView64).ReadStringOr(""),
                  RegKey::Open(key.root, key.path, KEY_READ | testenv::kView32).ReadStringOr(""))
            << KeyName(key) << " differs between the views";
      }
    }
    // SYSTEM is not redirected: both views read the one search path.
    const std::string path64 =
        RegKey::Open(HKEY_LOCAL_MACHINE, kEnvironmentKey, KEY_READ | testenv::kView64).ReadStringOr("Path");
    EXPECT_NE(path64.find(kSearchEntry), std::string::npos) << path64;
    EXPECT_EQ(RegKey::Open(HKEY_LOCAL_MACHINE, kEnvironmentKey, KEY_READ | testenv::kView32)
                  .ReadStringOr("Path"),
              path64);
    // The application in the 32-bit programs' folder, nothing in the 64-bit ones'.
    EXPECT_FALSE(kestra::DirectoryExists(kInstallDir)) << kInstallDir;
    // The records and the shared control below the literal C:\Program Files,
    // the same with the redirection of System32 off: nothing redirects them.
    EXPECT_FALSE(kestra::DirectoryExists("C:\\Program Files (x86)\\ZEL"));
    testenv::ScopedFsRedirectionOff redirection_off;
    EXPECT_TRUE(kestra::FileExists(std::string(kRecordsFolder) + "KSUINST.EXE"));
    EXPECT_TRUE(kestra::FileExists(std::string(kRecordsFolder) + "KSINSTALL.INF"));
    EXPECT_TRUE(SameAsProduct(std::string(kCommonFolder) + kPdfControl,
                              std::string("COM\\") + kPdfControl));
  }

  void ExpectInstalled(const Release& release, const std::string& moved_dvd, int runs) const {
    ExpectFiles();
    ExpectShortcuts();
    ExpectRecords();
    ExpectRegistry(release, moved_dvd);
    ExpectSearchPath(runs);
    ExpectPlacesOf64BitWindows();
  }

  // After the recorded uninstaller: the recorded files, the application and
  // Start-menu folders and the list-of-programs entries gone, the index gone
  // when it was to be removed and untouched otherwise.
  void ExpectUninstalled(const std::vector<std::string>& recorded, bool index_removed) const {
    const VersionCase& c = GetParam();
    for (const std::string& file : recorded) EXPECT_FALSE(kestra::FileExists(file)) << file;
    EXPECT_FALSE(kestra::DirectoryExists(InstallDir()));
    EXPECT_FALSE(kestra::DirectoryExists(StartMenuFolder()));
    if (index_removed)
      EXPECT_FALSE(kestra::DirectoryExists(c.index_dir));
    else
      EXPECT_EQ(FilesBelow(c.index_dir), FilesBelow(SampleProductFile("docs")));
    EXPECT_EQ(ProgramEntries(), kEntriesGone);
    RegKey product = RegKey::Open(HKEY_LOCAL_MACHINE, kMachineKey, KEY_READ);
    EXPECT_EQ(product.ReadDword("Service"), DWORD{0});
    EXPECT_EQ(product.ReadDword("ALN"), DWORD{0});
    // What stays: the files the product family shares (the search engine's
    // library, which stays on the search path, the control, the sync files), and
    // the records folder with the uninstaller and what is left of the record.
    EXPECT_EQ(FilesBelow(kLibraryFolder), (std::vector<std::string>{"NTIDIC.DAT", "NTISRCH.DLL"}));
    ExpectSearchPath(2);
    EXPECT_TRUE(kestra::FileExists(std::string(kCommonFolder) + kPdfControl));
    EXPECT_TRUE(kestra::FileExists(std::string(kSyncFolder) + "RIRove.exe"));
    EXPECT_TRUE(e2e::RecordValues("KESTRA").empty());
    EXPECT_FALSE(kestra::FileExists(std::string(kRecordsFolder) + "KSUNINST.LOG"));
    // Nothing of the product left in the 64-bit view: the redirected keys were
    // never there, the shared App Paths went with the 32-bit view's.
    if (c.wow64) {
      for (const MachineKey& key : ProductMachineKeys())
        EXPECT_FALSE(testenv::KeyExistsInView(key.root, key.path, testenv::kView64)) << KeyName(key);
    }
  }

  InstalledCopy nothing_installed_;
  testenv::ScopedRegistryCleanup user_keys_{HKEY_CURRENT_USER, "SOFTWARE\\ZEL\\ケストラDVD"};
  testenv::ShortcutPlacesCleaned shortcuts_;
};

TEST_P(VersionMatrix, InstallUpgradeAndUninstallFromTheSampleDvds) {
  const VersionCase& c = GetParam();
  testenv::ScopedWindowsVersion version(c.version, {"SETUP.EXE", "KSUINST.EXE", "DIRPICK.EXE"});
  DvdInDrive dvd(SampleDvdImage(), InstallDir());
  std::optional<Process> shell;
  if (c.picker == Picker::DirPick) shell.emplace(StartDesktopShell());

  // A first installation: the proposed folders, one DVD moved, the index copied.
  std::string moved;
  {
    Process setup = Process::Start("Q:\\SETUP.EXE", "", "Q:\\");
    Session session(setup);
    AcceptConsent(session);
    Window page = session.WaitForWindow(kSetting);
    EXPECT_EQ(page.ChildById(TSettingDlg::IdAppPathEdit).Text(), InstallDir());
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
  testenv::WriteFile(InstallDir() + "MANUAL\\利用ガイド.PDF", "damaged");
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
  ExpectUninstalled(recorded, /*index_removed=*/true);
}

// The same life cycle as deployment systems run it, with no window at any
// step: SETUP.EXE -VERYSILENT for the first installation (what the settings
// page would propose) and for the upgrade, then the Uninstall entry's
// QuietUninstallString as it stands. The same places are checked after each
// step; the index stays, as the quiet string does not ask for its removal.
class VersionMatrixVerySilent : public VersionMatrix {
 protected:
  // SETUP from the DVD with -VERYSILENT and a log; the log's events once it
  // ended without showing a window, with exit code 0.
  std::vector<std::string> RunVerySilent(const std::string& log_name) const {
    const std::string log = std::string(kLogFolder) + log_name;
    Process setup = Process::Start("Q:\\SETUP.EXE", "-VERYSILENT -LOG=\"" + log + "\"", "Q:\\");
    const std::vector<std::string> windows = VisibleWindowsUntilExit(setup);
    EXPECT_TRUE(windows.empty()) << "a window appeared: " << windows.front();
    EXPECT_EQ(setup.ExitCode(), 0u);
    const std::vector<std::string> events = LogEvents(log);
    EXPECT_FALSE(events.empty()) << log;
    if (!events.empty()) {
      EXPECT_EQ(events.back(), "Exit code 0");
    }
    return events;
  }
};

TEST_P(VersionMatrixVerySilent, InstallUpgradeAndUninstallFromTheSampleDvds) {
  const VersionCase& c = GetParam();
  testenv::ScopedWindowsVersion version(c.version, {"SETUP.EXE", "KSUINST.EXE", "DIRPICK.EXE"});
  DvdInDrive dvd(SampleDvdImage(), InstallDir());

  const std::vector<std::string> install = RunVerySilent("install.log");
  EXPECT_TRUE(HasEventStarting(install, "Run: install, ")) << "no new installation";
  EXPECT_TRUE(HasEvent(install, "Setting: AppDir=" + InstallDir() + " (proposed)"));
  EXPECT_TRUE(HasEvent(install, std::string("Setting: IndexDir=") + c.index_dir + " (proposed)"));
  const auto windows = std::find_if(install.begin(), install.end(), [](const std::string& event) {
    return event.rfind("Windows: ", 0) == 0;
  });
  ASSERT_NE(windows, install.end());
  const std::string architecture = c.wow64 ? ", 64-bit (this 32-bit program under WoW64)" : ", 32-bit";
  EXPECT_TRUE(windows->ends_with(architecture)) << *windows;
  // REGSVR32 by the system folder's name, which leads to SysWOW64 under WoW64.
  EXPECT_TRUE(HasEvent(install, "Started: \"" + SystemFolder() + "\\REGSVR32.EXE\" /S \"" +
                                    kCommonFolder + kPdfControl + "\" (exit code 0)"));
  ExpectInstalled(kFirst, kDvdRoot, 1);

  testenv::WriteFile(InstallDir() + "MANUAL\\利用ガイド.PDF", "damaged");
  dvd.Change(NewerSampleDvdImage());
  const std::vector<std::string> upgrade = RunVerySilent("upgrade.log");
  EXPECT_TRUE(HasEventStarting(upgrade, "Run: upgrade, ")) << "no upgrade";
  EXPECT_TRUE(HasEvent(upgrade, "Setting: AppDir=" + InstallDir() + " (installed copy)"));
  ExpectInstalled(kNewer, kDvdRoot, 2);
  const std::vector<std::string> recorded = e2e::RecordValues("KESTRA");

  {
    Process uninstaller = StartRecordedUninstaller("QuietUninstallString");
    const std::vector<std::string> windows_seen = VisibleWindowsUntilExit(uninstaller);
    EXPECT_TRUE(windows_seen.empty()) << "a window appeared: " << windows_seen.front();
    EXPECT_EQ(uninstaller.ExitCode(), 0u);
  }
  ExpectUninstalled(recorded, /*index_removed=*/false);
}

// Deployment systems install as the SYSTEM account: the Active Setup
// component must be where the logon of 64-bit Windows looks for it, the 64-bit
// view (the test variant of SETUP claims the account, which Wine cannot give).
// At the logon the uninstaller copy gives the user the machine's values; the
// uninstaller removes the component.
TEST_P(VersionMatrixVerySilent, AsTheSystemAccountTheActiveSetupComponentIsFoundByTheLogon) {
  const VersionCase& c = GetParam();
  testenv::ScopedWindowsVersion version(c.version, {"SETUP.EXE", "KSUINST.EXE"});
  DvdInDrive dvd(SampleDvdImage(), InstallDir());
  ASSERT_TRUE(testenv::CopyFileTo(testenv::SetupVariant(), "Q:\\SETUP.EXE"));
  {
    testenv::ScopedEnvironment system_account("KESTRA_TEST_SYSTEM_ACCOUNT", "1");
    EXPECT_EQ(RunWithoutWindows("Q:\\SETUP.EXE", "-VERYSILENT"), 0u);
  }
  const std::string component_key = productkeys::kActiveSetupKey;
  RegKey component = RegKey::Open(HKEY_LOCAL_MACHINE, component_key, KEY_READ | testenv::kView64);
  ASSERT_TRUE(component) << "not in the 64-bit view";
  const std::string records = "C:\\Program Files\\ZEL\\Common Files\\UNINSTALL\\";
  EXPECT_EQ(component.ReadStringOr("StubPath"), "\"" + records + "KSUINST.EXE\" -USERSETUP");
  EXPECT_EQ(component.ReadStringOr("Version"), "2,1,0,1");
  EXPECT_EQ(component.ReadDword("IsInstalled"), 1u);
  component.Close();
  EXPECT_FALSE(RegKey::Open(HKEY_CURRENT_USER, productkeys::kCollectionKey, KEY_READ));

  EXPECT_EQ(RunWithoutWindows(records + "KSUINST.EXE", "-USERSETUP"), 0u);
  EXPECT_EQ(RegKey::Open(HKEY_CURRENT_USER, productkeys::kCollectionKey, KEY_READ).ReadStringOr("Root"),
            c.index_dir);

  Process uninstaller = StartRecordedUninstaller("QuietUninstallString");
  EXPECT_TRUE(VisibleWindowsUntilExit(uninstaller).empty());
  EXPECT_EQ(uninstaller.ExitCode(), 0u);
  EXPECT_FALSE(testenv::KeyExistsInView(HKEY_LOCAL_MACHINE, component_key, testenv::kView64));
  kestra::DeleteKeyTree(HKEY_CURRENT_USER, productkeys::kProductRegistryKey);
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

// 64-bit Windows: these run in the 64-bit prefix only (tests/e2e/CMakeLists.txt),
// through the wizard and without windows.
const VersionCase kRowsOf64BitWindows[] = {
    {"Windows10", WinVersion::Win10, Picker::DirPick, true, "ケストラ 利用ガイド.LNK",
     "C:\\ZEL\\KESTRA\\DOCS\\", kInstallDirOf32BitPrograms, /*wow64=*/true},
};
INSTANTIATE_TEST_SUITE_P(WoW64, VersionMatrix, ::testing::ValuesIn(kRowsOf64BitWindows),
                         [](const auto& info) { return std::string(info.param.name); });
INSTANTIATE_TEST_SUITE_P(WoW64, VersionMatrixVerySilent, ::testing::ValuesIn(kRowsOf64BitWindows),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
