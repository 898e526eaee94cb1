// The uninstall record KSINSTALL.INF as an installation writes it: what is
// listed, in which order, under which keys, merged with an earlier record; and
// the uninstaller copy placed beside it.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "RecordsTestFolder.h"
#include "WineTestEnv.h"
#include "install/RecordFile.h"
#include "script/BigIni.h"
#include "system/FileSys.h"

using namespace kestra;

namespace {

using Lines = std::vector<std::string>;

constexpr char kSetupBytes[] = "MZ stands in for SETUP.EXE";

std::string RecordText(const Lines& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  return text;
}

class UninstallRecordWrite : public RecordsTestFolder {
 protected:
  void SetUp() override {
    RecordsTestFolder::SetUp();
    records_ = PathOf("ZEL\\Common Files\\UNINSTALL\\");
    setup_dir_ = PathOf("DVD\\");
    testenv::WriteFile(setup_dir_ + "SETUP.EXE", kSetupBytes);
  }

  void Write(const Lines& files, const Lines& dirs = {}) {
    WriteUninstallRecord(records_, setup_dir_, files, dirs, 7);
  }
  std::string Record() const { return testenv::ReadFile(records_ + "KSINSTALL.INF"); }

  std::string records_;
  std::string setup_dir_;
};

TEST_F(UninstallRecordWrite, FirstInstallationListsApplicationFilesSortedThenCreatedFolders) {
  Write({"7,C:\\Program Files\\KESTRA\\KESTRA.EXE",
         "7,C:\\Program Files\\KESTRA\\MANUAL\\利用ガイド.PDF",
         "99,C:\\ZEL\\LIB\\_NTI31\\BIN\\NTISRCH.DLL",
         "98,C:\\Program Files\\ZEL\\Common Files\\COM\\FoxitReader_AX_Std.ocx",
         "7,C:\\Program Files\\KESTRA\\about.txt",
         "7,C:\\Users\\Public\\Desktop\\ケストラDVD.LNK"},
        {"7,C:\\Program Files\\KESTRA\\MANUAL\\", "7,C:\\Program Files\\KESTRA\\"});
  // "about.txt" sorts before "KESTRA.EXE" only when case is ignored.
  EXPECT_EQ(Record(), RecordText({"[KESTRA]",
                                  "KESTRA001=C:\\Program Files\\KESTRA\\about.txt",
                                  "KESTRA002=C:\\Program Files\\KESTRA\\KESTRA.EXE",
                                  "KESTRA003=C:\\Program Files\\KESTRA\\MANUAL\\利用ガイド.PDF",
                                  "KESTRA004=C:\\Users\\Public\\Desktop\\ケストラDVD.LNK",
                                  "Dir_KESTRA001=C:\\Program Files\\KESTRA\\",
                                  "Dir_KESTRA002=C:\\Program Files\\KESTRA\\MANUAL\\",
                                  ""}));
}

TEST_F(UninstallRecordWrite, CopiesSetupAsTheUninstallerBesideTheRecord) {
  Write({"7,C:\\A\\KESTRA.EXE"});
  EXPECT_EQ(testenv::ReadFile(records_ + "KSUINST.EXE"), kSetupBytes);
}

TEST_F(UninstallRecordWrite, ReplacesAReadOnlyUninstallerOfAnEarlierInstallation) {
  testenv::WriteFile(records_ + "KSUINST.EXE", "old uninstaller");
  ASSERT_TRUE(::SetFileAttributesA((records_ + "KSUINST.EXE").c_str(), FILE_ATTRIBUTE_READONLY));
  Write({"7,C:\\A\\KESTRA.EXE"});
  EXPECT_EQ(testenv::ReadFile(records_ + "KSUINST.EXE"), kSetupBytes);
}

TEST_F(UninstallRecordWrite, MissingSetupProgramLeavesNoUninstallerButTheRecordIsWritten) {
  ASSERT_TRUE(::DeleteFileA((setup_dir_ + "SETUP.EXE").c_str()));
  Write({"7,C:\\A\\KESTRA.EXE"});
  EXPECT_FALSE(FileExists(records_ + "KSUINST.EXE"));
  EXPECT_EQ(Record(), RecordText({"[KESTRA]", "KESTRA001=C:\\A\\KESTRA.EXE", ""}));
}

TEST_F(UninstallRecordWrite, SecondInstallationMergesListsSharedPathsOnceAndRenumbers) {
  Write({"7,C:\\KS\\KESTRA.EXE", "7,C:\\KS\\OLD.DLL"}, {"7,C:\\KS\\"});
  Write({"7,C:\\KS\\KESTRA.EXE", "7,C:\\KS\\ADDED.DLL", "7,C:\\KS\\MANUAL\\GUIDE.PDF"},
        {"7,C:\\KS\\MANUAL\\", "7,C:\\KS"});
  EXPECT_EQ(Record(), RecordText({"[KESTRA]",
                                  "KESTRA001=C:\\KS\\ADDED.DLL",
                                  "KESTRA002=C:\\KS\\KESTRA.EXE",
                                  "KESTRA003=C:\\KS\\MANUAL\\GUIDE.PDF",
                                  "KESTRA004=C:\\KS\\OLD.DLL",
                                  "Dir_KESTRA001=C:\\KS\\",
                                  "Dir_KESTRA002=C:\\KS\\MANUAL\\",
                                  ""}));
}

TEST_F(UninstallRecordWrite, EarlierRecordKeysWithDirAreFoldersAndEveryOtherKeyAFile) {
  testenv::WriteFile(records_ + "KSINSTALL.INF",
                     RecordText({"[KESTRA]", "KESTRA007=C:\\OLD\\B.TXT", "Other=C:\\OLD\\A.TXT",
                                 "Dir_KESTRA003=C:\\OLD\\SUB", "XDir_Y=C:\\OLD\\", "no equals sign",
                                 "KESTRA009=", "[OTHER]", "KESTRA001=C:\\ELSEWHERE\\C.TXT"}));
  Write({});
  EXPECT_EQ(Record(), RecordText({"[KESTRA]",
                                  "KESTRA001=C:\\OLD\\A.TXT",
                                  "KESTRA002=C:\\OLD\\B.TXT",
                                  "Dir_KESTRA001=C:\\OLD\\",
                                  "Dir_KESTRA002=C:\\OLD\\SUB\\",
                                  ""}));
}

TEST_F(UninstallRecordWrite, PathsDifferingOnlyInCaseAreBothKeptExactDuplicatesOnce) {
  // The same files recorded twice (two passes) and once more in another case.
  Write({"7,C:\\KS\\kestra.exe", "7,C:\\KS\\KESTRA.EXE", "7,C:\\KS\\kestra.exe",
         "7,C:\\KS\\KESTRA.EXE", "7,C:\\KS\\Kestra.exe"});
  const std::string record = Record();
  EXPECT_EQ(record.find("KESTRA004"), std::string::npos) << record;
  TBigIniFile store(records_ + "KSINSTALL.INF");
  Lines values;
  for (int n = 1; n <= 3; ++n)
    values.push_back(store.ReadString("KESTRA", FileEntryKey("KESTRA", n), "(missing)"));
  std::sort(values.begin(), values.end());
  EXPECT_EQ(values, (Lines{"C:\\KS\\KESTRA.EXE", "C:\\KS\\Kestra.exe", "C:\\KS\\kestra.exe"}));
}

TEST_F(UninstallRecordWrite, FolderRecordedWithAndWithoutBackslashIsListedOnce) {
  Write({}, {"7,C:\\KS\\MANUAL", "7,C:\\KS\\MANUAL\\", "7,C:\\KS\\manual"});
  EXPECT_EQ(Record(), RecordText({"[KESTRA]", "Dir_KESTRA001=C:\\KS\\MANUAL\\",
                                  "Dir_KESTRA002=C:\\KS\\manual\\", ""}));
}

// Found by the records fuzz harness: a damaged folder entry that ends in a
// lead byte took the added backslash as that character's second byte, and
// every later installation added one more.
TEST_F(UninstallRecordWrite, DamagedFolderEndingInALeadByteIsKeptAsItIs) {
  Write({}, {"7,C:\\KS\\\x8a"});
  const std::string first = Record();
  EXPECT_EQ(first, RecordText({"[KESTRA]", "Dir_KESTRA001=C:\\KS\\\x8a", ""}));
  Write({}, {});
  EXPECT_EQ(Record(), first);
}

TEST_F(UninstallRecordWrite, AThousandEntriesAndMoreContinueWithFourDigits) {
  Lines files;
  for (int n = 0; n < 1002; ++n) {
    char name[32];
    std::snprintf(name, sizeof name, "7,C:\\KS\\F%04d.DAT", n);
    files.push_back(name);
  }
  Write(files);
  TBigIniFile store(records_ + "KSINSTALL.INF");
  EXPECT_EQ(store.ReadString("KESTRA", "KESTRA001", ""), "C:\\KS\\F0000.DAT");
  EXPECT_EQ(store.ReadString("KESTRA", "KESTRA999", ""), "C:\\KS\\F0998.DAT");
  EXPECT_EQ(store.ReadString("KESTRA", "KESTRA1000", ""), "C:\\KS\\F0999.DAT");
  EXPECT_EQ(store.ReadString("KESTRA", "KESTRA1002", ""), "C:\\KS\\F1001.DAT");
  EXPECT_EQ(store.ReadString("KESTRA", "KESTRA1003", "(none)"), "(none)");
}

TEST_F(UninstallRecordWrite, WritingOverAStoreThatStillHoldsARecordReplacesItWhole) {
  // A record that could not be deleted first is loaded by the store: no stale
  // key beyond the new numbering, and no other line of it, may survive.
  testenv::WriteFile(records_ + "KSINSTALL.INF",
                     RecordText({"[KESTRA]", "KESTRA001=C:\\KS\\A", "KESTRA002=C:\\KS\\A",
                                 "KESTRA003=C:\\KS\\B", "Dir_KESTRA001=C:\\OLD\\",
                                 "[OTHER]", "Kept=1"}));
  {
    TBigIniFile store(records_ + "KSINSTALL.INF");
    WriteRecordEntries(store, "KESTRA", {{"C:\\KS\\A"}, {}});
  }
  EXPECT_EQ(Record(), RecordText({"[OTHER]", "Kept=1", "", "[KESTRA]", "KESTRA001=C:\\KS\\A", ""}));
}

TEST_F(UninstallRecordWrite, ReadOnlyEarlierRecordIsMergedAndReplaced) {
  Write({"7,C:\\KS\\A", "7,C:\\KS\\B"});
  ASSERT_TRUE(
      ::SetFileAttributesA((records_ + "KSINSTALL.INF").c_str(), FILE_ATTRIBUTE_READONLY));
  Write({"7,C:\\KS\\C"});
  EXPECT_EQ(Record(), RecordText({"[KESTRA]", "KESTRA001=C:\\KS\\A", "KESTRA002=C:\\KS\\B",
                                  "KESTRA003=C:\\KS\\C", ""}));
}

// The records folder's disk is nearly full and this installation adds many
// files: the merged record does not fit. The earlier record stays as it was, so
// that the uninstaller still removes what the earlier installations placed.
TEST_F(UninstallRecordWrite, ARecordThatDoesNotFitTheDiskLeavesTheEarlierOneByteForByte) {
  const std::string small = testenv::SmallFileSystemFolder("records_tests");
  if (!testenv::IsSmallFileSystem(small)) GTEST_SKIP() << testenv::NoSmallFileSystem(small);
  records_ = small + "UNINSTALL\\";
  testenv::ResetFolder(records_);
  Write({"7,C:\\KS\\KESTRA.EXE", "7,C:\\KS\\MANUAL\\GUIDE.PDF",
         "7,C:\\Users\\Public\\Desktop\\ケストラDVD.LNK"},
        {"7,C:\\KS\\", "7,C:\\KS\\MANUAL\\"});
  const std::string earlier = Record();
  ASSERT_EQ(earlier, RecordText({"[KESTRA]", "KESTRA001=C:\\KS\\KESTRA.EXE",
                                 "KESTRA002=C:\\KS\\MANUAL\\GUIDE.PDF",
                                 "KESTRA003=C:\\Users\\Public\\Desktop\\ケストラDVD.LNK",
                                 "Dir_KESTRA001=C:\\KS\\", "Dir_KESTRA002=C:\\KS\\MANUAL\\", ""}));
  Lines many;
  for (int n = 1; n <= 400; ++n)
    many.push_back("7,C:\\KS\\PART" + std::to_string(n) + "\\GUIDE.PDF");
  {
    testenv::DiskFiller full(small, 2048);  // cut back by 2 KB: less than a block
    Write(many, {"7,C:\\KS\\PART1\\"});
  }
  EXPECT_EQ(Record(), earlier);
  EXPECT_EQ(testenv::NamesIn(records_), (Lines{"KSINSTALL.INF", "KSUINST.EXE"}));
  EXPECT_EQ(testenv::ReadFile(records_ + "KSUINST.EXE"), kSetupBytes);
  testenv::ResetFolder(records_);
  ::RemoveDirectoryA(records_.c_str());
}

// A DVD whose SETUP.EXE is larger than what the full disk has left: the
// uninstaller of the earlier installation stays, so that the Windows entry
// still starts one.
TEST_F(UninstallRecordWrite, AnUninstallerThatDoesNotFitTheDiskLeavesTheEarlierOne) {
  const std::string small = testenv::SmallFileSystemFolder("records_tests");
  if (!testenv::IsSmallFileSystem(small)) GTEST_SKIP() << testenv::NoSmallFileSystem(small);
  records_ = small + "UNINSTALL\\";
  testenv::ResetFolder(records_);
  Write({"7,C:\\KS\\KESTRA.EXE"});
  const std::string earlier = Record();
  testenv::WriteFile(setup_dir_ + "SETUP.EXE", std::string(16 * 1024, 'N'));
  {
    testenv::DiskFiller full(small, 2048);  // cut back by 2 KB: less than a block
    Write({"7,C:\\KS\\KESTRA.EXE"});
  }
  EXPECT_EQ(testenv::ReadFile(records_ + "KSUINST.EXE"), kSetupBytes);
  EXPECT_EQ(Record(), earlier);
  EXPECT_EQ(testenv::NamesIn(records_), (Lines{"KSINSTALL.INF", "KSUINST.EXE"}));
  testenv::ResetFolder(records_);
  ::RemoveDirectoryA(records_.c_str());
}

// ---- The pieces ------------------------------------------------------------

TEST(RecordEntryKeys, ArePrefixAndCounterPaddedToThreeDigits) {
  EXPECT_EQ(FileEntryKey("KESTRA", 1), "KESTRA001");
  EXPECT_EQ(FileEntryKey("KESTRA", 42), "KESTRA042");
  EXPECT_EQ(FileEntryKey("KESTRA", 999), "KESTRA999");
  EXPECT_EQ(FileEntryKey("KESTRA", 1000), "KESTRA1000");
  EXPECT_EQ(FolderEntryKey("KESTRA", 1), "Dir_KESTRA001");
  EXPECT_EQ(FolderEntryKey("KESTRA", 12345), "Dir_KESTRA12345");
}

TEST(RunRecords, OnlyApplicationRecordsOfTheProductRowAreListed) {
  UninstallRecordLists lists;
  AddRunRecords(lists,
                {"7,C:\\KS\\KESTRA.EXE", "99,C:\\ZEL\\LIB\\X.DLL", "98,C:\\COM\\Y.OCX", "",
                 "70,C:\\KS\\NOT.MINE", "no comma", "7,C:\\KS\\A,B.TXT"},
                {"7,C:\\KS\\", "", "C:\\NO\\TAG\\"}, 7);
  EXPECT_EQ(lists.files, (Lines{"C:\\KS\\KESTRA.EXE", "C:\\KS\\A,B.TXT"}));
  // Every created-folder record counts, whatever its tag.
  EXPECT_EQ(lists.folders, (Lines{"C:\\KS\\", "C:\\NO\\TAG\\"}));
}

TEST(RunRecords, PathIsEverythingAfterTheFirstComma) {
  EXPECT_EQ(RecordPathOf("7,C:\\A,B\\C"), "C:\\A,B\\C");
  EXPECT_EQ(RecordPathOf("C:\\NO\\TAG"), "C:\\NO\\TAG");
  EXPECT_TRUE(IsApplicationRecord("7,C:\\X", 7));
  EXPECT_FALSE(IsApplicationRecord("7C:\\X", 7));
  EXPECT_FALSE(IsApplicationRecord("99,C:\\X", 7));
}

TEST(RecordOrder, IgnoresCaseAndKeepsExactDuplicatesTogether) {
  Lines paths{"c", "B", "a", "A", "b", "a"};
  SortWithoutCase(paths);
  EXPECT_EQ(paths, (Lines{"A", "a", "a", "B", "b", "c"}));
  EXPECT_EQ(DistinctSorted({"a", "A", "a", "A"}), (Lines{"A", "a"}));
}

TEST(RecordsFolder, LiesBelowTheLiteralProgramFilesFolderOfTheDrive) {
  EXPECT_EQ(RecordsFolder("C:\\"), "C:\\Program Files\\ZEL\\Common Files\\UNINSTALL\\");
  EXPECT_EQ(RecordsFolder("D:\\"), "D:\\Program Files\\ZEL\\Common Files\\UNINSTALL\\");
}

}  // namespace
