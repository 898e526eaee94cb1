// The install dialog with a stand-in expander: the file step, progress,
// cancelling, copy errors and the order of Install.
#include <gtest/gtest.h>

#include <windows.h>

#include "BoxAnswerer.h"
#include "ShellPlaces.h"
#include "WineTestEnv.h"
#include "install/FileInst.h"
#include "install/FileList.h"
#include "system/ComPtr.h"
#include "system/FileSys.h"
#include "system/Handles.h"
#include "system/Mbcs.h"
#include "system/Registry.h"
#include "system/RunValues.h"
#include "ui/Application.h"

using namespace kestra;
using enginetest::BoxAnswerer;
using enginetest::SeenBox;

namespace {

const std::string kRoot = testenv::kInProcessWork + "engine\\dialog\\";
const std::string kDvd = kRoot + "dvd\\";
const std::string kApp = kRoot + "app\\";
const std::string kWinRoot = kRoot + "root\\";  // stands for the system drive's root
const std::string kLog = kRoot + "ezip.log";
const std::string kArchive = kDvd + "KESTRA\\SETUP_F.EZP";
const std::string kProductKey = "SOFTWARE\\ZEL\\ケストラDVD";


std::vector<std::string> Lines(const std::string& text) { return SplitLines(text); }

std::vector<std::string> ExpandCalls() {
  std::vector<std::string> calls;
  for (const std::string& line : Lines(testenv::ReadFile(kLog)))
    if (line.rfind("expand|", 0) == 0) calls.push_back(line.substr(7));
  return calls;
}

std::string Call(const std::string& base, const std::string& member) {
  return kArchive + "|" + base + "|" + member + "|0";
}

void SetEnv(const char* name, const std::string& value) {
  ::SetEnvironmentVariableA(name, value.empty() ? nullptr : value.c_str());
}

// Exposes the dialog's controls to the checks.
class Dialog : public TFileInstDlg {
 public:
  std::string ControlText(int id) const { return Item(id).Text(); }
  HWND Control(int id) const { return Item(id).Handle(); }
};

class InstallDialog : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (!Application.Handle()) Application.Initialize(::GetModuleHandleA(nullptr));
  }

  void SetUp() override {
    testenv::ResetFolder(kRoot);
    places_ = roots_.PlaceShellFolders(kRoot + "shell\\");
    ForceDirectories(kDvd + "KESTRA");
    UseEZip("FakeEZip.dll");
    SetupDir = kDvd;
    WinDriveRoot = kWinRoot;
    ProgramOnlyUpdate = 0;
    SetEnv("KESTRA_FAKE_EZIP_LOG", kLog);
    dialog_.Create();
    dialog_.AppInfo.AppCount = 1;
    dialog_.AppInfo.AppInfo.InstallMode = 1;
    dialog_.AppInfo.AppInfo.ProductIndex = 7;
    dialog_.AppInfo.AppInfo.InstallDir = kApp;
    dialog_.SourceDir = kDvd;
  }

  void TearDown() override {
    if (dialog_.Visible()) dialog_.Close();
    for (const char* name : {"KESTRA_FAKE_EZIP_LOG", "KESTRA_FAKE_EZIP_FAIL",
                             "KESTRA_FAKE_EZIP_RESULT", "KESTRA_FAKE_EZIP_CLICK"})
      SetEnv(name, "");
    ProgramOnlyUpdate = 0;
  }

  void UseEZip(const std::string& stand_in) {
    ASSERT_TRUE(testenv::CopyFileTo(testenv::TestBinary(stand_in), kDvd + "EZip.dll"))
        << stand_in;
  }

  void WriteScript() {
    testenv::WriteFile(kDvd + "KESTRA\\SETUP_F.INI",
                       "[Groups]\r\nGroups=4\r\n"
                       "Group1Name=KESTRA\r\nGroup1Dir=<INSTALLDIR>\r\nGroup1grpFiles=1\r\n"
                       "Group1File1=KESTRA.EXE\r\n"
                       "Group2Name=MANUAL\r\nGroup2Dir=<INSTALLDIR>MANUAL\\\r\n"
                       "Group2grpFiles=1\r\nGroup2File1=MANUAL\\利用ガイド.PDF\r\n"
                       "Group3Name=LIB_NTI31\r\nGroup3Dir=LIB\\_NTI31\\BIN\\\r\n"
                       "Group3grpFiles=1\r\nGroup3File1=NTISRCH.DLL\r\n"
                       "Group4Name=COM\\FOXIT\r\nGroup4Dir=COM\\\r\nGroup4grpFiles=1\r\n"
                       "Group4File1=FoxitReader_AX_Std.ocx\r\n");
  }

  // The records of the script above, for a new installation.
  std::vector<std::string> ProductRecords() const {
    return {"7," + kApp + "KESTRA.EXE", "7," + kApp + "MANUAL\\利用ガイド.PDF",
            "99," + kWinRoot + "ZEL\\LIB\\_NTI31\\BIN\\NTISRCH.DLL",
            "98," + kWinRoot + "Program Files\\ZEL\\Common Files\\COM\\FoxitReader_AX_Std.ocx"};
  }

  // The shortcuts a successful run adds after them (Windows 7, the guide installed),
  // in the shell folders the test's registry roots name.
  std::vector<std::string> RecordsWithShortcuts() const {
    const std::string menu = places_.common_programs + "ケストラ\\";
    std::vector<std::string> records = ProductRecords();
    for (const std::string& link : {places_.desktop + "ケストラDVD.LNK",
                                    menu + "ケストラDVD.LNK", menu + "利用ガイド.LNK"})
      records.push_back("7," + link);
    return records;
  }

  std::vector<std::string> ProductCalls() const {
    return {Call(kApp, "KESTRA.EXE"), Call(kApp, "MANUAL\\利用ガイド.PDF"),
            Call(kWinRoot + "ZEL\\", "LIB\\_NTI31\\BIN\\NTISRCH.DLL"),
            Call(kWinRoot + "Program Files\\ZEL\\Common Files\\",
                 "COM\\FoxitReader_AX_Std.ocx")};
  }

  void ShowWithRecords(std::vector<std::string> records) {
    dialog_.Show();
    dialog_.FFileList = std::move(records);
  }

  std::string ClickOnCancelWhile(const std::string& member) {
    return member + "|" +
           std::to_string(reinterpret_cast<INT_PTR>(dialog_.Control(TFileInstDlg::IdButton1)));
  }

  // The product's keys and the shell's folders below the test's own key and folder.
  testenv::ScopedProductRoots roots_;
  testenv::ScopedProductRoots::ShellPlaces places_;
  Dialog dialog_;
};

void ExpectCancelQuestion(const SeenBox& box) {
  ExpectBox(box, expected::InstallCancelQuestion());
  EXPECT_EQ(box.default_button, IDNO);
}

}  // namespace

// ---- Loading the expander --------------------------------------------------

TEST_F(InstallDialog, EmptyListStillLoadsAndUnloadsTheExpander) {
  BoxAnswerer boxes(IDOK);
  ShowWithRecords({});
  EXPECT_TRUE(dialog_.ExpandFiles());
  EXPECT_EQ(Lines(testenv::ReadFile(kLog)),
            (std::vector<std::string>{"attach", "progress-set", "detach"}));
  EXPECT_EQ(::GetModuleHandleA((kDvd + "EZip.dll").c_str()), nullptr);
  EXPECT_EQ(dialog_.Gauge2().Maximum(), 0);
  EXPECT_TRUE(boxes.Seen().empty());
}

TEST_F(InstallDialog, MissingExpanderFailsWithoutAMessage) {
  BoxAnswerer boxes(IDOK);
  ::DeleteFileA((kDvd + "EZip.dll").c_str());
  ShowWithRecords({"7," + kApp + "KESTRA.EXE"});
  EXPECT_FALSE(dialog_.ExpandFiles());
  EXPECT_FALSE(FileExists(kApp + "KESTRA.EXE"));
  EXPECT_TRUE(boxes.Seen().empty());
}

TEST_F(InstallDialog, MissingProgressExportFailsWithoutCallingTheExpander) {
  BoxAnswerer boxes(IDOK);
  UseEZip("FakeEZipNoProgress.dll");
  ShowWithRecords({"7," + kApp + "KESTRA.EXE"});
  EXPECT_FALSE(dialog_.ExpandFiles());
  EXPECT_EQ(Lines(testenv::ReadFile(kLog)), (std::vector<std::string>{"attach", "detach"}));
  EXPECT_TRUE(boxes.Seen().empty());
}

TEST_F(InstallDialog, MissingExpandExportFailsAfterRegisteringProgress) {
  BoxAnswerer boxes(IDOK);
  UseEZip("FakeEZipNoExpand.dll");
  ShowWithRecords({"7," + kApp + "KESTRA.EXE"});
  EXPECT_FALSE(dialog_.ExpandFiles());
  EXPECT_EQ(Lines(testenv::ReadFile(kLog)),
            (std::vector<std::string>{"attach", "progress-set", "detach"}));
  EXPECT_TRUE(boxes.Seen().empty());
}

// ---- Expanding ---------------------------------------------------------------

TEST_F(InstallDialog, ExpandsEveryRecordRelativeToItsGroupBase) {
  BoxAnswerer boxes(IDOK);
  ShowWithRecords(ProductRecords());
  ASSERT_TRUE(dialog_.ExpandFiles());
  EXPECT_EQ(ExpandCalls(), ProductCalls());
  EXPECT_EQ(testenv::ReadFile(kApp + "MANUAL\\利用ガイド.PDF"), "MANUAL\\利用ガイド.PDF");
  EXPECT_TRUE(FileExists(kWinRoot + "ZEL\\LIB\\_NTI31\\BIN\\NTISRCH.DLL"));
  // Only the application's folders are recorded for removal.
  EXPECT_EQ(dialog_.FDirList,
            (std::vector<std::string>{"7," + kRoot + "app\\", "7," + kApp + "MANUAL\\"}));
  EXPECT_EQ(dialog_.Gauge2().Maximum(), 4);
  EXPECT_EQ(dialog_.Gauge2().Position(), 4);
  // The last record joined the library's batch.
  EXPECT_EQ(dialog_.Gauge1().Maximum(), 2);
  EXPECT_EQ(dialog_.Gauge1().Position(), 2);
  EXPECT_EQ(dialog_.ControlText(TFileInstDlg::IdLabel1), "PDFViewer をインストールしています。");
  EXPECT_EQ(dialog_.ControlText(TFileInstDlg::IdMemo2), "FoxitReader_AX_Std.ocx");
  EXPECT_EQ(Lines(testenv::ReadFile(kLog)).back(), "detach");
  EXPECT_TRUE(boxes.Seen().empty());
}

TEST_F(InstallDialog, ShowsWhatIsBeingInstalled) {
  ShowWithRecords({"7," + kApp + "KESTRA.EXE"});
  ASSERT_TRUE(dialog_.ExpandFiles());
  EXPECT_EQ(dialog_.ControlText(TFileInstDlg::IdLabel1), "ケストラDVD をインストールしています。");
  EXPECT_EQ(dialog_.ControlText(TFileInstDlg::IdMemo2), "KESTRA.EXE");

  ShowWithRecords({"99," + kWinRoot + "ZEL\\LIB\\X.DLL"});
  ASSERT_TRUE(dialog_.ExpandFiles());
  EXPECT_EQ(dialog_.ControlText(TFileInstDlg::IdLabel1),
            "検索用エンジン をインストールしています。");
  EXPECT_TRUE(dialog_.FDirList.empty());
}

TEST_F(InstallDialog, CopyErrorIsReportedAndStopsTheRun) {
  BoxAnswerer boxes(IDOK);
  SetEnv("KESTRA_FAKE_EZIP_FAIL", "MANUAL\\利用ガイド.PDF");
  ShowWithRecords(ProductRecords());
  EXPECT_FALSE(dialog_.ExpandFiles());
  EXPECT_TRUE(dialog_.FCancel);
  // Nothing after the failing file is asked for; the file before stays.
  const std::vector<std::string> all = ProductCalls();
  EXPECT_EQ(ExpandCalls(), (std::vector<std::string>{all[0], all[1]}));
  EXPECT_TRUE(FileExists(kApp + "KESTRA.EXE"));
  EXPECT_EQ(Lines(testenv::ReadFile(kLog)).back(), "detach");
  ASSERT_EQ(boxes.Seen().size(), 1u);
  const SeenBox box = boxes.Seen()[0];
  ExpectBox(box, expected::CopyFailed());
  EXPECT_EQ(box.caption, "ファイルコピーエラー");
  EXPECT_EQ(box.icon, "error");
  EXPECT_EQ(box.buttons.size(), 1u);
}

TEST_F(InstallDialog, GroupFolderThatLeavesItsBaseStopsBeforeAnyFolderIsMade) {
  const std::string common = kWinRoot + "Program Files\\ZEL\\Common Files\\";
  const std::vector<std::string> escaping = {
      "7," + kApp + "..\\ESCAPE\\X.DLL",
      "7," + kApp + "SUB\\..\\..\\ESCAPE\\X.DLL",
      "7," + kApp + "SUB/../../ESCAPE/X.DLL",
      "7," + kApp + "C:\\ESCAPE\\X.DLL",
      "7," + kApp + "\\\\kestrasrv\\other\\ESCAPE\\X.DLL",
      "99," + kWinRoot + "ZEL\\..\\..\\ESCAPE\\X.DLL",
      "98," + common + "..\\..\\..\\ESCAPE\\X.DLL",
  };
  for (const std::string& record : escaping) {
    SCOPED_TRACE(record);
    BoxAnswerer boxes(IDOK);
    testenv::WriteFile(kLog, "");
    testenv::ResetFolder(kApp);
    ::RemoveDirectoryA(kApp.c_str());
    ShowWithRecords({"7," + kApp + "KESTRA.EXE", record});
    EXPECT_FALSE(dialog_.ExpandFiles());
    EXPECT_TRUE(dialog_.FCancel);
    EXPECT_EQ(ExpandCalls(), std::vector<std::string>{Call(kApp, "KESTRA.EXE")});
    EXPECT_FALSE(DirectoryExists(kRoot + "ESCAPE"));
    EXPECT_FALSE(DirectoryExists(kApp + "SUB"));
    EXPECT_EQ(dialog_.FDirList, std::vector<std::string>{"7," + kRoot + "app\\"});
    ASSERT_EQ(boxes.Seen().size(), 1u);
    ExpectBox(boxes.Seen()[0], expected::CopyFailed());
    EXPECT_EQ(boxes.Seen()[0].caption, "ファイルコピーエラー");
  }
  // "..." resolves to a ".." part that no file below the base can have (found
  // by the setup_script fuzz harness: the check let it pass).
  EXPECT_FALSE(DestinationStaysInBase(kApp, kApp + "...\\X.DLL"));
  EXPECT_FALSE(DestinationStaysInBase(kApp, kApp + "SUB\\...\\X.DLL"));
  // Names that merely contain dots stay inside.
  EXPECT_TRUE(DestinationStaysInBase(kApp, kApp + "..HIDDEN\\X.DLL"));
  EXPECT_TRUE(DestinationStaysInBase(kApp, kApp + "A..B\\X.DLL"));
  EXPECT_FALSE(DestinationStaysInBase(kApp, kRoot + "other\\X.DLL"));
  // Out and back in: inside, resolved from the text alone or, through the
  // base's 8.3 name, only once the long names are looked up.
  EXPECT_TRUE(DestinationStaysInBase(kApp, kApp + "SUB\\..\\X.DLL"));
  EXPECT_TRUE(DestinationStaysInBase(kApp, kApp + "..\\app\\X.DLL"));
  const std::string long_base = kRoot + "long folder name\\";
  ASSERT_TRUE(ForceDirectories(long_base));
  char short_base[MAX_PATH];
  ASSERT_GT(::GetShortPathNameA(long_base.c_str(), short_base, sizeof short_base), 0u);
  const std::string short_name = ExtractFileName(RemoveBackslash(short_base));
  ASSERT_NE(short_name, "long folder name");
  EXPECT_TRUE(DestinationStaysInBase(long_base, long_base + "..\\" + short_name + "\\X.DLL"));
  EXPECT_FALSE(DestinationStaysInBase(long_base, long_base + "..\\" + short_name + "X\\X.DLL"));
}

TEST_F(InstallDialog, ResultIsAFailureOnlyWhenItRoundsBelowZero) {
  {
    BoxAnswerer boxes(IDOK);
    SetEnv("KESTRA_FAKE_EZIP_RESULT", "-0.5");
    ShowWithRecords({"7," + kApp + "A.DLL"});
    EXPECT_TRUE(dialog_.ExpandFiles());
    EXPECT_TRUE(boxes.Seen().empty());
  }
  {
    BoxAnswerer boxes(IDOK);
    SetEnv("KESTRA_FAKE_EZIP_RESULT", "-0.51");
    ShowWithRecords({"7," + kApp + "A.DLL"});
    EXPECT_FALSE(dialog_.ExpandFiles());
    ASSERT_EQ(boxes.Seen().size(), 1u);
    EXPECT_EQ(boxes.Seen()[0].caption, "ファイルコピーエラー");
  }
}

// ---- Cancelling ----------------------------------------------------------------

TEST_F(InstallDialog, CancelConfirmedStopsBeforeTheNextFile) {
  BoxAnswerer boxes(IDYES);
  ShowWithRecords(ProductRecords());
  SetEnv("KESTRA_FAKE_EZIP_CLICK", ClickOnCancelWhile("MANUAL\\利用ガイド.PDF"));
  EXPECT_FALSE(dialog_.ExpandFiles());
  EXPECT_TRUE(dialog_.FCancel);
  // The file being written when the user confirmed is finished; no further one.
  EXPECT_EQ(ExpandCalls().size(), 2u);
  EXPECT_TRUE(FileExists(kApp + "MANUAL\\利用ガイド.PDF"));
  EXPECT_FALSE(FileExists(kWinRoot + "ZEL\\LIB\\_NTI31\\BIN\\NTISRCH.DLL"));
  ASSERT_EQ(boxes.Seen().size(), 1u);
  ExpectCancelQuestion(boxes.Seen()[0]);
}

TEST_F(InstallDialog, CancelAnsweredNoGoesOn) {
  BoxAnswerer boxes(IDNO);
  ShowWithRecords(ProductRecords());
  SetEnv("KESTRA_FAKE_EZIP_CLICK", ClickOnCancelWhile("KESTRA.EXE"));
  EXPECT_TRUE(dialog_.ExpandFiles());
  EXPECT_FALSE(dialog_.FCancel);
  EXPECT_EQ(ExpandCalls(), ProductCalls());
  ASSERT_EQ(boxes.Seen().size(), 1u);
  ExpectCancelQuestion(boxes.Seen()[0]);
}

TEST_F(InstallDialog, EscapeAsksOnlyWhileTheCancelButtonIsEnabled) {
  BoxAnswerer boxes(IDYES);
  ShowWithRecords({});
  ::EnableWindow(dialog_.Control(TFileInstDlg::IdButton1), FALSE);
  ::SendMessageA(dialog_.Handle(), WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
  EXPECT_FALSE(dialog_.FCancel);
  ::EnableWindow(dialog_.Control(TFileInstDlg::IdButton1), TRUE);
  ::SendMessageA(dialog_.Handle(), WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
  EXPECT_TRUE(dialog_.FCancel);
  EXPECT_EQ(boxes.Seen().size(), 1u);
}

// ---- The file list from the DVD -----------------------------------------------

TEST_F(InstallDialog, FileListComparesTheDvdWithTheInstalledVersion) {
  ASSERT_TRUE(RegKey::Create(roots_.Machine(), kProductKey).WriteString("Version", "2.1"));
  testenv::WriteFile(kDvd + "SETUP.INF", "[Products]\r\nVersion=2.1.0.1\r\n");
  WriteScript();
  dialog_.AppInfo.AppInfo.InstallMode = 2;
  dialog_.Show();
  ASSERT_TRUE(dialog_.MakeFileList());
  const std::vector<std::string> all = ProductRecords();
  EXPECT_EQ(dialog_.FFileList, (std::vector<std::string>{all[0], all[1], all[3]}));
  EXPECT_EQ(dialog_.FStartMode, 2);
  EXPECT_EQ(dialog_.AppInfo.AppInfo.InstallMode, 1);
  EXPECT_EQ(dialog_.AppInfo.AppInfo.AppVersion, "2.1.0.1");

  ASSERT_TRUE(RegKey::Open(roots_.Machine(), kProductKey).WriteString("Version", "2.1.0.1"));
  dialog_.AppInfo.AppInfo.InstallMode = 2;
  ASSERT_TRUE(dialog_.MakeFileList());
  EXPECT_EQ(dialog_.FFileList, std::vector<std::string>{all[3]});
  EXPECT_EQ(dialog_.AppInfo.AppInfo.InstallMode, 2);
}

TEST_F(InstallDialog, FileListOfAProgramOnlyUpdate) {
  testenv::WriteFile(kDvd + "KESTRA\\SETUP_F.INI",
                     "[Groups]\r\nGroups=1\r\nGroup1Name=KESTRA\r\nGroup1Dir=<INSTALLDIR>\r\n"
                     "Group1grpFiles=2\r\nGroup1File1=KESTRA.EXE\r\nGroup1File2=README.TXT\r\n");
  ProgramOnlyUpdate = 100;
  dialog_.AppInfo.AppInfo.InstallMode = 2;
  dialog_.Show();
  ASSERT_TRUE(dialog_.MakeFileList());
  EXPECT_EQ(dialog_.FFileList, std::vector<std::string>{"7," + kApp + "KESTRA.EXE"});
}

TEST_F(InstallDialog, MissingScriptGivesAnEmptyListAndSucceeds) {
  dialog_.Show();
  EXPECT_TRUE(dialog_.MakeFileList());
  EXPECT_TRUE(dialog_.FFileList.empty());
  EXPECT_TRUE(dialog_.ExpandFiles());
}

// ---- The whole run -------------------------------------------------------------

TEST_F(InstallDialog, InstallExpandsTheDvdAndCreatesTheBookmarkFolder) {
  BoxAnswerer boxes(IDOK);
  WriteScript();
  dialog_.Show();
  dialog_.SourceDir = kRoot + "dvd";
  EXPECT_TRUE(dialog_.Install());
  EXPECT_EQ(dialog_.SourceDir, kDvd);
  EXPECT_EQ(dialog_.FFileList, RecordsWithShortcuts());
  EXPECT_EQ(ExpandCalls(), ProductCalls());
  EXPECT_TRUE(DirectoryExists(kApp + "BookMark"));
  EXPECT_EQ(dialog_.ControlText(TFileInstDlg::IdMemo1), "レジストリへ登録しています。");
  EXPECT_TRUE(boxes.Seen().empty());
}

TEST_F(InstallDialog, InstallWithTwoPassesExpandsEveryFileTwice) {
  WriteScript();
  dialog_.AppInfo.AppCount = 2;
  dialog_.Show();
  EXPECT_EQ(dialog_.Gauge2().Maximum(), 2);
  EXPECT_TRUE(dialog_.Install());
  const std::vector<std::string> once = ProductCalls();
  std::vector<std::string> twice = once;
  twice.insert(twice.end(), once.begin(), once.end());
  EXPECT_EQ(ExpandCalls(), twice);
  EXPECT_TRUE(DirectoryExists(kApp + "BookMark"));
}

TEST_F(InstallDialog, CancelledInstallFailsAndSkipsTheLaterSteps) {
  BoxAnswerer boxes(IDYES);
  WriteScript();
  dialog_.Show();
  SetEnv("KESTRA_FAKE_EZIP_CLICK", ClickOnCancelWhile("KESTRA.EXE"));
  EXPECT_FALSE(dialog_.Install());
  EXPECT_EQ(ExpandCalls().size(), 1u);
  // The planned list stays complete for the uninstall record; no shortcut is made.
  EXPECT_EQ(dialog_.FFileList, ProductRecords());
  EXPECT_FALSE(DirectoryExists(kApp + "BookMark"));
  EXPECT_EQ(dialog_.ControlText(TFileInstDlg::IdMemo1), "レジストリへ登録しています。");
}

TEST_F(InstallDialog, InstallFailsWhenTheExpanderIsMissing) {
  BoxAnswerer boxes(IDOK);
  WriteScript();
  ::DeleteFileA((kDvd + "EZip.dll").c_str());
  dialog_.Show();
  EXPECT_FALSE(dialog_.Install());
  EXPECT_FALSE(DirectoryExists(kApp + "BookMark"));
  EXPECT_TRUE(boxes.Seen().empty());
}

TEST_F(InstallDialog, ClosingIsRefusedWhileTheRunGoesOn) {
  WriteScript();
  dialog_.Show();
  // Alt+F4 arrives while the files are written.
  ::PostMessageA(dialog_.Handle(), WM_CLOSE, 0, 0);
  EXPECT_TRUE(dialog_.Install());
  EXPECT_TRUE(dialog_.Visible());
  EXPECT_EQ(dialog_.FFileList, RecordsWithShortcuts());
  dialog_.Close();
  EXPECT_FALSE(dialog_.Visible());
  EXPECT_TRUE(dialog_.FFileList.empty());
}

// ---- Progress display ---------------------------------------------------------

TEST_F(InstallDialog, ShowStepNamesTheStep) {
  dialog_.Show();
  const std::vector<std::string> texts = {
      "ファイルをコピーしています。", "レジストリへ登録しています。",
      "バックアップファイルをコピーしています。", "アイコンを作成しています。"};
  for (int step = 0; step < 4; ++step) {
    dialog_.ShowStep(step);
    EXPECT_EQ(dialog_.ControlText(TFileInstDlg::IdMemo1), texts[static_cast<std::size_t>(step)]);
    EXPECT_EQ(dialog_.Caption(), "アプリケーションをインストールしています");
  }
  dialog_.ShowStep(4);
  EXPECT_EQ(dialog_.ControlText(TFileInstDlg::IdMemo1), "検索用インデックスをコピーしています。");
  EXPECT_EQ(dialog_.Caption(), "検索用インデックスをインストールしています");
  dialog_.ShowStep(5);
  dialog_.ShowStep(-1);
  EXPECT_EQ(dialog_.ControlText(TFileInstDlg::IdMemo1), "検索用インデックスをコピーしています。");
}

TEST_F(InstallDialog, CopyProgressDrivesTheGaugesOfTheIndexCopy) {
  dialog_.Show();
  dialog_.Gauge2().SetRange(0, 100);
  // Before the index step: only the text and the file gauge.
  EXPECT_EQ(dialog_.CopyProgress("C:\\IDX\\A.IDX", 40), 0);
  EXPECT_EQ(dialog_.ControlText(TFileInstDlg::IdMemo2), "C:\\IDX\\A.IDX");
  EXPECT_EQ(dialog_.Gauge2().Position(), 0);

  dialog_.FIndexProgress = 1;
  dialog_.FPhase = 1;
  DWORD start = ::GetTickCount();
  dialog_.CopyProgress("C:\\IDX\\B.IDX", 40);
  EXPECT_GE(::GetTickCount() - start, 100u);  // the sweep: six steps of 20 ms
  EXPECT_EQ(dialog_.Gauge2().Position(), 40);
  EXPECT_EQ(dialog_.Gauge1().Maximum(), 5);
  EXPECT_EQ(dialog_.Gauge1().Position(), 1);
  // A percent of 0 leaves the overall gauge where it is.
  dialog_.CopyProgress("", 0);
  EXPECT_EQ(dialog_.Gauge2().Position(), 40);
  // A second index copy counts on from 100 (clamped to the range).
  dialog_.FPhase = 2;
  dialog_.CopyProgress("", 10);
  EXPECT_EQ(dialog_.Gauge2().Position(), 100);
}

TEST_F(InstallDialog, ShowingStartsAFreshRun) {
  dialog_.FCancel = true;
  dialog_.FStartMode = 2;
  dialog_.FFileList = {"7,X"};
  dialog_.FDirList = {"7,Y\\"};
  dialog_.AppInfo.AppCount = 3;
  dialog_.Show();
  EXPECT_FALSE(dialog_.FCancel);
  EXPECT_EQ(dialog_.FStartMode, 0);
  EXPECT_TRUE(dialog_.FFileList.empty());
  EXPECT_TRUE(dialog_.FDirList.empty());
  EXPECT_EQ(dialog_.Gauge1().Maximum(), 0);
  EXPECT_EQ(dialog_.Gauge2().Maximum(), 3);
  EXPECT_EQ(dialog_.Gauge2().Position(), 0);
  EXPECT_EQ(dialog_.ControlText(TFileInstDlg::IdLabel1), "インストールの準備中です．．．");
}

// ---- The index step and the sync files -------------------------------------------

namespace {

const std::string kSyncSource = kDvd + "KESTRA\\Upgrade\\SyncFile\\";
const std::string kSharedSync = kWinRoot + "Program Files\\ZEL\\Common Files\\SyncFiles\\";
const std::string kSyncTarget = kSharedSync + "KESTRA\\SyncFiles\\";
const std::string kTool = kSharedSync + "RIRove.exe";
const std::string kToolSource = kDvd + "Upgrade\\RIROVE._XE";

using testenv::LzData;

void SetYear(const std::string& path, WORD year) { testenv::SetFileDate(path, year, 4); }

void SyncFolderOnTheDvd(bool with_version_file) {
  if (with_version_file) testenv::WriteFile(kSyncSource + "SyncFile.inf", "[SyncFile]\r\n");
  testenv::WriteFile(kSyncSource + "A.DAT", "a");
  testenv::WriteFile(kSyncSource + "SUB\\DEEP\\B.DAT", "b");
  ASSERT_TRUE(testenv::CopyFileTo(LzData("TEXT.BI_"), kToolSource));
  if (with_version_file) SetYear(kSyncSource + "SyncFile.inf", 2024);
  SetYear(kToolSource, 2024);
}

}  // namespace

TEST_F(InstallDialog, SyncFilesAreCopiedOnceWithTheirSubfoldersAndTheToolExpanded) {
  SyncFolderOnTheDvd(true);
  dialog_.Show();
  EXPECT_TRUE(dialog_.CopySyncFiles());
  EXPECT_EQ(testenv::ReadFile(kSyncTarget + "A.DAT"), "a");
  EXPECT_EQ(testenv::ReadFile(kSyncTarget + "SUB\\DEEP\\B.DAT"), "b");
  EXPECT_EQ(testenv::ReadFile(kTool), testenv::ReadFile(LzData("TEXT.BIN")));

  // A second installation from the same DVD: the installed files are as new
  // as the DVD's, so nothing is copied over what is there now.
  testenv::WriteFile(kSyncTarget + "A.DAT", "changed");
  testenv::WriteFile(kTool, "mine");
  SetYear(kTool, 2024);
  EXPECT_TRUE(dialog_.CopySyncFiles());
  EXPECT_EQ(testenv::ReadFile(kSyncTarget + "A.DAT"), "changed");
  EXPECT_EQ(testenv::ReadFile(kTool), "mine");

  // A newer DVD: its files and its newer tool replace the installed ones.
  SetYear(kSyncSource + "SyncFile.inf", 2025);
  SetYear(kToolSource, 2025);
  EXPECT_TRUE(dialog_.CopySyncFiles());
  EXPECT_EQ(testenv::ReadFile(kSyncTarget + "A.DAT"), "a");
  EXPECT_EQ(testenv::ReadFile(kTool), testenv::ReadFile(LzData("TEXT.BIN")));
}

TEST_F(InstallDialog, SyncFolderWithoutItsVersionFileCopiesNothing) {
  SyncFolderOnTheDvd(false);
  testenv::WriteFile(kTool, "mine");
  SetYear(kTool, 2001);
  dialog_.Show();
  EXPECT_TRUE(dialog_.CopySyncFiles());
  EXPECT_FALSE(DirectoryExists(kSyncTarget));
  EXPECT_EQ(testenv::ReadFile(kTool), "mine");
}

TEST_F(InstallDialog, IndexCopyRunsTheDvdScriptAndRecordsTheFolder) {
  BoxAnswerer boxes(IDOK);
  // Another drive than the DVD's: the host's temporary folder.
  const std::string target = "Z:\\tmp\\kestra-engine-index\\";
  testenv::ResetFolder(target);
  const std::string record = kWinRoot + "Program Files\\ZEL\\Common Files\\UNINSTALL\\KSDOCS.INF";
  testenv::WriteFile(kDvd + "DOCS\\KSCOLL.INF", "[CollectionVersion]\r\nVersion=5\r\n");
  ASSERT_TRUE(testenv::CopyFileTo(LzData("TEXT.BI_"), kDvd + "DOCS\\KSCOLL1\\TEXT.BI_"));
  testenv::WriteFile(kDvd + "COLLCOPY.INF",
                     "[COLLECTION]\r\nMakeDir01=$setup\r\nMakeDir02=$setup\\KSCOLL1\\temp\r\n"
                     "CopyFile01=KSCOLL.INF,$setup\\KSCOLL.INF\r\n"
                     "CopyFile02=KSCOLL1\\TEXT.BI_,$setup\\KSCOLL1\\TEXT.BIN\r\n");
  testenv::WriteFile(record, "[KESTRA]\r\nDOCS=C:\\OLD\\\r\n");
  dialog_.AppInfo.InstallIndex = 1;
  dialog_.AppInfo.IndexDir = kRoot + "same-drive\\";
  dialog_.Show();
  // A target on the drive of the DVD (here C:) uses the DVD's folder.
  EXPECT_TRUE(dialog_.CopyCollection());
  EXPECT_EQ(dialog_.AppInfo.IndexDir, kDvd + "DOCS");
  EXPECT_FALSE(DirectoryExists(kRoot + "same-drive"));
  EXPECT_FALSE(FileExists(record));

  dialog_.AppInfo.IndexDir = target;
  EXPECT_TRUE(dialog_.CopyCollection());
  EXPECT_EQ(testenv::ReadFile(target + "KSCOLL1\\TEXT.BIN"), testenv::ReadFile(LzData("TEXT.BIN")));
  EXPECT_TRUE(DirectoryExists(target + "KSCOLL1\\temp"));
  EXPECT_EQ(testenv::ReadFile(record), "[KESTRA]\r\nDOCS=" + target + "\r\n");
  EXPECT_FALSE(FileExists(kestra::ExtractFilePath(record) + "~KSDOCS.INF"))
      << "nothing is left beside it";
  EXPECT_EQ(dialog_.AppInfo.IndexDir, target);
  EXPECT_EQ(dialog_.AppInfo.InstallIndex, 1);
  EXPECT_EQ(dialog_.FIndexProgress, 1);
  EXPECT_EQ(dialog_.FPhase, 2);
  EXPECT_EQ(dialog_.Gauge2().Maximum(), 100);
  EXPECT_EQ(dialog_.Gauge2().Position(), 100);
  EXPECT_EQ(dialog_.ControlText(TFileInstDlg::IdLabel1), "ケストラDVD の検索用インデックス");
  EXPECT_TRUE(::IsWindowEnabled(dialog_.Control(TFileInstDlg::IdButton1)));
  EXPECT_TRUE(boxes.Seen().empty());

  // Not asked for: the record goes, nothing else happens.
  dialog_.AppInfo.InstallIndex = 0;
  dialog_.AppInfo.IndexDir = kRoot + "elsewhere\\";
  EXPECT_TRUE(dialog_.CopyCollection());
  EXPECT_FALSE(FileExists(record));
  EXPECT_EQ(dialog_.AppInfo.IndexDir, kRoot + "elsewhere\\");
  EXPECT_EQ(dialog_.FPhase, 2);
  EXPECT_FALSE(DirectoryExists(kRoot + "elsewhere"));
  testenv::ResetFolder(target);
  ::RemoveDirectoryA(target.c_str());
}

// ---- The run without its dialog ---------------------------------------------------

namespace {

// Writes down what a run reports, and stops it at a chosen file.
class RecordingObserver : public InstallObserver {
 public:
  std::vector<std::string> reports;
  std::vector<Msg> asked;
  InstallRun* run = nullptr;
  std::string cancel_after;  // the detail after which the next pump cancels

  void ShowStep(int32_t step) override { reports.push_back("step " + std::to_string(step)); }
  void ShowHeading(const std::string& text) override { reports.push_back("heading " + text); }
  void ShowDetail(const std::string& text) override {
    reports.push_back("detail " + text);
    if (!cancel_after.empty() && text == cancel_after) cancel_pending_ = true;
  }
  void ResetBar(Bar bar, int maximum) override {
    reports.push_back(Name(bar) + " 0.." + std::to_string(maximum));
  }
  void MoveBar(Bar bar, int position) override {
    reports.push_back(Name(bar) + " at " + std::to_string(position));
  }
  void AdvanceBar(Bar bar) override { reports.push_back(Name(bar) + " +1"); }
  void Pump() override {
    if (cancel_pending_ && run) run->FCancel = true;
  }
  int Ask(const Message& message) override {
    asked.push_back(message.id);
    return IDOK;
  }
  void AllowCancel(bool allowed) override {
    reports.push_back(allowed ? "cancel allowed" : "cancel refused");
  }

  std::vector<std::string> Only(const std::string& prefix) const {
    std::vector<std::string> found;
    for (const std::string& report : reports)
      if (report.rfind(prefix, 0) == 0) found.push_back(report);
    return found;
  }

 private:
  static std::string Name(Bar bar) { return bar == Bar::Overall ? "overall" : "current"; }
  bool cancel_pending_ = false;
};

class InstallWithoutDialog : public InstallDialog {
 protected:
  void SetUp() override {
    InstallDialog::SetUp();
    observer_.run = &run_;
    run_.AppInfo = dialog_.AppInfo;
    run_.SourceDir = kDvd;
    WriteScript();
  }

  ComApartment com_;  // the shortcuts' link objects, as the program's main enters it
  RecordingObserver observer_;
  InstallRun run_{observer_};
};

}  // namespace

TEST_F(InstallWithoutDialog, ReportsEveryStepAndFileInOrder) {
  ASSERT_TRUE(run_.Install());
  EXPECT_EQ(observer_.Only("step"),
            (std::vector<std::string>{"step 0", "step 3", "step 2", "step 4", "step 1"}));
  EXPECT_EQ(observer_.Only("detail"),
            (std::vector<std::string>{"detail KESTRA.EXE", "detail 利用ガイド.PDF",
                                      "detail NTISRCH.DLL", "detail FoxitReader_AX_Std.ocx"}));
  EXPECT_EQ(observer_.Only("heading"),
            (std::vector<std::string>{"heading ケストラDVD をインストールしています。",
                                      "heading ケストラDVD をインストールしています。",
                                      "heading 検索用エンジン をインストールしています。",
                                      "heading PDFViewer をインストールしています。"}));
  // The overall bar counts the files, then the index step takes it over.
  EXPECT_EQ(observer_.Only("overall"),
            (std::vector<std::string>{"overall 0..4", "overall +1", "overall +1", "overall +1",
                                      "overall +1", "overall 0..100"}));
  EXPECT_EQ(observer_.Only("cancel"),
            (std::vector<std::string>{"cancel refused", "cancel allowed"}));
  EXPECT_EQ(run_.FFileList, RecordsWithShortcuts());
  EXPECT_TRUE(observer_.asked.empty());
  EXPECT_FALSE(run_.Running());
}

TEST_F(InstallWithoutDialog, ACancelSeenWhileMessagesArePumpedStopsBeforeTheNextFile) {
  observer_.cancel_after = "KESTRA.EXE";
  EXPECT_FALSE(run_.Install());
  EXPECT_EQ(ExpandCalls().size(), 1u);
  EXPECT_EQ(observer_.Only("step"), (std::vector<std::string>{"step 0", "step 2", "step 1"}));
  EXPECT_EQ(run_.FFileList, ProductRecords());
  EXPECT_FALSE(DirectoryExists(kApp + "BookMark"));
  EXPECT_TRUE(observer_.asked.empty());
}

TEST_F(InstallWithoutDialog, ACopyErrorIsAskedThroughTheObserver) {
  SetEnv("KESTRA_FAKE_EZIP_FAIL", "KESTRA.EXE");
  EXPECT_FALSE(run_.Install());
  EXPECT_TRUE(run_.FCancel);
  EXPECT_EQ(observer_.asked, std::vector<Msg>{Msg::CopyFailed});
  EXPECT_EQ(observer_.Only("step"), (std::vector<std::string>{"step 0", "step 2", "step 1"}));
}
