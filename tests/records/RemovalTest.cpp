// The uninstaller's removal run without its dialog: what it deletes, keeps,
// rewrites, logs and removes from the registry, run over records, files and
// keys made for each test (scratch keys below HKEY_CURRENT_USER).
#include <gtest/gtest.h>

#include "ExpectedBoxes.h"

#include <windows.h>

#include <string>
#include <vector>

#include "RecordsTestFolder.h"
#include "RegistryProbe.h"
#include "WineTestEnv.h"
#include "system/FileSys.h"
#include "system/Handles.h"
#include "system/Registry.h"
#include "system/SysQuery.h"
#include "uninstall/Removal.h"

using namespace kestra;
using records_test::KeyExists;
using records_test::ValueAt;

namespace {

using Lines = std::vector<std::string>;

constexpr char kScratch[] = "Software\\KestraRemovalTest";
constexpr char kUninstallKey[] = "Software\\KestraRemovalTest\\Uninstall\\ケストラDVD";
constexpr char kAppPathsKey[] = "Software\\KestraRemovalTest\\App Paths\\KESTRA.EXE";
constexpr char kProductKey[] = "Software\\KestraRemovalTest\\ZEL\\ケストラDVD";

// Everything the run reports, in order.
class RecordingObserver : public RemovalObserver {
 public:
  void Begin(int maximum) override {
    events.push_back("begin");
    this->maximum = maximum;
  }
  void Step(const std::string& path) override { steps.push_back(path); }
  void Pump() override { ++pumps; }
  void KeyNotDeleted(const std::string& key_path) override { keys_not_deleted.push_back(key_path); }
  void End() override { events.push_back("end"); }

  std::vector<std::string> events;
  int maximum = -1;
  Lines steps;
  int pumps = 0;
  Lines keys_not_deleted;
};

std::string Text(const Lines& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  return text;
}

// A file held open the way a running program holds its own files: others may
// read and write it but not delete it.
kestra::FileHandle Hold(const std::string& path) {
  return kestra::FileHandle(::CreateFileA(path.c_str(), GENERIC_READ,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
}

class RemovalRun : public RecordsTestFolder {
 protected:
  void SetUp() override {
    RecordsTestFolder::SetUp();
    ::SetCurrentDirectoryA(folder_.c_str());
    records_ = PathOf("UNINSTALL\\");
    app_ = PathOf("KESTRA\\");
    settings_.records_folder = records_;
    settings_.registry_root = HKEY_CURRENT_USER;
    settings_.uninstall_key = kUninstallKey;
    settings_.app_paths_key = kAppPathsKey;
    settings_.product_key = kProductKey;
    kestra::RegKey::Create(HKEY_CURRENT_USER, kUninstallKey).WriteString("DisplayName", "x");
    kestra::RegKey::Create(HKEY_CURRENT_USER, kAppPathsKey).WriteString("", app_ + "KESTRA.EXE");
    kestra::RegKey product = kestra::RegKey::Create(HKEY_CURRENT_USER, kProductKey);
    product.WriteString("Version", "2.1.0.1");
    product.WriteDword("Service", 0x800E0C);
    product.WriteDword("ALN", 0x10A01);
  }
  void TearDown() override {
    // Leave the test folder so that it can be removed.
    char temp[MAX_PATH];
    ::GetTempPathA(MAX_PATH, temp);
    ::SetCurrentDirectoryA(temp);
    RecordsTestFolder::TearDown();
  }

  void Make(const std::string& path, const std::string& bytes = "data") {
    testenv::WriteFile(path, bytes);
  }
  void Record(const Lines& lines) { Make(records_ + "KSINSTALL.INF", Text(lines)); }
  std::string RecordNow() const { return testenv::ReadFile(records_ + "KSINSTALL.INF"); }
  std::string Log() const { return testenv::ReadFile(records_ + "KSUNINST.LOG"); }
  int32_t Run() { return RemoveInstalledFiles(settings_, observer_); }

  // The installed product: the viewer, its guide, its folders.
  void InstallProduct() {
    Make(app_ + "KESTRA.EXE");
    Make(app_ + "MANUAL\\利用ガイド.PDF");
    ASSERT_TRUE(ForceDirectories(app_ + "BookMark"));
    ASSERT_TRUE(ForceDirectories(app_ + "DOCS"));
    Record({"[KESTRA]", "KESTRA001=" + app_ + "KESTRA.EXE",
            "KESTRA002=" + app_ + "MANUAL\\利用ガイド.PDF", "Dir_KESTRA001=" + app_,
            "Dir_KESTRA002=" + app_ + "MANUAL\\", ""});
  }

  testenv::ScopedRegistryCleanup registry_{HKEY_CURRENT_USER, kScratch};
  std::string records_;
  std::string app_;
  RemovalSettings settings_;
  RecordingObserver observer_;
};

// ---- A complete removal -------------------------------------------------------

TEST_F(RemovalRun, DeletesEveryRecordedFileAndTheEmptiedFoldersAndTheProgramEntries) {
  InstallProduct();
  Make(app_ + "KESTRA.GID");  // the viewer's help index, never recorded
  Make(records_ + "KSUNINST.LOG", "DeleteError: from an earlier run\r\n");
  EXPECT_EQ(Run(), kRemovedCompletely);

  EXPECT_FALSE(FileExists(app_ + "KESTRA.EXE"));
  EXPECT_FALSE(FileExists(app_ + "MANUAL\\利用ガイド.PDF"));
  EXPECT_FALSE(FileExists(app_ + "KESTRA.GID"));
  for (const char* folder : {"BookMark", "MANUAL", "DOCS", ""})
    EXPECT_FALSE(DirectoryExists(app_ + folder)) << folder;
  // The record keeps what names no file: the section and the folder entries.
  EXPECT_EQ(RecordNow(), Text({"[KESTRA]", "Dir_KESTRA001=" + app_,
                               "Dir_KESTRA002=" + app_ + "MANUAL\\"}));
  EXPECT_FALSE(FileExists(records_ + "KSUNINST.LOG"));
  EXPECT_EQ(testenv::NamesIn(records_), Lines{"KSINSTALL.INF"}) << "nothing is left beside it";
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kUninstallKey));
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kAppPathsKey));
  EXPECT_TRUE(observer_.keys_not_deleted.empty());
}

TEST_F(RemovalRun, ResetsServiceAndAlnOfTheProductKeyAndKeepsTheKey) {
  InstallProduct();
  EXPECT_EQ(Run(), kRemovedCompletely);
  const auto service = ValueAt(HKEY_CURRENT_USER, kProductKey, "Service");
  const auto aln = ValueAt(HKEY_CURRENT_USER, kProductKey, "ALN");
  EXPECT_EQ(service.type, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(service.number, 0u);
  EXPECT_EQ(aln.type, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(aln.number, 0u);
  EXPECT_EQ(ValueAt(HKEY_CURRENT_USER, kProductKey, "Version").text, "2.1.0.1");
}

TEST_F(RemovalRun, MissingProductKeyIsNotCreated) {
  kestra::DeleteKeyTree(HKEY_CURRENT_USER, kProductKey);
  InstallProduct();
  EXPECT_EQ(Run(), kRemovedCompletely);
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kProductKey));
}

TEST_F(RemovalRun, ProgramEntriesAlreadyGoneCountAsRemoved) {
  kestra::DeleteKeyTree(HKEY_CURRENT_USER, kUninstallKey);
  kestra::DeleteKeyTree(HKEY_CURRENT_USER, kAppPathsKey);
  InstallProduct();
  EXPECT_EQ(Run(), kRemovedCompletely);
  EXPECT_TRUE(observer_.keys_not_deleted.empty());
}

TEST_F(RemovalRun, ReadOnlyFilesAreDeleted) {
  InstallProduct();
  ASSERT_TRUE(::SetFileAttributesA((app_ + "KESTRA.EXE").c_str(),
                                   FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
  EXPECT_EQ(Run(), kRemovedCompletely);
  EXPECT_FALSE(FileExists(app_ + "KESTRA.EXE"));
}

TEST_F(RemovalRun, ShowsEveryRecordLineAsOneStep) {
  InstallProduct();
  Run();
  EXPECT_EQ(observer_.events, (std::vector<std::string>{"begin", "end"}));
  EXPECT_EQ(observer_.maximum, 6);  // the lines of the record, the blank one included
  EXPECT_EQ(observer_.steps,
            (Lines{"[KESTRA]", app_ + "KESTRA.EXE", app_ + "MANUAL\\利用ガイド.PDF", app_,
                   app_ + "MANUAL\\", ""}));
  EXPECT_GE(observer_.pumps, 2);  // after each deleted file
}

TEST_F(RemovalRun, SharedFilesStayAndLeaveTheRecordHoweverTheRecordSpellsThem) {
  InstallProduct();
  const std::string shared = PathOf("Program Files\\ZEL\\Common Files\\COM\\Foxit.ocx");
  Make(shared);
  char short_form[MAX_PATH];
  ASSERT_GT(::GetShortPathNameA(shared.c_str(), short_form, MAX_PATH), 0u);
  ASSERT_EQ(std::string(short_form).find("Common Files"), std::string::npos) << short_form;
  const Lines spellings = {
      shared,
      PathOf("PROGRAM FILES\\ZEL\\COMMON FILES\\COM\\Foxit.ocx"),
      short_form,
      PathOf("Program Files\\ZEL\\.\\Common Files\\COM\\Foxit.ocx"),
      PathOf("Program Files\\ZEL\\Other\\..\\Common Files\\COM\\Foxit.ocx"),
  };
  for (const std::string& spelling : spellings) {
    SCOPED_TRACE(spelling);
    Record({"[KESTRA]", "KESTRA001=" + app_ + "KESTRA.EXE", "KESTRA002=" + spelling});
    Make(app_ + "KESTRA.EXE");
    EXPECT_EQ(Run(), kRemovedCompletely);
    EXPECT_TRUE(FileExists(shared));
    EXPECT_EQ(RecordNow(), Text({"[KESTRA]"}));
  }
}

TEST_F(RemovalRun, VanishedFilesAreNoErrorAndStayRecorded) {
  InstallProduct();
  Record({"[KESTRA]", "KESTRA001=" + app_ + "KESTRA.EXE", "KESTRA002=" + app_ + "GONE.DLL"});
  EXPECT_EQ(Run(), kRemovedCompletely);
  EXPECT_EQ(RecordNow(), Text({"[KESTRA]", "KESTRA002=" + app_ + "GONE.DLL"}));
}

TEST_F(RemovalRun, RecordWithLinefeedsOnlyIsReadAndRewrittenWithCrLf) {
  Make(app_ + "KESTRA.EXE");
  Make(records_ + "KSINSTALL.INF",
       "[KESTRA]\nKESTRA001=" + app_ + "KESTRA.EXE\nKESTRA002=" + app_ + "GONE.DLL");
  EXPECT_EQ(Run(), kRemovedCompletely);
  EXPECT_FALSE(FileExists(app_ + "KESTRA.EXE"));
  EXPECT_EQ(RecordNow(), Text({"[KESTRA]", "KESTRA002=" + app_ + "GONE.DLL"}));
}

TEST_F(RemovalRun, LineWithoutEqualsSignIsTakenWholeAsAPath) {
  Make(app_ + "KESTRA.EXE");
  Make(app_ + "LOOSE.TXT");
  Record({"[KESTRA]", app_ + "LOOSE.TXT", "KESTRA001=" + app_ + "KESTRA.EXE"});
  EXPECT_EQ(Run(), kRemovedCompletely);
  EXPECT_FALSE(FileExists(app_ + "LOOSE.TXT"));
  EXPECT_EQ(RecordNow(), Text({"[KESTRA]"}));
}

TEST_F(RemovalRun, RelativeNamesAreNeverResolvedInTheWorkingFolder) {
  // The working folder is the test folder: a relative entry would name these.
  Make(PathOf("REL.TXT"));
  Make(PathOf("[KESTRA]"));
  Record({"[KESTRA]", "KESTRA001=REL.TXT"});
  EXPECT_EQ(Run(), kRemovedCompletely);
  EXPECT_TRUE(FileExists(PathOf("REL.TXT")));
  EXPECT_TRUE(FileExists(PathOf("[KESTRA]")));
  EXPECT_EQ(RecordNow(), Text({"[KESTRA]", "KESTRA001=REL.TXT"}));
}

TEST_F(RemovalRun, WithoutARecordedApplicationNoFolderOfTheWorkingFolderIsTouched) {
  for (const char* folder : {"BookMark", "MANUAL", "DOCS"}) ForceDirectories(PathOf(folder));
  Make(PathOf("KESTRA.GID"));
  Make(app_ + "OTHER.DLL");
  Record({"[KESTRA]", "KESTRA001=" + app_ + "OTHER.DLL"});
  EXPECT_EQ(Run(), kRemovedCompletely);
  EXPECT_FALSE(FileExists(app_ + "OTHER.DLL"));
  for (const char* folder : {"BookMark", "MANUAL", "DOCS"})
    EXPECT_TRUE(DirectoryExists(PathOf(folder))) << folder;
  EXPECT_TRUE(FileExists(PathOf("KESTRA.GID")));
  // Its own folder is not known either, so it stays.
  EXPECT_TRUE(DirectoryExists(app_));
}

TEST_F(RemovalRun, FoldersWithUnrecordedFilesStayWithoutComplaint) {
  InstallProduct();
  Make(app_ + "BookMark\\mine.bmk", "user's bookmarks");
  EXPECT_EQ(Run(), kRemovedCompletely);
  EXPECT_TRUE(FileExists(app_ + "BookMark\\mine.bmk"));
  EXPECT_TRUE(DirectoryExists(app_));
  EXPECT_FALSE(DirectoryExists(app_ + "MANUAL"));
  EXPECT_FALSE(DirectoryExists(app_ + "DOCS"));
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kUninstallKey));
}

// ---- Files that cannot be deleted --------------------------------------------

TEST_F(RemovalRun, LockedFileIsLoggedKeptInTheRecordAndKeepsTheProgramEntries) {
  InstallProduct();
  {
    kestra::FileHandle held = Hold(app_ + "KESTRA.EXE");
    ASSERT_TRUE(held);
    EXPECT_EQ(Run(), kSomeFilesRemain);
  }
  EXPECT_TRUE(FileExists(app_ + "KESTRA.EXE"));
  EXPECT_FALSE(FileExists(app_ + "MANUAL\\利用ガイド.PDF"));
  EXPECT_EQ(Log(), Text({"DeleteError: " + app_ + "KESTRA.EXE"}));
  EXPECT_EQ(RecordNow(), Text({"[KESTRA]", "KESTRA001=" + app_ + "KESTRA.EXE",
                               "Dir_KESTRA001=" + app_, "Dir_KESTRA002=" + app_ + "MANUAL\\"}));
  EXPECT_EQ(testenv::NamesIn(records_), (Lines{"KSINSTALL.INF", "KSUNINST.LOG"}));
  EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, kUninstallKey));
  EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, kAppPathsKey));
  EXPECT_EQ(ValueAt(HKEY_CURRENT_USER, kProductKey, "ALN").number, 0u);
  // The emptied folders went all the same; the one still holding the file stays.
  EXPECT_FALSE(DirectoryExists(app_ + "MANUAL"));
  EXPECT_TRUE(DirectoryExists(app_));
}

TEST_F(RemovalRun, SecondRunAfterTheFileIsReleasedRemovesTheRestTheKeysAndTheLog) {
  InstallProduct();
  {
    kestra::FileHandle held = Hold(app_ + "KESTRA.EXE");
    ASSERT_TRUE(held);
    ASSERT_EQ(Run(), kSomeFilesRemain);
  }
  RecordingObserver second;
  EXPECT_EQ(RemoveInstalledFiles(settings_, second), kRemovedCompletely);
  EXPECT_FALSE(FileExists(app_ + "KESTRA.EXE"));
  EXPECT_FALSE(DirectoryExists(app_));
  EXPECT_FALSE(FileExists(records_ + "KSUNINST.LOG"));
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kUninstallKey));
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kAppPathsKey));
}

TEST_F(RemovalRun, EveryFailureIsLoggedInTheOrderItHappened) {
  Make(app_ + "A.DLL");
  Make(app_ + "B.DLL");
  Make(app_ + "C.DLL");
  Record({"[KESTRA]", "KESTRA001=" + app_ + "C.DLL", "KESTRA002=" + app_ + "B.DLL",
          "KESTRA003=" + app_ + "A.DLL"});
  kestra::FileHandle c = Hold(app_ + "C.DLL");
  kestra::FileHandle a = Hold(app_ + "A.DLL");
  EXPECT_EQ(Run(), kSomeFilesRemain);
  EXPECT_EQ(Log(), Text({"DeleteError: " + app_ + "C.DLL", "DeleteError: " + app_ + "A.DLL"}));
}

// ---- No record -----------------------------------------------------------------

TEST_F(RemovalRun, WithoutRecordNothingIsTouched) {
  Make(app_ + "KESTRA.EXE");
  EXPECT_EQ(Run(), kRecordsNotFound);
  EXPECT_TRUE(FileExists(app_ + "KESTRA.EXE"));
  EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, kUninstallKey));
  EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, kAppPathsKey));
  EXPECT_EQ(ValueAt(HKEY_CURRENT_USER, kProductKey, "ALN").number, 0x10A01u);
  EXPECT_FALSE(FileExists(records_ + "KSUNINST.LOG"));
  EXPECT_FALSE(FileExists(records_ + "KSINSTALL.INF"));
  EXPECT_TRUE(observer_.events.empty());
}

// ---- The Start-menu folder ------------------------------------------------------

TEST_F(RemovalRun, FolderOfARecordedProgramFolderShortcutGoesWhenEmptied) {
  InstallProduct();
  const std::string menu = PathOf("Start Menu\\Programs\\ケストラ\\");
  Make(menu + "ケストラDVD.LNK");
  Make(menu + "ケストラ 利用ガイド.LNK");
  Record({"[KESTRA]", "KESTRA001=" + app_ + "KESTRA.EXE", "KESTRA002=" + menu + "ケストラDVD.LNK",
          "KESTRA003=" + menu + "ケストラ 利用ガイド.LNK", "Dir_KESTRA001=" + menu});
  EXPECT_EQ(Run(), kRemovedCompletely);
  EXPECT_FALSE(DirectoryExists(menu));
  EXPECT_TRUE(DirectoryExists(PathOf("Start Menu\\Programs")));
}

TEST_F(RemovalRun, FolderOfAShortcutNamedAsTheProgramFolderGoesWhenEmptied) {
  InstallProduct();
  const std::string menu = PathOf("Start Menu\\Programs\\Apps\\");
  Make(menu + "ケストラ.LNK");
  Record({"[KESTRA]", "KESTRA001=" + app_ + "KESTRA.EXE", "KESTRA002=" + menu + "ケストラ.LNK"});
  EXPECT_EQ(Run(), kRemovedCompletely);
  EXPECT_FALSE(DirectoryExists(menu));
}

TEST_F(RemovalRun, ShortcutFolderHoldingOtherFilesStays) {
  InstallProduct();
  const std::string menu = PathOf("Programs\\ケストラ\\");
  Make(menu + "ケストラDVD.LNK");
  Make(menu + "Someone else's.LNK");
  Record({"[KESTRA]", "KESTRA001=" + app_ + "KESTRA.EXE", "KESTRA002=" + menu + "ケストラDVD.LNK"});
  EXPECT_EQ(Run(), kRemovedCompletely);
  EXPECT_TRUE(FileExists(menu + "Someone else's.LNK"));
}

TEST_F(RemovalRun, DesktopShortcutsFolderIsNeverRemoved) {
  InstallProduct();
  const std::string desktop = PathOf("Desktop\\");
  Make(desktop + "ケストラDVD.LNK");
  Record({"[KESTRA]", "KESTRA001=" + app_ + "KESTRA.EXE", "KESTRA002=" + desktop + "ケストラDVD.LNK"});
  EXPECT_EQ(Run(), kRemovedCompletely);
  EXPECT_FALSE(FileExists(desktop + "ケストラDVD.LNK"));
  EXPECT_TRUE(DirectoryExists(desktop));
}

// ---- The copied search index ----------------------------------------------------

class IndexRemoval : public RemovalRun {
 protected:
  void SetUp() override {
    RemovalRun::SetUp();
    index_ = PathOf("KSDOCS\\");
    Make(records_ + "KSDOCS.INF", "[KESTRA]\r\nDOCS=" + index_ + "\r\n");
    Make(index_ + "KSCOLL.INF", "[CollectionVersion]\r\nVersion=5\r\n");
    for (const char* collection : {"KSCOLL1", "KSCOLL2"}) {
      for (const char* engine : kIndexEngineFolders)
        Make(index_ + collection + "\\" + engine + "\\" + engine + ".dat");
      Make(index_ + collection + "\\" + collection + ".cfg");
    }
    settings_.delete_index = true;
    settings_.index_folder = index_;
    InstallProduct();
  }

  std::string index_;
};

TEST_F(IndexRemoval, DeletesTheIndexFilesEngineFoldersCollectionsAndTheIndexFolder) {
  EXPECT_EQ(Run(), kRemovedCompletely);
  EXPECT_FALSE(DirectoryExists(index_));
  EXPECT_FALSE(FileExists(app_ + "KESTRA.EXE"));
}

TEST_F(IndexRemoval, CountsTheIndexFilesInTheGaugeAndShowsEach) {
  Run();
  const int index_files = 1 + 2 * (9 + 1);
  EXPECT_EQ(observer_.maximum, 6 + index_files);
  // Every file of a collection folder is shown; the marker file is not.
  EXPECT_EQ(observer_.steps.size(), 6u + 2 * 10u);
  EXPECT_NE(std::find(observer_.steps.begin(), observer_.steps.end(),
                      index_ + "KSCOLL2\\work\\work.dat"),
            observer_.steps.end());
}

TEST_F(IndexRemoval, SecondLevelFolderInAnEngineFolderKeepsItsParents) {
  Make(index_ + "KSCOLL1\\parts\\deep\\piece.dat");
  EXPECT_EQ(Run(), kRemovedCompletely);
  // Its file went; the folder itself is not the uninstaller's to remove.
  EXPECT_FALSE(FileExists(index_ + "KSCOLL1\\parts\\deep\\piece.dat"));
  EXPECT_TRUE(DirectoryExists(index_ + "KSCOLL1\\parts\\deep"));
  EXPECT_TRUE(DirectoryExists(index_ + "KSCOLL1\\parts"));
  EXPECT_TRUE(DirectoryExists(index_ + "KSCOLL1"));
  EXPECT_TRUE(DirectoryExists(index_));
  EXPECT_FALSE(DirectoryExists(index_ + "KSCOLL1\\morgue"));
  EXPECT_FALSE(DirectoryExists(index_ + "KSCOLL2"));
  EXPECT_FALSE(FileExists(index_ + "KSCOLL.INF"));
}

TEST_F(IndexRemoval, OtherFoldersOfTheIndexFolderAreLeftAlone) {
  Make(index_ + "KSCOLL4\\kept.dat");
  Make(index_ + "notes.txt");
  EXPECT_EQ(Run(), kRemovedCompletely);
  EXPECT_TRUE(FileExists(index_ + "KSCOLL4\\kept.dat"));
  EXPECT_TRUE(FileExists(index_ + "notes.txt"));
  EXPECT_FALSE(DirectoryExists(index_ + "KSCOLL1"));
}

TEST_F(IndexRemoval, LockedIndexFileIsLogged) {
  kestra::FileHandle held = Hold(index_ + "KSCOLL2\\pdd\\pdd.dat");
  ASSERT_TRUE(held);
  EXPECT_EQ(Run(), kSomeFilesRemain);
  EXPECT_EQ(Log(), Text({"DeleteError: " + index_ + "KSCOLL2\\pdd\\pdd.dat"}));
  EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, kUninstallKey));
  EXPECT_FALSE(DirectoryExists(index_ + "KSCOLL1"));
}

TEST_F(IndexRemoval, IndexRecordGoneMeanwhileStopsAfterTheRecordedFiles) {
  ASSERT_TRUE(::DeleteFileA((records_ + "KSDOCS.INF").c_str()));
  EXPECT_EQ(Run(), kRecordsNotFound);
  // What was deleted stays deleted; nothing after that step happens.
  EXPECT_FALSE(FileExists(app_ + "KESTRA.EXE"));
  EXPECT_EQ(RecordNow(), Text({"[KESTRA]", "Dir_KESTRA001=" + app_,
                               "Dir_KESTRA002=" + app_ + "MANUAL\\"}));
  EXPECT_TRUE(FileExists(index_ + "KSCOLL.INF"));
  EXPECT_TRUE(DirectoryExists(app_ + "MANUAL"));
  EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, kUninstallKey));
  EXPECT_EQ(ValueAt(HKEY_CURRENT_USER, kProductKey, "ALN").number, 0x10A01u);
  EXPECT_FALSE(FileExists(records_ + "KSUNINST.LOG"));
}

TEST_F(IndexRemoval, BoxNotTickedLeavesTheIndex) {
  settings_.delete_index = false;
  EXPECT_EQ(Run(), kRemovedCompletely);
  EXPECT_TRUE(FileExists(index_ + "KSCOLL.INF"));
  EXPECT_TRUE(FileExists(index_ + "KSCOLL1\\work\\work.dat"));
  EXPECT_EQ(observer_.maximum, 6);
}

TEST_F(IndexRemoval, LinksInsideTheIndexAreNotFollowedAndWhatTheyNameStays) {
  const std::string outside = PathOf("OUTSIDE\\");
  Make(outside + "keep.dat");
  Make(outside + "deeper\\keep2.dat");
  ASSERT_TRUE(testenv::PlantFolderLink(index_ + "KSCOLL1\\assists\\elsewhere",
                                       RemoveBackslash(outside)));
  // A loop: followed, it would lead the walk round and round.
  ASSERT_TRUE(testenv::PlantFolderLink(index_ + "KSCOLL2\\work\\loop", RemoveBackslash(index_)));
  EXPECT_EQ(Run(), kRemovedCompletely);
  EXPECT_TRUE(FileExists(outside + "keep.dat"));
  EXPECT_TRUE(FileExists(outside + "deeper\\keep2.dat"));
  for (const std::string& step : observer_.steps)
    EXPECT_EQ(step.find("elsewhere"), std::string::npos) << step;
  // The index's own files went; the folders that hold a link stay.
  EXPECT_FALSE(FileExists(index_ + "KSCOLL1\\assists\\assists.dat"));
  EXPECT_FALSE(FileExists(index_ + "KSCOLL2\\work\\work.dat"));
  EXPECT_TRUE(DirectoryExists(index_ + "KSCOLL1\\assists"));
  EXPECT_FALSE(DirectoryExists(index_ + "KSCOLL1\\parts"));
}

TEST_F(IndexRemoval, ACollectionFolderThatIsALinkIsNotEmptied) {
  const std::string outside = PathOf("OUTSIDE");
  Make(outside + "\\work\\keep.dat");
  testenv::ResetFolder(index_ + "KSCOLL2");
  ASSERT_TRUE(::RemoveDirectoryA((index_ + "KSCOLL2").c_str()));
  ASSERT_TRUE(testenv::PlantFolderLink(index_ + "KSCOLL2", outside));
  EXPECT_EQ(Run(), kRemovedCompletely);
  EXPECT_TRUE(FileExists(outside + "\\work\\keep.dat"));
  EXPECT_FALSE(DirectoryExists(index_ + "KSCOLL1"));
}

TEST_F(IndexRemoval, AnIndexFolderReachedThroughALinkIsLeftAndTheRestIsRemoved) {
  const std::string real = PathOf("REAL");
  ASSERT_TRUE(ForceDirectories(real));
  ASSERT_TRUE(testenv::PlantFolderLink(PathOf("VIA"), real));
  Make(real + "\\KSDOCS\\KSCOLL1\\work\\w.dat");
  settings_.index_folder = PathOf("VIA\\KSDOCS\\");
  EXPECT_EQ(Run(), kRemovedCompletely);
  EXPECT_TRUE(FileExists(real + "\\KSDOCS\\KSCOLL1\\work\\w.dat"));
  EXPECT_FALSE(FileExists(app_ + "KESTRA.EXE"));
  EXPECT_EQ(observer_.maximum, 6) << "no index file counted";
}

TEST_F(IndexRemoval, EmptyIndexFolderTouchesNothingInTheWorkingFolder) {
  settings_.index_folder.clear();
  Make(PathOf("KSCOLL.INF"));
  Make(PathOf("KSCOLL1\\work\\w.dat"));
  EXPECT_EQ(Run(), kRemovedCompletely);
  EXPECT_TRUE(FileExists(PathOf("KSCOLL.INF")));
  EXPECT_TRUE(FileExists(PathOf("KSCOLL1\\work\\w.dat")));
}

// ---- The pieces ----------------------------------------------------------------

TEST(RecordLines, PathIsTheTextAfterTheFirstEqualsSign) {
  EXPECT_EQ(RecordLinePath("KESTRA001=C:\\A=B\\C.TXT"), "C:\\A=B\\C.TXT");
  EXPECT_EQ(RecordLinePath("[KESTRA]"), "[KESTRA]");
  EXPECT_EQ(RecordLinePath("KESTRA002="), "");
}

TEST(RecordLines, SharedFolderIsRecognisedWithoutRegardToCaseOrSpelling) {
  EXPECT_TRUE(IsSharedPath("C:\\Program Files\\ZEL\\Common Files\\COM\\X.OCX"));
  EXPECT_TRUE(IsSharedPath("D:\\Program Files\\ZEL\\Common Files\\UNINSTALL\\KSUINST.EXE"));
  EXPECT_TRUE(IsSharedPath("C:\\PROGRAM FILES\\ZEL\\COMMON FILES\\COM\\X.OCX"));
  EXPECT_TRUE(IsSharedPath("C:\\Program Files\\ZEL\\Common Files"));
  EXPECT_TRUE(IsSharedPath("C:\\Program Files\\KESTRA\\..\\ZEL\\Common Files\\X.OCX"));
  EXPECT_FALSE(IsSharedPath("C:\\Program Files\\KESTRA\\KESTRA.EXE"));
}

TEST(RecordLines, ALineThatIsNoFullPathIsNotResolvedAgainstTheWorkingFolder) {
  // Windows may start the uninstaller in the records folder, inside the shared one.
  const std::string records = "C:\\Program Files\\ZEL\\Common Files\\UNINSTALL";
  ASSERT_TRUE(kestra::ForceDirectories(records));
  char previous[MAX_PATH];
  ASSERT_GT(::GetCurrentDirectoryA(MAX_PATH, previous), 0u);
  ASSERT_TRUE(::SetCurrentDirectoryA(records.c_str()));
  EXPECT_FALSE(IsSharedPath("[KESTRA]"));
  EXPECT_FALSE(IsSharedPath("KESTRA.EXE"));
  EXPECT_TRUE(IsSharedPath("Program Files\\ZEL\\Common Files\\X.OCX"));
  ::SetCurrentDirectoryA(previous);
}

// Which index folders read from KSDOCS.INF the run may empty.
TEST(IndexFolderCheck, OnlyAFolderBelowADriveRootThatHoldsNothingGuarded) {
  RemovalSettings settings;
  settings.windows_folder = "C:\\windows";
  settings.shared_folder = "C:\\Program Files\\ZEL\\Common Files\\";
  settings.records_folder = "C:\\Program Files\\ZEL\\Common Files\\UNINSTALL\\";
  const struct {
    const char* folder;
    bool deletable;
  } rows[] = {
      {"C:\\KSDOCS\\", true},
      {"C:\\Program Files\\ケストラ\\DOCS\\", true},
      {"D:\\Index", true},
      {"C:\\windows\\..\\KSDOCS\\", true},
      {"", false},
      {"C:\\", false},
      {"C:", false},
      {"KSDOCS\\", false},
      {"\\\\kestrasrv\\dvd\\KSDOCS\\", false},
      {"C:\\windows\\", false},
      {"c:\\WINDOWS", false},
      {"C:\\KSDOCS\\..\\windows\\", false},
      {"C:\\Program Files\\", false},
      {"C:\\Program Files\\ZEL\\", false},
      {"C:\\Program Files\\ZEL\\Common Files\\", false},
      {"C:\\PROGRAM FILES\\ZEL\\COMMON FILES\\UNINSTALL\\", false},
      {"C:\\Program Files\\ZEL\\Common Files\\KSDOCS\\", false},
  };
  for (const auto& row : rows) {
    settings.index_folder = row.folder;
    EXPECT_EQ(IndexFolderIsDeletable(settings), row.deletable) << row.folder;
  }
}

TEST(RecordLines, ApplicationFileIsFoundWithoutRegardToCase) {
  EXPECT_TRUE(NamesApplicationFile("C:\\KS\\KESTRA.EXE"));
  EXPECT_TRUE(NamesApplicationFile("C:\\KS\\kestra.exe"));
  EXPECT_FALSE(NamesApplicationFile("C:\\KS\\KESTRA.DLL"));
  // "ｋ" is not "k": full-width letters are other characters.
  EXPECT_FALSE(NamesApplicationFile("C:\\KS\\ＫＥＳＴＲＡ.ＥＸＥ"));
}

TEST(RecordLines, ShortcutFolderRules) {
  EXPECT_EQ(ShortcutFolderOf("C:\\Menu\\ケストラ.LNK"), "C:\\Menu\\");
  EXPECT_EQ(ShortcutFolderOf("C:\\Menu\\ケストラ\\ケストラDVD.LNK"), "C:\\Menu\\ケストラ\\");
  EXPECT_EQ(ShortcutFolderOf("C:\\Menu\\ケストラ\\guide.lnk"), "C:\\Menu\\ケストラ\\");
  EXPECT_EQ(ShortcutFolderOf("C:\\Menu\\ケストラ.lnk"), "");
  EXPECT_EQ(ShortcutFolderOf("C:\\Desktop\\ケストラDVD.LNK"), "");
  EXPECT_EQ(ShortcutFolderOf("C:\\Menu\\ケストラ\\README.TXT"), "");
  EXPECT_EQ(ShortcutFolderOf("C:\\Menu\\ケストラX\\A.LNK"), "");
  EXPECT_EQ(ShortcutFolderOf("ケストラ.LNK"), "");
}

TEST(Outcome, EachResultHasItsMessage) {
  EXPECT_EQ(MessageText(OutcomeMessage(kRemovedCompletely)), expected::UninstallDone().text);
  EXPECT_EQ(MessageText(OutcomeMessage(kSomeFilesRemain)), expected::UninstallFilesRemain().text);
  EXPECT_EQ(MessageText(OutcomeMessage(kRecordsNotFound)), expected::UninstallRecordsMissing().text);
}

TEST(ProductSettings, NameTheRecordsFolderAndTheProductsKeys) {
  const RemovalSettings settings = ProductRemovalSettings("C:\\");
  EXPECT_EQ(settings.records_folder, "C:\\Program Files\\ZEL\\Common Files\\UNINSTALL\\");
  EXPECT_EQ(settings.registry_root, HKEY_LOCAL_MACHINE);
  EXPECT_EQ(settings.uninstall_key,
            "SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\UNINSTALL\\ケストラDVD");
  EXPECT_EQ(settings.app_paths_key,
            "SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\App Paths\\KESTRA.EXE");
  EXPECT_EQ(settings.product_key, "SOFTWARE\\ZEL\\ケストラDVD");
  EXPECT_FALSE(settings.delete_index);
}

class FileCollection : public RecordsTestFolder {};

TEST_F(FileCollection, ListsEveryFileBelowTheFolderWithItsFullPath) {
  testenv::WriteFile(PathOf("A.TXT"), "a");
  testenv::WriteFile(PathOf("SUB\\B.TXT"), "b");
  testenv::WriteFile(PathOf("SUB\\DEEPER\\C.TXT"), "c");
  ForceDirectories(PathOf("EMPTY"));
  for (const std::string& folder : {folder_, folder_.substr(0, folder_.size() - 1)}) {
    Lines files;
    files.push_back("kept");
    CollectFiles(folder, files);
    std::sort(files.begin() + 1, files.end());
    EXPECT_EQ(files, (Lines{"kept", PathOf("A.TXT"), PathOf("SUB\\B.TXT"),
                            PathOf("SUB\\DEEPER\\C.TXT")}));
  }
}

TEST_F(FileCollection, MissingFolderAddsNothing) {
  Lines files;
  CollectFiles(PathOf("NONE"), files);
  EXPECT_TRUE(files.empty());
}

}  // namespace
