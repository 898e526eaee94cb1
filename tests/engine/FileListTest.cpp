// The file step's decisions: which groups a run installs, where each file
// goes, how the expander is called, and which folders are created.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "WineTestEnv.h"
#include "install/EZipApi.h"
#include "install/FileList.h"
#include "system/FileSys.h"

using namespace kestra;

namespace {

const std::string kInstallDir = "C:\\Program Files\\KESTRA\\";

// A DVD script with one group of every kind, the application's manual in a
// subfolder, and a group whose name begins with "COM" without the backslash.
SetupScript ProductScript() {
  SetupScript script;
  script.groups = {
      {"KESTRA", "<INSTALLDIR>", {"KESTRA.EXE"}},
      {"LIB_NTI31", "LIB\\_NTI31\\BIN\\", {"BIN\\VIEW.DLL", "NTISRCH.DLL"}},
      {"COM\\FOXIT", "COM\\", {"FoxitReader_AX_Std.ocx"}},
      {"COMMON", "COMMON\\", {"SHARED.DAT"}},
      {"MANUAL", "<INSTALLDIR>MANUAL\\", {"MANUAL\\利用ガイド.PDF"}},
  };
  return script;
}

FileListInput NewInstallation() {
  FileListInput input;
  input.app_count = 1;
  input.install_mode = 1;
  input.product_index = 7;
  input.install_dir = kInstallDir;
  input.win_drive_root = "C:\\";
  return input;
}

FileListInput OverInstalled(const std::string& dvd, std::optional<std::string> installed) {
  FileListInput input = NewInstallation();
  input.install_mode = 2;
  input.dvd_version = dvd;
  input.installed_version = std::move(installed);
  return input;
}

const std::vector<std::string> kApplicationRecords = {
    "7,C:\\Program Files\\KESTRA\\KESTRA.EXE",
    "7,C:\\Program Files\\KESTRA\\MANUAL\\利用ガイド.PDF",
};
const std::vector<std::string> kLibraryRecords = {
    "99,C:\\ZEL\\LIB\\_NTI31\\BIN\\VIEW.DLL",
    "99,C:\\ZEL\\LIB\\_NTI31\\BIN\\NTISRCH.DLL",
};
const std::vector<std::string> kCommonRecords = {
    "98,C:\\Program Files\\ZEL\\Common Files\\COM\\FoxitReader_AX_Std.ocx",
};

std::vector<std::string> Join(std::initializer_list<std::vector<std::string>> parts) {
  std::vector<std::string> all;
  for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

}  // namespace

// ---- Group kinds and destinations ----------------------------------------

TEST(GroupKind, IsDecidedOnTheUpperCasedName) {
  EXPECT_EQ(GroupKindOf("KESTRA"), GroupKind::Application);
  EXPECT_EQ(GroupKindOf("MANUAL"), GroupKind::Application);
  EXPECT_EQ(GroupKindOf(""), GroupKind::Application);
  EXPECT_EQ(GroupKindOf("LIB_NTI31"), GroupKind::Library);
  EXPECT_EQ(GroupKindOf("lib"), GroupKind::Library);
  EXPECT_EQ(GroupKindOf("COM\\FOXIT"), GroupKind::Common);
  EXPECT_EQ(GroupKindOf("com\\foxit"), GroupKind::Common);
  EXPECT_EQ(GroupKindOf("COMMON"), GroupKind::None);
  EXPECT_EQ(GroupKindOf("COM"), GroupKind::None);
  EXPECT_EQ(GroupKindOf("COMソ"), GroupKind::None);  // "ソ" ends in the byte 0x5C
}

TEST(Destination, TakesBaseFolderMacroFreeDirAndFileName) {
  EXPECT_EQ(DestinationOf(kInstallDir, "<INSTALLDIR>", "KESTRA.EXE"),
            "C:\\Program Files\\KESTRA\\KESTRA.EXE");
  EXPECT_EQ(DestinationOf(kInstallDir, "<INSTALLDIR>MANUAL\\", "MANUAL\\利用ガイド.PDF"),
            "C:\\Program Files\\KESTRA\\MANUAL\\利用ガイド.PDF");
  // The folder part of a file value is ignored.
  EXPECT_EQ(DestinationOf("C:\\ZEL\\", "LIB\\_NTI31\\BIN\\", "BIN\\VIEW.DLL"),
            "C:\\ZEL\\LIB\\_NTI31\\BIN\\VIEW.DLL");
  // Only the first macro is removed; nothing is inserted between the parts.
  EXPECT_EQ(DestinationOf("C:\\A\\", "<INSTALLDIR>X<INSTALLDIR>", "F"), "C:\\A\\X<INSTALLDIR>F");
  EXPECT_EQ(DestinationOf("C:\\A\\", "SUB", "F.TXT"), "C:\\A\\SUBF.TXT");
  // Double-byte names whose second byte is a backslash stay whole.
  EXPECT_EQ(DestinationOf("C:\\A\\", "", "表\\ソフト.TXT"), "C:\\A\\ソフト.TXT");
}

TEST(ScriptPath, NamesTheProductFolderFiles) {
  EXPECT_EQ(GetScriptPath("Q:\\", 7, "SETUP.INI"), "Q:\\KESTRA\\SETUP_F.INI");
  EXPECT_EQ(GetScriptPath("Q:\\", 7, "SETUP.EZP"), "Q:\\KESTRA\\SETUP_F.EZP");
  EXPECT_EQ(GetScriptPath("N:\\DVD\\", 0, "SETUP.EZP"), "N:\\DVD\\HOREI\\SETUP_F.EZP");
  EXPECT_EQ(GetScriptPath("Q:\\", 7, "SETUP.INF"), "");
  EXPECT_EQ(GetScriptPath("Q:\\", 7, "setup.ini"), "");
  EXPECT_EQ(GetScriptPath("Q:\\", 8, "SETUP.INI"), "");
  EXPECT_EQ(GetScriptPath("Q:\\", -1, "SETUP.INI"), "");
}

// ---- Reading the script ----------------------------------------------------

TEST(ScriptInteger, ParsesWholeDecimalNumbersOnly) {
  EXPECT_EQ(ScriptInteger("12"), 12);
  EXPECT_EQ(ScriptInteger("+4"), 4);
  EXPECT_EQ(ScriptInteger("-2"), -2);
  EXPECT_EQ(ScriptInteger(""), 0);
  EXPECT_EQ(ScriptInteger("3x"), 0);
  EXPECT_EQ(ScriptInteger("x3"), 0);
  EXPECT_EQ(ScriptInteger("99999999999"), 0);
}

class ScriptFile : public ::testing::Test {
 protected:
  const std::string folder_ = testenv::kInProcessWork + "engine\\script\\";
  void SetUp() override { testenv::ResetFolder(folder_); }
};

TEST_F(ScriptFile, IsReadIntoGroupsInNumberOrder) {
  testenv::WriteFile(folder_ + "SETUP_F.INI",
                     "[Groups]\r\nGroups=2\r\n"
                     "Group1Name=KESTRA\r\nGroup1Dir=<INSTALLDIR>\r\nGroup1grpFiles=2\r\n"
                     "Group1File1=KESTRA.EXE\r\nGroup1File2=README.TXT\r\n"
                     "Group2Name=MANUAL\r\nGroup2Dir=<INSTALLDIR>MANUAL\\\r\nGroup2grpFiles=1\r\n"
                     "Group2File1=MANUAL\\利用ガイド.PDF\r\n");
  SetupScript script = ReadSetupScript(folder_ + "SETUP_F.INI");
  ASSERT_EQ(script.groups.size(), 2u);
  EXPECT_EQ(script.groups[0].name, "KESTRA");
  EXPECT_EQ(script.groups[0].dir, "<INSTALLDIR>");
  EXPECT_EQ(script.groups[0].files, (std::vector<std::string>{"KESTRA.EXE", "README.TXT"}));
  EXPECT_EQ(script.groups[1].name, "MANUAL");
  EXPECT_EQ(script.groups[1].dir, "<INSTALLDIR>MANUAL\\");
  EXPECT_EQ(script.groups[1].files, std::vector<std::string>{"MANUAL\\利用ガイド.PDF"});
}

TEST_F(ScriptFile, CountsThatDoNotParseAreZeroAndMissingValuesEmpty) {
  testenv::WriteFile(folder_ + "BAD.INI",
                     "[Groups]\r\nGroups=2\r\nGroup1Name=A\r\nGroup1grpFiles=two\r\n"
                     "Group2Name=B\r\nGroup2grpFiles=2\r\nGroup2File2=Y.TXT\r\n");
  SetupScript script = ReadSetupScript(folder_ + "BAD.INI");
  ASSERT_EQ(script.groups.size(), 2u);
  EXPECT_TRUE(script.groups[0].files.empty());
  EXPECT_EQ(script.groups[1].files, (std::vector<std::string>{"", "Y.TXT"}));

  testenv::WriteFile(folder_ + "NONE.INI", "[Groups]\r\nGroups=many\r\nGroup1Name=A\r\n");
  EXPECT_TRUE(ReadSetupScript(folder_ + "NONE.INI").groups.empty());
}

TEST_F(ScriptFile, CountsNoDvdReachesAreReadAsTheirBounds) {
  testenv::WriteFile(folder_ + "HUGE.INI",
                     "[Groups]\r\nGroups=2147483647\r\nGroup1Name=A\r\n"
                     "Group1grpFiles=2147483647\r\nGroup1File1=X.TXT\r\n"
                     "Group2grpFiles=-5\r\n");
  int pumped = 0;
  const SetupScript script = ReadSetupScript(folder_ + "HUGE.INI", [&] { ++pumped; });
  ASSERT_EQ(script.groups.size(), static_cast<std::size_t>(kMaxScriptGroups));
  // The count, three values per group and every file, a pump per hundred reads.
  EXPECT_EQ(pumped, (1 + 3 * kMaxScriptGroups + kMaxScriptFiles) / kScriptReadsPerPump);
  std::size_t files = 0;
  for (const ScriptGroup& group : script.groups) files += group.files.size();
  EXPECT_EQ(files, static_cast<std::size_t>(kMaxScriptFiles));
  EXPECT_EQ(script.groups[0].files.front(), "X.TXT");
  EXPECT_TRUE(script.groups[1].files.empty());
}

TEST_F(ScriptFile, MissingScriptHasNoGroups) {
  EXPECT_TRUE(ReadSetupScript(folder_ + "MISSING.INI").groups.empty());
}

// ---- Choosing the records --------------------------------------------------

TEST(FileList, NewInstallationListsApplicationThenLibraryThenCommon) {
  FileListPlan plan = BuildFileList(ProductScript(), NewInstallation());
  EXPECT_EQ(plan.records, Join({kApplicationRecords, kLibraryRecords, kCommonRecords}));
  EXPECT_EQ(plan.start_mode, 1);
  EXPECT_EQ(plan.install_mode, 1);
  EXPECT_FALSE(plan.app_version.has_value());
  EXPECT_FALSE(plan.common_failed);
}

TEST(FileList, SameVersionInstalledListsOnlyCommonFiles) {
  FileListPlan plan = BuildFileList(ProductScript(), OverInstalled("2.1.0.1", "2.1.0.1"));
  EXPECT_EQ(plan.records, kCommonRecords);
  EXPECT_EQ(plan.install_mode, 2);
  EXPECT_EQ(plan.app_version, "2.1.0.1");
}

TEST(FileList, NewerVersionInstalledListsOnlyCommonFiles) {
  FileListPlan plan = BuildFileList(ProductScript(), OverInstalled("2.1.0.1", "2.2"));
  EXPECT_EQ(plan.records, kCommonRecords);
  EXPECT_EQ(plan.install_mode, 2);
}

TEST(FileList, OlderVersionInstalledGetsApplicationButNoLibrary) {
  FileListPlan plan = BuildFileList(ProductScript(), OverInstalled("2.1.0.1", "2.1"));
  EXPECT_EQ(plan.records, Join({kApplicationRecords, kCommonRecords}));
  EXPECT_EQ(plan.start_mode, 2);
  EXPECT_EQ(plan.install_mode, 1);
  EXPECT_EQ(plan.app_version, "2.1.0.1");
}

TEST(FileList, VersionPartsCompareAsNumbers) {
  EXPECT_TRUE(DvdVersionIsNewer("1.10.0", "1.9.3"));
  EXPECT_FALSE(DvdVersionIsNewer("1.9.3.0", "1.9.3"));
  EXPECT_FALSE(DvdVersionIsNewer("1.9.9.9", "2.0"));
  EXPECT_TRUE(DvdVersionIsNewer("2.0", "1.x"));
  EXPECT_TRUE(DvdVersionIsNewer("0.0.0.1", ""));
  EXPECT_FALSE(DvdVersionIsNewer("", ""));
}

TEST(FileList, UnreadableInstalledCopyCountsAsOlder) {
  // The product key cannot be opened.
  FileListPlan no_key = BuildFileList(ProductScript(), OverInstalled("2.1.0.1", std::nullopt));
  EXPECT_EQ(no_key.records, Join({kApplicationRecords, kCommonRecords}));
  EXPECT_EQ(no_key.install_mode, 1);
  // The key is there without a version: 0.0.0.0.
  FileListPlan no_value = BuildFileList(ProductScript(), OverInstalled("2.1.0.1", ""));
  EXPECT_EQ(no_value.install_mode, 1);
  // No version on the DVD: installed as new, still without the library.
  FileListPlan no_dvd = BuildFileList(ProductScript(), OverInstalled("", "3.0"));
  EXPECT_EQ(no_dvd.records, Join({kApplicationRecords, kCommonRecords}));
  EXPECT_EQ(no_dvd.install_mode, 1);
  EXPECT_EQ(no_dvd.app_version, "");
}

TEST(FileList, InstallDirMacroAloneMeansTheApplicationFolder) {
  SetupScript script;
  script.groups = {{"APP", "<INSTALLDIR>", {"A.DLL", "SUB\\B.DLL"}}};
  FileListPlan plan = BuildFileList(script, NewInstallation());
  EXPECT_EQ(plan.records, (std::vector<std::string>{"7,C:\\Program Files\\KESTRA\\A.DLL",
                                                    "7,C:\\Program Files\\KESTRA\\B.DLL"}));
}

TEST(FileList, GroupNamedCommonIsSkipped) {
  SetupScript script;
  script.groups = {{"COMMON", "<INSTALLDIR>", {"X.DAT"}}, {"COMPACT", "C\\", {"Y.DAT"}}};
  EXPECT_TRUE(BuildFileList(script, NewInstallation()).records.empty());
}

TEST(FileList, LibraryFileWithFolderLandsUnderTheGroupFolder) {
  SetupScript script;
  script.groups = {{"LIB", "LIB\\_NTI31\\BIN\\", {"BIN\\VIEW.DLL"}}};
  EXPECT_EQ(BuildFileList(script, NewInstallation()).records,
            std::vector<std::string>{"99,C:\\ZEL\\LIB\\_NTI31\\BIN\\VIEW.DLL"});
}

TEST(FileList, TwoPassesListEveryRecordTwice) {
  FileListInput input = NewInstallation();
  input.app_count = 2;
  FileListPlan plan = BuildFileList(ProductScript(), input);
  const std::vector<std::string> pass = Join({kApplicationRecords, kLibraryRecords, kCommonRecords});
  EXPECT_EQ(plan.records, Join({pass, pass}));

  input.app_count = 0;
  EXPECT_TRUE(BuildFileList(ProductScript(), input).records.empty());
}

TEST(FileList, ProgramOnlyUpdateListsOnlyTheApplicationFile) {
  SetupScript script;
  script.groups = {
      {"KESTRA", "<INSTALLDIR>", {"KESTRA.EXE", "README.TXT"}},
      {"LIB", "LIB\\", {"KESTRA.EXE"}},
      {"COM\\X", "COM\\", {"KESTRA.EXE"}},
      {"OTHER", "<INSTALLDIR>OLD\\", {"kestra.exe", ""}},
  };
  FileListInput input = OverInstalled("2.1.0.1", "1.9.3");
  input.program_only = true;
  input.app_count = 2;
  FileListPlan plan = BuildFileList(script, input);
  EXPECT_EQ(plan.records, (std::vector<std::string>{
                              "7,C:\\Program Files\\KESTRA\\KESTRA.EXE",
                              "7,C:\\Program Files\\KESTRA\\OLD\\kestra.exe"}));
  // No version comparison in this mode.
  EXPECT_EQ(plan.install_mode, 2);
  EXPECT_FALSE(plan.app_version.has_value());
}

TEST(FileList, HandlesMessagesPerPassAndPerApplicationGroup) {
  FileListInput input = NewInstallation();
  input.app_count = 2;
  int pumped = 0;
  BuildFileList(ProductScript(), input, [&] { ++pumped; });
  // Two application groups and the pass itself, twice.
  EXPECT_EQ(pumped, 6);
}

// ---- Expansion -------------------------------------------------------------

TEST(Records, SplitAtTheFirstComma) {
  RecordParts parts = SplitRecord("7,C:\\A,B\\C.TXT");
  EXPECT_EQ(parts.tag, "7");
  EXPECT_EQ(parts.path, "C:\\A,B\\C.TXT");
  EXPECT_EQ(SplitRecord("NOCOMMA").tag, "");
}

TEST(Batches, GroupConsecutiveTagsAndTheLastRecordJoinsTheOpenBatch) {
  auto sizes = [](const std::vector<std::string>& records) {
    std::vector<std::pair<std::size_t, std::size_t>> out;
    for (const Batch& b : GroupIntoBatches(records)) out.emplace_back(b.first, b.count);
    return out;
  };
  using Sizes = std::vector<std::pair<std::size_t, std::size_t>>;
  EXPECT_EQ(sizes({"7,a", "7,b", "99,c", "99,d", "98,e"}), (Sizes{{0, 2}, {2, 3}}));
  EXPECT_EQ(sizes({"7,a", "99,b", "7,c", "98,d"}), (Sizes{{0, 1}, {1, 1}, {2, 2}}));
  EXPECT_EQ(sizes({"7,a", "7,b", "7,c"}), (Sizes{{0, 3}}));
  EXPECT_EQ(sizes({"98,a"}), (Sizes{{0, 1}}));
  EXPECT_TRUE(sizes({}).empty());
}

TEST(ExpansionCall, MemberIsRelativeToTheGroupBase) {
  const std::string base = kInstallDir;
  ExpansionCall top = ExpansionCallFor(base + "KESTRA.EXE", base, kInstallDir);
  EXPECT_EQ(top.base, base);
  EXPECT_EQ(top.member, "KESTRA.EXE");

  ExpansionCall manual = ExpansionCallFor(base + "MANUAL\\利用ガイド.PDF", base, kInstallDir);
  EXPECT_EQ(manual.base, base);
  EXPECT_EQ(manual.member, "MANUAL\\利用ガイド.PDF");

  ExpansionCall library =
      ExpansionCallFor("C:\\ZEL\\LIB\\_NTI31\\BIN\\VIEW.DLL", "C:\\ZEL\\", "C:\\ZEL\\");
  EXPECT_EQ(library.base, "C:\\ZEL\\");
  EXPECT_EQ(library.member, "LIB\\_NTI31\\BIN\\VIEW.DLL");

  // A folder outside the base: the file's own folder and name.
  ExpansionCall elsewhere = ExpansionCallFor("D:\\OTHER\\X.DLL", base, kInstallDir);
  EXPECT_EQ(elsewhere.base, "D:\\OTHER\\");
  EXPECT_EQ(elsewhere.member, "X.DLL");
  // Folder texts compare exactly.
  ExpansionCall other_case =
      ExpansionCallFor("c:\\program files\\kestra\\SUB\\X.DLL", base, kInstallDir);
  EXPECT_EQ(other_case.base, "c:\\program files\\kestra\\SUB\\");
  EXPECT_EQ(other_case.member, "X.DLL");
  // An empty application folder occurs nowhere.
  ExpansionCall empty = ExpansionCallFor("C:\\A\\B\\X.DLL", "", "");
  EXPECT_EQ(empty.base, "C:\\A\\B\\");
  EXPECT_EQ(empty.member, "X.DLL");
}

TEST(ExpansionCall, OccurrenceStartsOnACharacterBoundary) {
  // "ソ" is 0x83 0x5C: its second byte must not be taken for a backslash.
  EXPECT_EQ(FindOnCharBoundary("ソ\\A", "\\A"), 2u);
  EXPECT_EQ(FindOnCharBoundary("ソA", "\\A"), std::string::npos);
  EXPECT_EQ(FindOnCharBoundary("abc", ""), std::string::npos);
}

TEST(ExpansionResult, FailureIsANegativeWholeNumberAfterRounding) {
  EXPECT_TRUE(EZipLibrary::IsFailure(-1));
  EXPECT_TRUE(EZipLibrary::IsFailure(-0.6));
  EXPECT_TRUE(EZipLibrary::IsFailure(-2.5));
  EXPECT_FALSE(EZipLibrary::IsFailure(-0.5));
  EXPECT_FALSE(EZipLibrary::IsFailure(0));
  EXPECT_FALSE(EZipLibrary::IsFailure(123456));
  EXPECT_TRUE(EZipLibrary::IsFailure(std::numeric_limits<double>::quiet_NaN()));
  EXPECT_TRUE(EZipLibrary::IsFailure(-std::numeric_limits<double>::infinity()));
}

// ---- Folders ---------------------------------------------------------------

class MakeDirsTest : public ::testing::Test {
 protected:
  const std::string root_ = testenv::kInProcessWork + "engine\\mkdirs";
  void SetUp() override { testenv::ResetFolder(root_); }
};

TEST_F(MakeDirsTest, RecordsEveryCreatedFolderWithThePrefix) {
  std::string created;
  ASSERT_TRUE(MakeDirs("7", root_ + "\\a\\b\\", created));
  EXPECT_EQ(created, "7," + root_ + "\\a\\\r\n7," + root_ + "\\a\\b\\\r\n");
  EXPECT_TRUE(DirectoryExists(root_ + "\\a\\b"));
}

TEST_F(MakeDirsTest, WithoutPrefixRecordsBareFoldersAndKeepsAMissingTrailingBackslash) {
  std::string created = "old text";
  ASSERT_TRUE(MakeDirs("", root_ + "\\c\\d", created));
  EXPECT_EQ(created, root_ + "\\c\\\r\n" + root_ + "\\c\\d\r\n");
}

TEST_F(MakeDirsTest, MinusOneMeansNotRecorded) {
  std::string created = "-1";
  ASSERT_TRUE(MakeDirs("", root_ + "\\e\\f\\", created));
  EXPECT_EQ(created, "-1");
  EXPECT_TRUE(DirectoryExists(root_ + "\\e\\f"));
}

TEST_F(MakeDirsTest, ExistingFolderCreatesNothing) {
  std::string created = "x";
  ASSERT_TRUE(MakeDirs("7", root_ + "\\", created));
  EXPECT_EQ(created, "");
}

TEST_F(MakeDirsTest, DoubleByteNamesEndingInBackslashByteStayWhole) {
  std::string created;
  ASSERT_TRUE(MakeDirs("7", root_ + "\\ソフト\\表\\", created));
  EXPECT_EQ(created, "7," + root_ + "\\ソフト\\\r\n7," + root_ + "\\ソフト\\表\\\r\n");
  EXPECT_TRUE(DirectoryExists(root_ + "\\ソフト\\表"));
}

TEST_F(MakeDirsTest, NetworkPathSkipsTheServerPart) {
  const std::string share = std::string(testenv::kShare) + "\\";
  testenv::ResetFolder(share + "engine-mkdirs");
  ::RemoveDirectoryA((share + "engine-mkdirs").c_str());
  std::string created;
  ASSERT_TRUE(MakeDirs("7", share + "engine-mkdirs\\x\\", created));
  EXPECT_EQ(created, "7," + share + "engine-mkdirs\\\r\n7," + share + "engine-mkdirs\\x\\\r\n");
  EXPECT_TRUE(DirectoryExists(share + "engine-mkdirs\\x"));
  testenv::ResetFolder(share + "engine-mkdirs");
  ::RemoveDirectoryA((share + "engine-mkdirs").c_str());
}

TEST_F(MakeDirsTest, FailureStopsAndReportsWhatWasCreatedBefore) {
  // A name no folder can have.
  std::string created;
  EXPECT_FALSE(MakeDirs("7", root_ + "\\g\\bad?name\\h\\", created));
  EXPECT_EQ(created, "7," + root_ + "\\g\\\r\n");
  EXPECT_TRUE(DirectoryExists(root_ + "\\g"));
}

TEST(SplitLinesTest, DropsEmptyLines) {
  EXPECT_EQ(SplitLines("a\r\nb\n\r\nc"), (std::vector<std::string>{"a", "b", "c"}));
  EXPECT_TRUE(SplitLines("").empty());
}
