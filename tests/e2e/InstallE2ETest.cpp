// A first installation through the shipped SETUP.EXE, started from the sample
// DVD in the CD-ROM drive Q: and driven as a user would: the licence accepted,
// the settings confirmed, the files expanded from the DVD's archive.
#include <gtest/gtest.h>

#include <windows.h>

#include <functional>

#include "InstallDvd.h"
#include "SetupHarness.h"
#include "UiDriver.h"
#include "WineTestEnv.h"
#include "system/FileSys.h"
#include "system/Handles.h"
#include "system/Mbcs.h"
#include "system/Registry.h"
#include "wizard/DirSel.h"
#include "wizard/DriveSel.h"
#include "wizard/Setting.h"

namespace {

using e2e::DvdInDrive;
using uidrv::MessageBoxRecord;
using namespace std::chrono_literals;

constexpr char kInstallDialog[] = "TFileInstDlg";
constexpr int kManyFiles = 60;  // groups of the many-files DVD, one file each

// The application folder the settings page proposes for a new installation.
std::string DefaultInstallDir() { return "C:\\Program Files\\KESTRA\\"; }

std::string PartFolder(int n) {
  char name[16];
  std::snprintf(name, sizeof name, "PART%02d", n);
  return name;
}

class InstallRun : public ::testing::Test {
 protected:
  // Starts SETUP from the DVD and leads it to the install run with the
  // settings the page proposes (or with its index box cleared): the
  // application folder, then the index and DVD step, then the start question.
  void StartAndConfirm(bool index_box = true, const std::string& dvd = "Q:\\") {
    setup_ = uidrv::Process::Start(dvd + "SETUP.EXE", "", dvd);
    session_ = std::make_unique<uidrv::Session>(setup_);
    e2e::AcceptConsent(*session_);
    uidrv::Window settings = session_->WaitForWindow("TSettingDlg");
    if (!index_box) settings.ChildById(kestra::TSettingDlg::IdCheckBox1).SetChecked(false);
    uidrv::Window install = settings.ChildById(kestra::TSettingDlg::IdInstallBtn);
    install.Click();  // to the second step
    install.Click();  // install
    ASSERT_EQ(session_->Answer("Yes"), expected::InstallStartQuestion());
  }

  // What the user saw after the start question.
  std::vector<MessageBoxRecord> BoxesAfterStart() const {
    const auto& all = session_->Transcript();
    return std::vector<MessageBoxRecord>(all.begin() + 1, all.end());
  }

  bool SameAsSource(const std::string& installed, const std::string& source) const {
    return kestra::FileExists(installed) &&
           testenv::ReadFile(installed) == testenv::ReadFile(e2e::SampleProductFile(source));
  }

  e2e::InstalledCopy no_installed_copy_;
  uidrv::Process setup_;
  std::unique_ptr<uidrv::Session> session_;
};

TEST_F(InstallRun, ExpandsEveryGroupIntoItsBaseFolder) {
  DvdInDrive dvd(e2e::SampleDvdImage(), DefaultInstallDir());
  StartAndConfirm();
  EXPECT_EQ(session_->Answer("OK", 60s), expected::InstallDone());
  session_->RequireExit();
  EXPECT_EQ(BoxesAfterStart(), std::vector<MessageBoxRecord>{expected::InstallDone()});

  const std::string app = dvd.InstallDir();
  EXPECT_TRUE(SameAsSource(app + "KESTRA.EXE", "KESTRA.EXE"));
  EXPECT_TRUE(SameAsSource(app + "MANUAL\\利用ガイド.PDF", "MANUAL\\利用ガイド.PDF"));
  EXPECT_TRUE(SameAsSource(std::string(e2e::kLibraryFolder) + "NTISRCH.DLL", "LIB\\NTISRCH.DLL"));
  EXPECT_TRUE(SameAsSource(std::string(e2e::kLibraryFolder) + "NTIDIC.DAT", "LIB\\NTIDIC.DAT"));
  EXPECT_TRUE(SameAsSource(std::string(e2e::kCommonFolder) + "FoxitReader_AX_Std.ocx",
                           "COM\\FoxitReader_AX_Std.ocx"));
  EXPECT_TRUE(kestra::DirectoryExists(app + "BookMark"));
  // Nothing else lands in the three base folders' product places.
  EXPECT_EQ(e2e::FilesBelow(app), (std::vector<std::string>{"KESTRA.EXE", "MANUAL\\利用ガイド.PDF"}));
  EXPECT_EQ(e2e::FilesBelow(e2e::kLibraryFolder),
            (std::vector<std::string>{"NTIDIC.DAT", "NTISRCH.DLL"}));
}

// Windows XP: the application folder typed into the installer's own directory
// dialog (which creates it with the product folder below), and the second DVD
// moved to the other drive in the DVD selection.
TEST_F(InstallRun, OnWindowsXpWithTheFoldersChosenInTheWizardsOwnDialogs) {
  testenv::ScopedWindowsVersion xp(testenv::WinVersion::WinXP, {"SETUP.EXE"});
  const std::string base = "C:\\kestra_e2e\\xp";
  DvdInDrive dvd(e2e::SampleDvdImage(), base + "\\KESTRA\\");
  RemoveDirectoryA(base.c_str());
  setup_ = uidrv::Process::Start("Q:\\SETUP.EXE", "", "Q:\\");
  session_ = std::make_unique<uidrv::Session>(setup_);
  e2e::AcceptConsent(*session_);
  uidrv::Window settings = session_->WaitForWindow("TSettingDlg");
  using kestra::TDirSelDlg;
  using kestra::TDriveSelDlg;
  using kestra::TSettingDlg;

  settings.ChildById(TSettingDlg::IdReferenceAprBtn).Click();
  uidrv::Window dir_sel = session_->WaitForWindow("TDirSelDlg");
  dir_sel.ChildById(TDirSelDlg::IdEditPath).Type(base);
  dir_sel.ChildById(TDirSelDlg::IdButton1).Click();
  EXPECT_EQ(session_->Answer("Yes"),
            expected::CreateFolderQuestion(base + "\\KESTRA\\"));
  session_->WaitForWindowGone("TDirSelDlg");
  EXPECT_EQ(settings.ChildById(TSettingDlg::IdAppPathEdit).Text(), dvd.InstallDir());

  uidrv::Window install = settings.ChildById(TSettingDlg::IdInstallBtn);
  install.Click();  // to the second step
  settings.ChildById(TSettingDlg::IdDVDSelBtn).Click();
  uidrv::Window drive_sel = session_->WaitForWindow("TDriveSelDlg");
  uidrv::Window list = drive_sel.ChildById(TDriveSelDlg::IdListView1);
  drive_sel.ChildById(TDriveSelDlg::IdBtnUncheck).Click();
  list.SetRowChecked(1, true);
  drive_sel.ChildById(TDriveSelDlg::IdDVDPathSelBtn).Click();
  dir_sel = session_->WaitForWindow("TDirSelDlg");
  dir_sel.ChildById(TDirSelDlg::IdEditPath).Type("R:\\");
  dir_sel.ChildById(TDirSelDlg::IdButton1).Click();
  session_->WaitForWindowGone("TDirSelDlg");
  drive_sel.ChildById(TDriveSelDlg::IdResultBtn).Click();
  session_->WaitForWindowGone("TDriveSelDlg");

  install.Click();
  ASSERT_EQ(session_->Answer("Yes"), expected::InstallStartQuestion());
  EXPECT_EQ(session_->Answer("OK", 60s), expected::InstallDone());
  session_->RequireExit();

  const std::string app = dvd.InstallDir();
  EXPECT_TRUE(SameAsSource(app + "KESTRA.EXE", "KESTRA.EXE"));
  EXPECT_TRUE(SameAsSource(app + "MANUAL\\利用ガイド.PDF", "MANUAL\\利用ガイド.PDF"));
  const std::string product_key = "SOFTWARE\\ZEL\\ケストラDVD";
  EXPECT_EQ(kestra::RegKey::Open(HKEY_LOCAL_MACHINE,
                                 "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\KESTRA.EXE",
                                 KEY_READ)
                .ReadStringOr(""),
            app + "KESTRA.EXE");
  kestra::RegKey service =
      kestra::RegKey::Open(HKEY_LOCAL_MACHINE, product_key + "\\Service", KEY_READ);
  EXPECT_EQ(service.ReadStringOr("DVDPath1"), "Q:\\");
  EXPECT_EQ(service.ReadStringOr("DVDPath2"), "R:\\");
  EXPECT_EQ(service.ReadStringOr("DVDPath3"), "Q:\\");
  EXPECT_EQ(service.ReadStringOr("DVDPath23"), "Q:\\");
  RemoveDirectoryA(base.c_str());
}

TEST_F(InstallRun, CancelConfirmedDuringExpansionEndsSilentlyAfterTheCurrentFile) {
  DvdInDrive dvd(e2e::ManyFilesDvdImage(), DefaultInstallDir());
  StartAndConfirm();
  uidrv::Window dialog = session_->WaitForWindow(kInstallDialog, 30s);
  dialog.ChildByText("キャンセル", "Button").Click();
  EXPECT_EQ(session_->Answer("Yes"), expected::InstallCancelQuestion());
  session_->RequireExit(30s);
  EXPECT_EQ(BoxesAfterStart(), std::vector<MessageBoxRecord>{expected::InstallCancelQuestion()});

  // The files expanded are the first ones of the list, and no more came after.
  const std::vector<std::string> files = e2e::FilesBelow(dvd.InstallDir());
  ASSERT_LT(files.size(), static_cast<std::size_t>(kManyFiles));
  for (std::size_t i = 0; i < files.size(); ++i)
    EXPECT_EQ(files[i], PartFolder(static_cast<int>(i) + 1) + "\\利用ガイド.PDF");
  EXPECT_FALSE(kestra::DirectoryExists(dvd.InstallDir() + "BookMark"));
}

TEST_F(InstallRun, CancelAnsweredNoGoesOnToTheEnd) {
  DvdInDrive dvd(e2e::ManyFilesDvdImage(), DefaultInstallDir());
  StartAndConfirm();
  uidrv::Window dialog = session_->WaitForWindow(kInstallDialog, 30s);
  dialog.ChildByText("キャンセル", "Button").Click();
  EXPECT_EQ(session_->Answer("No"), expected::InstallCancelQuestion());
  EXPECT_EQ(session_->Answer("OK", 60s), expected::InstallDone());
  session_->RequireExit();
  EXPECT_EQ(e2e::FilesBelow(dvd.InstallDir()).size(), static_cast<std::size_t>(kManyFiles));
  EXPECT_TRUE(kestra::DirectoryExists(dvd.InstallDir() + "BookMark"));
}

TEST_F(InstallRun, MissingExpanderEndsTheRunWithoutAMessage) {
  DvdInDrive dvd(e2e::SampleDvdImage(), DefaultInstallDir());
  ASSERT_TRUE(::DeleteFileA("Q:\\EZip.dll"));
  StartAndConfirm();
  session_->RequireExit(30s);
  EXPECT_TRUE(BoxesAfterStart().empty()) << session_->TranscriptText();
  EXPECT_FALSE(kestra::FileExists(dvd.InstallDir() + "KESTRA.EXE"));
}

TEST_F(InstallRun, ExpanderWithoutItsExpandFunctionEndsTheRunWithoutAMessage) {
  DvdInDrive dvd(e2e::SampleDvdImage(), DefaultInstallDir());
  ASSERT_TRUE(testenv::CopyFileTo(testenv::TestBinary("FakeEZipNoExpand.dll"), "Q:\\EZip.dll"));
  StartAndConfirm();
  session_->RequireExit(30s);
  EXPECT_TRUE(BoxesAfterStart().empty()) << session_->TranscriptText();
  EXPECT_FALSE(kestra::FileExists(dvd.InstallDir() + "KESTRA.EXE"));
}

TEST_F(InstallRun, MemberMissingFromTheArchiveIsACopyError) {
  DvdInDrive dvd(e2e::SampleDvdImage(), DefaultInstallDir());
  // The script lists a second viewer file the archive does not hold.
  ASSERT_TRUE(::WritePrivateProfileStringA("Groups", "Group1grpFiles", "2",
                                           "Q:\\KESTRA\\SETUP_F.INI"));
  ASSERT_TRUE(::WritePrivateProfileStringA("Groups", "Group1File2", "KSHELP.DLL",
                                           "Q:\\KESTRA\\SETUP_F.INI"));
  StartAndConfirm();
  EXPECT_EQ(session_->Answer("OK", 60s), expected::CopyFailed());
  session_->RequireExit(30s);
  EXPECT_EQ(BoxesAfterStart(), std::vector<MessageBoxRecord>{expected::CopyFailed()});
  // The file before stays; nothing of the missing one, nothing after it.
  EXPECT_TRUE(SameAsSource(dvd.InstallDir() + "KESTRA.EXE", "KESTRA.EXE"));
  EXPECT_EQ(e2e::FilesBelow(dvd.InstallDir()), std::vector<std::string>{"KESTRA.EXE"});
  EXPECT_TRUE(e2e::FilesBelow(e2e::kLibraryFolder).empty());
}

TEST_F(InstallRun, CorruptedMemberIsACopyErrorAndLeavesNoPartialFile) {
  DvdInDrive dvd(e2e::SampleDvdImage(), DefaultInstallDir());
  ASSERT_TRUE(e2e::CorruptArchiveMember("Q:\\KESTRA\\SETUP_F.EZP", "LIB/_NTI31/BIN/NTISRCH.DLL"));
  StartAndConfirm();
  EXPECT_EQ(session_->Answer("OK", 60s), expected::CopyFailed());
  session_->RequireExit(30s);
  EXPECT_EQ(BoxesAfterStart(), std::vector<MessageBoxRecord>{expected::CopyFailed()});
  EXPECT_TRUE(SameAsSource(dvd.InstallDir() + "KESTRA.EXE", "KESTRA.EXE"));
  EXPECT_TRUE(SameAsSource(dvd.InstallDir() + "MANUAL\\利用ガイド.PDF", "MANUAL\\利用ガイド.PDF"));
  EXPECT_TRUE(e2e::FilesBelow(e2e::kLibraryFolder).empty());
  EXPECT_FALSE(kestra::FileExists(std::string(e2e::kCommonFolder) + "FoxitReader_AX_Std.ocx"));
}

// ---- The search index and the sync files ----------------------------------------

constexpr char kCollectionKey[] = "SOFTWARE\\ZEL\\ケストラDVD\\Collection";
constexpr char kIndexRecord[] = "C:\\Program Files\\ZEL\\Common Files\\UNINSTALL\\KSDOCS.INF";
constexpr char kDvdIndex[] = "Q:\\DOCS\\";

// The DVD copied to the share that N: and P: map, and an index folder beside it.
constexpr char kDvdShareFolder[] = "\\\\kestrasrv\\dvd\\KSDVD\\";
constexpr char kDvdShareIndexRoot[] = "P:\\KSDVD\\DOCS";

const std::string kOldMarker = "[CollectionVersion]\r\nVersion=5\r\n";

// An index an earlier installation left in folder and recorded for the user,
// so that the settings page proposes that folder.
void RecordedIndexIn(const std::string& folder) {
  testenv::WriteFile(folder + "KSCOLL.INF", kOldMarker);
  ASSERT_TRUE(kestra::RegKey::Create(HKEY_CURRENT_USER, kCollectionKey).WriteString("Root", folder));
}

void InstalledIndexVersion(const std::string& version) {
  ASSERT_TRUE(kestra::RegKey::Create(HKEY_LOCAL_MACHINE, kCollectionKey)
                  .WriteString("CollectionVersion", version));
}

struct IndexCase {
  const char* name;
  std::function<void()> prepare;  // with the DVD in the drive, before SETUP starts
  bool index_box;                 // the page's index box left ticked
  std::vector<std::pair<MessageBoxRecord, std::string>> boxes;  // before completion, answered
  std::string root;               // "Root" of both Collection keys afterwards
  std::string copied_to;          // the folder that receives the index, "" for none
  bool stopped_copy = false;      // a copy began and failed: what it copied stays
  testenv::WinVersion windows = testenv::WinVersion::Win7;
  std::string dvd = "Q:\\";       // where the DVD lies and SETUP is started from
};

void PrintTo(const IndexCase& row, std::ostream* out) { *out << row.name; }

class IndexStep : public InstallRun, public ::testing::WithParamInterface<IndexCase> {};

TEST_P(IndexStep, CopiesOrUsesTheDvdAndRecordsWhere) {
  const IndexCase& row = GetParam();
  testenv::ScopedWindowsVersion windows(row.windows, {"SETUP.EXE"});
  DvdInDrive dvd(e2e::SampleDvdImage(), DefaultInstallDir(), kestra::RemoveBackslash(row.dvd));
  // An index record of an earlier installation is never left behind.
  testenv::WriteFile(kIndexRecord, "[KESTRA]\r\nDOCS=C:\\OLD\\\r\n");
  row.prepare();
  StartAndConfirm(row.index_box, row.dvd);
  std::vector<MessageBoxRecord> expected;
  for (const auto& [box, answer] : row.boxes) {
    session_->WaitForMessageBox(60s);
    // The index step's questions come while its Cancel button is disabled.
    EXPECT_FALSE(uidrv::FindTopLevelWindow(kInstallDialog, setup_.Pid())
                     .ChildByText("キャンセル", "Button")
                     .Enabled());
    EXPECT_EQ(session_->Answer(answer, 60s), box);
    expected.push_back(box);
  }
  EXPECT_EQ(session_->Answer("OK", 60s), expected::InstallDone());
  session_->RequireExit();
  expected.push_back(expected::InstallDone());
  EXPECT_EQ(BoxesAfterStart(), expected);

  for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER})
    EXPECT_EQ(kestra::RegKey::Open(root, kCollectionKey, KEY_READ).ReadStringOr("Root"), row.root);
  if (row.copied_to.empty()) {
    EXPECT_FALSE(kestra::FileExists(kIndexRecord));
    EXPECT_EQ(kestra::FileExists(e2e::kDefaultIndexFolder + std::string("KSCOLL1\\pdd\\COLL.PDD")),
              row.stopped_copy);
    EXPECT_FALSE(kestra::DirectoryExists(e2e::kNetworkIndexFolder + std::string("KSCOLL1")));
    EXPECT_FALSE(kestra::DirectoryExists(e2e::kUncIndexFolder + std::string("KSCOLL1")));
    EXPECT_FALSE(kestra::DirectoryExists("Q:\\KSIDX\\KSCOLL1"));
  } else {
    EXPECT_TRUE(e2e::HoldsTheSampleIndex(row.copied_to));
    EXPECT_EQ(testenv::ReadFile(kIndexRecord), "[KESTRA]\r\nDOCS=" + row.copied_to + "\r\n");
  }
  // The application itself is installed whatever became of the index.
  EXPECT_TRUE(SameAsSource(dvd.InstallDir() + "KESTRA.EXE", "KESTRA.EXE"));
}

const IndexCase kIndexCases[] = {
    {"CopiedToTheProposedFolder", [] {}, true, {}, e2e::kDefaultIndexFolder,
     e2e::kDefaultIndexFolder},
    {"BoxClearedUsesTheDvd", [] {}, false, {}, kDvdIndex, ""},
    {"TargetOnTheDvdDriveUsesTheDvdFolder", [] { RecordedIndexIn("Q:\\KSIDX\\"); }, true, {},
     "Q:\\DOCS", ""},
    {"InstalledNewerThanTheDvdUsesTheDvd",
     [] {
       InstalledIndexVersion("5");
       testenv::WriteFile("Q:\\DOCS\\KSCOLL.INF", "[CollectionVersion]\r\nVersion=4\r\n");
     },
     true, {}, kDvdIndex, ""},
    {"EqualVersionsCopyAgain", [] { InstalledIndexVersion("5"); }, true, {},
     e2e::kDefaultIndexFolder, e2e::kDefaultIndexFolder},
    {"NetworkIndexUpgradedOnYes",
     [] {
       InstalledIndexVersion("5");
       RecordedIndexIn(e2e::kNetworkIndexFolder);
     },
     true, {{expected::NetworkIndexQuestion(e2e::kNetworkIndexFolder), "Yes"}}, e2e::kNetworkIndexFolder,
     e2e::kNetworkIndexFolder},
    {"NetworkIndexLeftForTheDvdOnNo",
     [] {
       InstalledIndexVersion("5");
       RecordedIndexIn(e2e::kNetworkIndexFolder);
     },
     true, {{expected::NetworkIndexQuestion(e2e::kNetworkIndexFolder), "No"}}, kDvdIndex, ""},
    {"VersionThatIsNoNumberAsksNothing",
     [] {
       InstalledIndexVersion("5a");
       RecordedIndexIn(e2e::kNetworkIndexFolder);
     },
     true, {}, e2e::kNetworkIndexFolder, e2e::kNetworkIndexFolder},
    {"FailedCopyGoesOnWithTheDvd",
     [] {
       // A folder where an index file should go: the copy of that file fails.
       ASSERT_TRUE(kestra::ForceDirectories(e2e::kDefaultIndexFolder +
                                            std::string("KSCOLL2\\pdd\\COLL.PDD")));
     },
     true, {{expected::IndexCopyFailed(), "OK"}}, kDvdIndex, "", true},
    // An index folder named by its UNC path (as a picker returns a network
    // folder) is copied there, never taken for a place on the DVD's drive.
    {"UncShareOnWindows7", [] { RecordedIndexIn(e2e::kUncIndexFolder); }, true, {},
     e2e::kUncIndexFolder, e2e::kUncIndexFolder},
    {"UncShareOnWindows10", [] { RecordedIndexIn(e2e::kUncIndexFolder); }, true, {},
     e2e::kUncIndexFolder, e2e::kUncIndexFolder, false, testenv::WinVersion::Win10},
    // A UNC folder is on the network by its form: the question comes as for N:.
    {"UncIndexUpgradedOnYesOnWindows7",
     [] {
       InstalledIndexVersion("5");
       RecordedIndexIn(e2e::kUncIndexFolder);
     },
     true, {{expected::NetworkIndexQuestion(e2e::kUncIndexFolder), "Yes"}}, e2e::kUncIndexFolder,
     e2e::kUncIndexFolder},
    {"UncIndexUpgradedOnYesOnWindows10",
     [] {
       InstalledIndexVersion("5");
       RecordedIndexIn(e2e::kUncIndexFolder);
     },
     true, {{expected::NetworkIndexQuestion(e2e::kUncIndexFolder), "Yes"}}, e2e::kUncIndexFolder,
     e2e::kUncIndexFolder, false, testenv::WinVersion::Win10},
    {"UncIndexLeftForTheDvdOnNoOnWindows7",
     [] {
       InstalledIndexVersion("5");
       RecordedIndexIn(e2e::kUncIndexFolder);
     },
     true, {{expected::NetworkIndexQuestion(e2e::kUncIndexFolder), "No"}}, kDvdIndex, ""},
    {"UncIndexLeftForTheDvdOnNoOnWindows10",
     [] {
       InstalledIndexVersion("5");
       RecordedIndexIn(e2e::kUncIndexFolder);
     },
     true, {{expected::NetworkIndexQuestion(e2e::kUncIndexFolder), "No"}}, kDvdIndex, "", false,
     testenv::WinVersion::Win10},
    // The setup folder's own share is still seen under the user's letter for
    // it (P:, the last of N: and P:): an index folder there is on the DVD's drive.
    {"OnTheSetupFoldersShareOnWindows7", [] { RecordedIndexIn(e2e::kSetupShareIndexFolder); }, true, {},
     kDvdShareIndexRoot, "", false, testenv::WinVersion::Win7, kDvdShareFolder},
    {"OnTheSetupFoldersShareOnWindows10", [] { RecordedIndexIn(e2e::kSetupShareIndexFolder); }, true, {},
     kDvdShareIndexRoot, "", false, testenv::WinVersion::Win10, kDvdShareFolder},
};

INSTANTIATE_TEST_SUITE_P(Cases, IndexStep, ::testing::ValuesIn(kIndexCases),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- Files another program holds --------------------------------------------------

// A file left by an earlier copy, held open without sharing by this test (to
// SETUP another program), as a program of the product family holds its library.
class HeldFile {
 public:
  explicit HeldFile(const std::string& path) {
    testenv::WriteFile(path, "earlier copy");
    handle_.reset(::CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  }
  bool Held() const { return static_cast<bool>(handle_); }
  void Release() { handle_.reset(); }

 private:
  kestra::FileHandle handle_;
};

struct InUseCase {
  const char* name;
  std::string file;                  // held while SETUP starts
  std::string source;                // what the product has there
  std::vector<std::string> answers;  // to the in-use question; released before the last Retry
  bool completes;                    // the installation goes on to its end
  std::string root = e2e::kDefaultIndexFolder;  // "Root" after a completed run
};

void PrintTo(const InUseCase& row, std::ostream* out) { *out << row.name; }

class FilesInUse : public InstallRun, public ::testing::WithParamInterface<InUseCase> {};

TEST_P(FilesInUse, AreNamedAndRetriedUntilReleased) {
  const InUseCase& row = GetParam();
  DvdInDrive dvd(e2e::SampleDvdImage(), DefaultInstallDir());
  HeldFile held(row.file);
  ASSERT_TRUE(held.Held());
  StartAndConfirm();
  for (std::size_t i = 0; i < row.answers.size(); ++i) {
    session_->WaitForMessageBox(60s);
    if (i + 1 == row.answers.size() && row.answers[i] == "Retry") held.Release();
    EXPECT_EQ(session_->Answer(row.answers[i], 60s), expected::FileInUse(row.file)) << i;
  }
  std::vector<MessageBoxRecord> expected(row.answers.size(), expected::FileInUse(row.file));
  if (row.completes) {
    EXPECT_EQ(session_->Answer("OK", 60s), expected::InstallDone());
    expected.push_back(expected::InstallDone());
  }
  session_->RequireExit(30s);
  // Never the message of a full or write-protected disk.
  EXPECT_EQ(BoxesAfterStart(), expected);
  held.Release();

  const bool replaced = row.answers.back() == "Retry";
  EXPECT_EQ(SameAsSource(row.file, row.source), replaced);
  if (!replaced) {
    EXPECT_EQ(testenv::ReadFile(row.file), "earlier copy");
  }
  if (row.completes) {
    EXPECT_TRUE(SameAsSource(dvd.InstallDir() + "KESTRA.EXE", "KESTRA.EXE"));
    EXPECT_TRUE(SameAsSource(std::string(e2e::kLibraryFolder) + "NTISRCH.DLL", "LIB\\NTISRCH.DLL"));
    EXPECT_EQ(kestra::RegKey::Open(HKEY_LOCAL_MACHINE, kCollectionKey, KEY_READ).ReadStringOr("Root"),
              row.root);
  } else {
    // The run stopped at the held library: nothing after it was expanded.
    EXPECT_FALSE(kestra::FileExists(std::string(e2e::kCommonFolder) + "FoxitReader_AX_Std.ocx"));
    EXPECT_FALSE(kestra::RegKey::Open(HKEY_LOCAL_MACHINE, "SOFTWARE\\ZEL\\ケストラDVD", KEY_READ));
  }
}

const std::string kHeldIndexFile = std::string(e2e::kDefaultIndexFolder) + "KSCOLL2\\pdd\\COLL.PDD";

const InUseCase kInUseCases[] = {
    {"ApplicationFileAskedAgainWhileStillHeld", "C:\\Program Files\\KESTRA\\KESTRA.EXE",
     "KESTRA.EXE", {"Retry", "Retry"}, true},
    {"LibraryFile", std::string(e2e::kLibraryFolder) + "NTISRCH.DLL", "LIB\\NTISRCH.DLL", {"Retry"},
     true},
    {"CommonFile", std::string(e2e::kCommonFolder) + "FoxitReader_AX_Std.ocx",
     "COM\\FoxitReader_AX_Std.ocx", {"Retry"}, true},
    {"IndexFile", kHeldIndexFile, "docs\\KSCOLL2\\pdd\\COLL.PDD", {"Retry"}, true},
    // Cancel ends the run as a copy error does.
    {"CancelEndsTheRun", std::string(e2e::kLibraryFolder) + "NTISRCH.DLL", "LIB\\NTISRCH.DLL",
     {"Cancel"}, false},
    // Cancel in the index copy goes on with the DVD's index, as a failed copy does.
    {"CancelOfTheIndexCopyUsesTheDvd", kHeldIndexFile, "docs\\KSCOLL2\\pdd\\COLL.PDD",
     {"Cancel"}, true, kDvdIndex},
};

INSTANTIATE_TEST_SUITE_P(Cases, FilesInUse, ::testing::ValuesIn(kInUseCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(InstallRun, InstallsTheSyncFilesAndTheExpandedSyncTool) {
  DvdInDrive dvd(e2e::SampleDvdImage(), DefaultInstallDir());
  StartAndConfirm(false);
  EXPECT_EQ(session_->Answer("OK", 60s), expected::InstallDone());
  session_->RequireExit();
  const std::string sync = std::string(e2e::kSyncFolder) + "KESTRA\\SyncFiles\\";
  EXPECT_EQ(e2e::FilesBelow(sync),
            (std::vector<std::string>{"DATA\\KSSYNC2.DAT", "KSSYNC.DAT", "SyncFile.inf"}));
  for (const std::string& file : e2e::FilesBelow(sync))
    EXPECT_TRUE(SameAsSource(sync + file, "sync\\" + file)) << file;
  EXPECT_TRUE(SameAsSource(std::string(e2e::kSyncFolder) + "RIRove.exe", "tools\\RIRove.exe"));
}

}  // namespace
