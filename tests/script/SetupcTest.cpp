// The setup script component: macro words, script entries, progress, the
// copy through the platform's LZ functions and the version comparison, run on
// real files and scripts.
#include <gtest/gtest.h>

#include <windows.h>

#include <optional>
#include <utility>
#include <vector>

#include "WineTestEnv.h"
#include "script/Setupc.h"
#include "system/FileSys.h"
#include "system/Handles.h"
#include "system/Mbcs.h"

using namespace kestra;

namespace {

const std::string kRoot = testenv::kInProcessWork + "setupc\\";
const std::string kSrc = kRoot + "src\\";
const std::string kDst = kRoot + "dst\\";
const std::string kInf = kRoot + "COPY.INF";

using testenv::LzData;

void SetAge(const std::string& path, WORD year) { testenv::SetFileDate(path, year, 6); }

using Calls = std::vector<std::pair<std::string, int32_t>>;

class Setupc : public ::testing::Test {
 protected:
  void SetUp() override {
    testenv::ResetFolder(kRoot);
    testenv::ResetFolder(kSrc);
    setupc_.InfFile = kInf;
    setupc_.SrcDir = kRoot + "src";
    setupc_.DstDir = kRoot + "dst";
    setupc_.WindowsDir = "C:\\windows";
    setupc_.SystemDir = "C:\\windows\\system32";
  }
  void TearDown() override { testenv::ResetFolder(kRoot); }

  void Script(const std::string& body) { testenv::WriteFile(kInf, "[COLLECTION]\r\n" + body); }

  int32_t Run() {
    return setupc_.RunSection("COLLECTION", [this](const std::string& text, int32_t percent) {
      calls_.emplace_back(text, percent);
      return 0;
    });
  }

  TSetupc setupc_;
  Calls calls_;
};

// ---- Decisions -------------------------------------------------------------------

TEST(SetupcText, MacroWordsAreRecognisedByTheirFirstSixCharacters) {
  const MacroValues values{"D:\\APP\\", "C:\\WIN\\", "C:\\WIN\\SYS\\"};
  const std::vector<std::pair<std::string, std::string>> rows = {
      {"$setup\\KSCOLL1\\A.IDX", "D:\\APP\\KSCOLL1\\A.IDX"},
      {"$SETUP\\A.IDX", "D:\\APP\\A.IDX"},
      {"$Windows\\INF\\X.INF", "C:\\WIN\\INF\\X.INF"},
      {"$windowsXX\\X.INF", "C:\\WIN\\X.INF"},
      {"$windo\\X.INF", "C:\\WIN\\X.INF"},
      {"$system\\X.DLL", "C:\\WIN\\SYS\\X.DLL"},
      {"$setup", "D:\\APP\\"},
      {"before$setup\\A", "D:\\APP\\A"},     // text before the "$" is dropped
      {"$setupX", "D:\\APP\\"},               // no backslash: nothing follows the value
      {"$setup\\ソフト\\表.DAT", "D:\\APP\\ソフト\\表.DAT"},  // trail bytes 0x5C stay
      {"$seTup\\ソ", "D:\\APP\\ソ"},
      {"$other\\A", "$other\\A"},              // unknown word: unchanged
      {"$set\\A", "$set\\A"},                  // fewer than six characters
      {"C:\\PLAIN\\A.IDX", "C:\\PLAIN\\A.IDX"},
      {"表$setup", "D:\\APP\\"},
  };
  for (const auto& [text, expanded] : rows)
    EXPECT_EQ(ExpandMacroText(text, values).value_or("<none>"), expanded) << text;

  // 256 characters fit the working buffer, 257 do not.
  const MacroValues long_setup{std::string(250, 'd') + "\\", "", ""};
  EXPECT_EQ(ExpandMacroText("$setup\\12345", long_setup)->size(), 256u);
  EXPECT_FALSE(ExpandMacroText("$setup\\123456", long_setup));
  EXPECT_FALSE(ExpandMacroText(std::string(257, 'a'), long_setup));
}

TEST(SetupcText, EntryKeysAndCopyEntries) {
  EXPECT_EQ(ScriptEntryKey("MakeDir", 1), "MakeDir01");
  EXPECT_EQ(ScriptEntryKey("CopyFile", 99), "CopyFile99");
  EXPECT_EQ(ScriptEntryKey("CopyFile", 100), "CopyFile100");
  ASSERT_TRUE(SplitCopyEntry("A\\B.IDX,$setup\\B,IDX"));
  EXPECT_EQ(SplitCopyEntry("A\\B.IDX,$setup\\B,IDX")->source, "A\\B.IDX");
  EXPECT_EQ(SplitCopyEntry("A\\B.IDX,$setup\\B,IDX")->destination, "$setup\\B,IDX");
  EXPECT_FALSE(SplitCopyEntry("A.IDX"));
  EXPECT_FALSE(SplitCopyEntry(",$setup\\A"));
  EXPECT_FALSE(SplitCopyEntry("A.IDX,"));
}

TEST(SetupcText, ProgressAndVersionDecisions) {
  EXPECT_EQ(ProgressPercent(0, 0), 0);
  EXPECT_EQ(ProgressPercent(5, 0), 0);
  EXPECT_EQ(ProgressPercent(2, 3), 66);  // truncated, not rounded
  EXPECT_EQ(ProgressPercent(3, 3), 100);
  struct Row {
    const char* destination;
    const char* source;
    int64_t destination_age, source_age;
    bool copy;
  };
  const Row rows[] = {
      {"1.10.0.0", "1.9.0.0", 200, 100, true},   // text order, not number order
      {"1.9.0.0", "1.10.0.0", 100, 200, true},   // not before as text, but older
      {"1.9.0.0", "1.10.0.0", 200, 100, false},
      {"2.0", "2.0", 100, 100, false},
      {"", "", 100, 200, true},                  // no versions: ages decide
      {"", "", -1, 200, true},                   // missing destination
      {"", "", 300, 200, false},
      {"1.0", "", 100, 100, false},
  };
  for (const Row& row : rows)
    EXPECT_EQ(VersionCopyWanted(row.destination, row.source, row.destination_age, row.source_age),
              row.copy)
        << row.destination << " / " << row.source << " / " << row.destination_age;
}

// ---- RunSection -------------------------------------------------------------------

TEST_F(Setupc, CopiesAndExpandsTheListedFilesWithProgress) {
  testenv::WriteFile(kSrc + "A.TXT", std::string(300, 'a'));
  ASSERT_TRUE(ForceDirectories(kSrc + "SUB"));
  ASSERT_TRUE(testenv::CopyFileTo(LzData("TEXT.BI_"), kSrc + "SUB\\B.BI_"));
  Script("MakeDir01=$setup\r\nMakeDir02=$SETUP\\SUB\\DEEP\\\r\nMakeDir03=$setup\\EMPTY\r\n"
         "CopyFile01=A.TXT,$setup\\A.TXT\r\n"
         "CopyFile02=SUB\\B.BI_,$setup\\SUB\\DEEP\\B.BIN\r\n");
  ASSERT_EQ(Run(), 0);
  EXPECT_EQ(setupc_.SrcDir, kSrc);
  EXPECT_EQ(setupc_.DstDir, kDst);
  EXPECT_EQ(setupc_.WindowsDir, "C:\\windows\\");
  EXPECT_TRUE(DirectoryExists(kDst + "EMPTY"));
  EXPECT_EQ(testenv::ReadFile(kDst + "A.TXT"), std::string(300, 'a'));
  EXPECT_EQ(testenv::ReadFile(kDst + "SUB\\DEEP\\B.BIN"), testenv::ReadFile(LzData("TEXT.BIN")));
  // Percentages count the bytes of the files as they lie in the source folder.
  const double total = 300.0 + static_cast<double>(testenv::ReadFile(kSrc + "SUB\\B.BI_").size());
  const int32_t first = static_cast<int32_t>(300.0 / total * 100);
  EXPECT_EQ(calls_, (Calls{{"", 0},
                           {kDst + "A.TXT", 0},
                           {kDst + "A.TXT", first},
                           {kDst + "SUB\\DEEP\\B.BIN", first},
                           {kDst + "SUB\\DEEP\\B.BIN", 100},
                           {"", 100}}));
}

TEST_F(Setupc, FirstEntryWithoutACommaFailsAfterTheFoldersWereMade) {
  testenv::WriteFile(kSrc + "A.TXT", "a");
  Script("MakeDir01=$setup\\MADE\r\nCopyFile01=A.TXT\r\nCopyFile02=A.TXT,$setup\\A.TXT\r\n");
  EXPECT_EQ(Run(), -1);
  EXPECT_TRUE(DirectoryExists(kDst + "MADE"));
  EXPECT_FALSE(FileExists(kDst + "A.TXT"));
  EXPECT_EQ(calls_, (Calls{{"", 0}}));
}

TEST_F(Setupc, AGapInTheNumberingEndsTheList) {
  testenv::WriteFile(kSrc + "A.TXT", "a");
  testenv::WriteFile(kSrc + "C.TXT", "c");
  Script("MakeDir01=$setup\r\nMakeDir03=$setup\\NOT\r\n"
         "CopyFile01=A.TXT,$setup\\A.TXT\r\nCopyFile03=C.TXT,$setup\\C.TXT\r\n");
  EXPECT_EQ(Run(), 0);
  EXPECT_TRUE(FileExists(kDst + "A.TXT"));
  EXPECT_FALSE(FileExists(kDst + "C.TXT"));
  EXPECT_FALSE(DirectoryExists(kDst + "NOT"));
}

TEST_F(Setupc, EmptyFilesReportZeroUntilTheEnd) {
  testenv::WriteFile(kSrc + "A", "");
  testenv::WriteFile(kSrc + "B", "");
  Script("MakeDir01=$setup\r\nCopyFile01=A,$setup\\A\r\nCopyFile02=B,$setup\\B\r\n");
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(calls_, (Calls{{"", 0},
                           {kDst + "A", 0},
                           {kDst + "A", 0},
                           {kDst + "B", 0},
                           {kDst + "B", 0},
                           {"", 100}}));
  EXPECT_TRUE(FileExists(kDst + "B"));
}

TEST_F(Setupc, ReadOnlyDestinationIsOverwrittenAndLeftWithTheArchiveAttributeOnly) {
  testenv::WriteFile(kSrc + "A.TXT", "new");
  testenv::WriteFile(kDst + "A.TXT", "old text");
  ASSERT_TRUE(::SetFileAttributesA((kDst + "A.TXT").c_str(),
                                   FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
  Script("CopyFile01=A.TXT,$setup\\A.TXT\r\n");
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(testenv::ReadFile(kDst + "A.TXT"), "new");
  EXPECT_EQ(::GetFileAttributesA((kDst + "A.TXT").c_str()), DWORD{FILE_ATTRIBUTE_ARCHIVE});
}

// A destination another program holds: the owner is asked, and the same
// file is tried again for as long as it answers true.
TEST_F(Setupc, HeldDestinationIsRetriedWhileTheOwnerSaysSo) {
  testenv::WriteFile(kSrc + "A.TXT", "new");
  testenv::WriteFile(kSrc + "B.TXT", "b");
  testenv::WriteFile(kDst + "A.TXT", "old");
  Script("CopyFile01=A.TXT,$setup\\A.TXT\r\nCopyFile02=B.TXT,$setup\\B.TXT\r\n");
  // Others may read it, none may write: as a running program holds its library.
  FileHandle held(::CreateFileA((kDst + "A.TXT").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(held);

  // Nobody to ask: the section fails at that file.
  EXPECT_EQ(Run(), -1);
  EXPECT_FALSE(FileExists(kDst + "B.TXT"));

  // Declined: the same failure, after one question.
  std::vector<std::string> asked;
  setupc_.RetryFileInUse = [&](const std::string& destination) {
    asked.push_back(destination);
    return false;
  };
  EXPECT_EQ(Run(), -1);
  EXPECT_EQ(asked, std::vector<std::string>{kDst + "A.TXT"});
  EXPECT_EQ(testenv::ReadFile(kDst + "A.TXT"), "old");

  // Asked again while still held; released before the second answer.
  asked.clear();
  setupc_.RetryFileInUse = [&](const std::string& destination) {
    asked.push_back(destination);
    if (asked.size() == 2) held.reset();
    return true;
  };
  calls_.clear();
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(asked.size(), 2u);
  EXPECT_EQ(testenv::ReadFile(kDst + "A.TXT"), "new");
  EXPECT_EQ(testenv::ReadFile(kDst + "B.TXT"), "b");
  EXPECT_EQ(calls_.back(), (std::pair<std::string, int32_t>{"", 100}));
}

// A failure that is no holder's is not asked about.
TEST_F(Setupc, OtherCopyFailuresAreNotTakenForAFileInUse) {
  testenv::WriteFile(kSrc + "A.TXT", "new");
  ASSERT_TRUE(ForceDirectories(kDst + "A.TXT"));  // a folder where the file should go
  Script("CopyFile01=A.TXT,$setup\\A.TXT\r\n");
  int asked = 0;
  setupc_.RetryFileInUse = [&](const std::string&) { return ++asked < 3; };
  EXPECT_EQ(Run(), -1);
  EXPECT_EQ(asked, 0);
}

TEST_F(Setupc, SectionFailsBeforeCopyingWhenASourceIsMissing) {
  testenv::WriteFile(kSrc + "A.TXT", "a");
  Script("MakeDir01=$setup\r\nCopyFile01=A.TXT,$setup\\A.TXT\r\nCopyFile02=NONE,$setup\\NONE\r\n");
  EXPECT_EQ(Run(), -1);
  EXPECT_FALSE(FileExists(kDst + "A.TXT"));
  EXPECT_EQ(calls_, (Calls{{"", 0}}));
}

// Listed by its folder but not readable (another program holds it without
// sharing): the copy pass, which opens it, fails the section at that file.
TEST_F(Setupc, SectionFailsAtASourceThatCannotBeRead) {
  testenv::WriteFile(kSrc + "A.TXT", "a");
  testenv::WriteFile(kSrc + "B.TXT", "b");
  testenv::WriteFile(kSrc + "C.TXT", "c");
  Script("MakeDir01=$setup\r\nCopyFile01=A.TXT,$setup\\A.TXT\r\n"
         "CopyFile02=B.TXT,$setup\\B.TXT\r\nCopyFile03=C.TXT,$setup\\C.TXT\r\n");
  FileHandle held(::CreateFileA((kSrc + "B.TXT").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(held);
  EXPECT_EQ(Run(), -1);
  EXPECT_FALSE(FileExists(kDst + "B.TXT"));
  EXPECT_FALSE(FileExists(kDst + "C.TXT"));
  ASSERT_FALSE(calls_.empty());
  EXPECT_NE(calls_.back(), (std::pair<std::string, int32_t>{"", 100}));
  for (const auto& [text, percent] : calls_) EXPECT_NE(text, kDst + "B.TXT");
}

// The percentages count each source's bytes however the script spells its
// name: as listed, in other letter case, by its 8.3 name, with a "." part or
// a trailing dot that the system drops.
TEST_F(Setupc, SourcesAreMeasuredInEverySpellingOfTheirNames) {
  testenv::WriteFile(kSrc + "A.TXT", std::string(100, 'a'));
  testenv::WriteFile(kSrc + "Mixed.TXT", std::string(200, 'b'));
  testenv::WriteFile(kSrc + "a long source name.txt", std::string(300, 'c'));
  testenv::WriteFile(kSrc + "SUB\\D.TXT", std::string(400, 'd'));
  testenv::WriteFile(kSrc + "E.TXT", std::string(500, 'e'));
  char short_path[MAX_PATH];
  ASSERT_GT(::GetShortPathNameA((kSrc + "a long source name.txt").c_str(), short_path,
                                sizeof short_path),
            0u);
  const std::string short_name = ExtractFileName(short_path);
  ASSERT_NE(short_name, "a long source name.txt");
  Script("MakeDir01=$setup\r\nCopyFile01=A.TXT,$setup\\1\r\nCopyFile02=MIXED.txt,$setup\\2\r\n"
         "CopyFile03=" + short_name + ",$setup\\3\r\nCopyFile04=SUB\\.\\D.TXT,$setup\\4\r\n"
         "CopyFile05=E.TXT.,$setup\\5\r\n");
  ASSERT_EQ(Run(), 0);
  EXPECT_EQ(calls_, (Calls{{"", 0},
                           {kDst + "1", 0},
                           {kDst + "1", 6},
                           {kDst + "2", 6},
                           {kDst + "2", 20},
                           {kDst + "3", 20},
                           {kDst + "3", 40},
                           {kDst + "4", 40},
                           {kDst + "4", 66},
                           {kDst + "5", 66},
                           {kDst + "5", 100},
                           {"", 100}}));
  EXPECT_EQ(testenv::ReadFile(kDst + "3"), std::string(300, 'c'));
}

TEST_F(Setupc, FailuresOfFoldersAndProperties) {
  testenv::WriteFile(kRoot + "FILE", "");
  Script("MakeDir01=" + kRoot + "FILE\r\n");
  EXPECT_EQ(Run(), -1);  // a file where the folder should be
  Script("MakeDir01=Q\r\n");
  EXPECT_EQ(Run(), -1);  // three characters or fewer that do not exist
  setupc_.SystemDir.clear();
  Script("");
  calls_.clear();
  EXPECT_EQ(Run(), -1);
  EXPECT_TRUE(calls_.empty());
}

TEST_F(Setupc, PlacesThatAreNoFullPathOrClimbOutFailBeforeAnythingIsWritten) {
  testenv::WriteFile(kSrc + "A.TXT", "a");
  const std::string good = "CopyFile01=A.TXT,$setup\\A.TXT\r\n";
  for (const char* entry : {
           "CopyFile02=A.TXT,A.TXT$set",            // a macro cut short: relative
           "CopyFile02=A.TXT,$setup",               // the folder itself, no file
           "CopyFile02=A.TXT,$setup\\..\\A.TXT",    // out of the folder
           "CopyFile02=A.TXT,$setup\\...\\A.TXT",   // the same as Windows reads it
           "CopyFile02=A.TXT,$setup\\x/../../A.TXT",
           "CopyFile02=A.TXT,$setup\\A.TXT:stream",
           "CopyFile02=A.TXT,\\A.TXT",             // the root of the current drive
       }) {
    SCOPED_TRACE(entry);
    Script("MakeDir01=$setup\r\n" + good + entry + "\r\n");
    calls_.clear();
    EXPECT_EQ(Run(), -1);
    EXPECT_FALSE(FileExists(kDst + "A.TXT"));
    EXPECT_EQ(calls_, (Calls{{"", 0}}));
  }
  for (const char* folder : {"MakeDir02=SUB$sys", "MakeDir02=$setup\\..\\UP"}) {
    SCOPED_TRACE(folder);
    Script(std::string("MakeDir01=$setup\r\n") + folder + "\r\n" + good);
    EXPECT_EQ(Run(), -1);
    EXPECT_FALSE(FileExists(kDst + "A.TXT"));
  }
  EXPECT_FALSE(DirectoryExists(kRoot + "UP"));
}

TEST_F(Setupc, SectionWithoutEntriesReportsZeroAndHundred) {
  Script("Other=1\r\n");
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(calls_, (Calls{{"", 0}, {"", 100}}));
}

TEST_F(Setupc, ValuesAndPathsThatDoNotFitTheBuffersFailCleanly) {
  // A value of 255 characters fits the 256-byte buffer; one of 256 does not and
  // must not be taken cut short (the cut value would name another folder).
  // "." levels make long values that name short paths.
  const std::string base = kRoot + "LONG\\";
  std::string dots;
  while (base.size() + dots.size() + 2 + 4 <= 255) dots += ".\\";
  const std::size_t name = 255 - base.size() - dots.size();  // 4 or 5 characters
  const std::string fits = base + dots + std::string(name, 'F');
  const std::string too_long = base + dots + std::string(name + 1, 'G');
  ASSERT_EQ(fits.size(), 255u);
  ASSERT_EQ(too_long.size(), 256u);
  Script("MakeDir01=" + fits + "\r\n");
  EXPECT_EQ(Run(), 0);
  EXPECT_TRUE(DirectoryExists(base + std::string(name, 'F')));
  Script("MakeDir01=" + too_long + "\r\n");
  EXPECT_EQ(Run(), -1);
  EXPECT_FALSE(DirectoryExists(base + std::string(name, 'G')));
  EXPECT_FALSE(DirectoryExists(base + std::string(name + 1, 'G')));
  Script("MakeDir01=$setup\r\nCopyFile01=A," + std::string(300, 'x') + "\r\n");
  EXPECT_EQ(Run(), -1);
  // The macro's value makes the path longer than the working buffer.
  testenv::WriteFile(kSrc + "A", "a");
  setupc_.DstDir = kRoot + std::string(240, 'd');
  Script("CopyFile01=A,$setup\\" + std::string(20, 'n') + "\r\n");
  calls_.clear();
  EXPECT_EQ(Run(), -1);
  EXPECT_EQ(calls_, (Calls{{"", 0}}));
  EXPECT_EQ(setupc_.ExpandMacros("$setup\\" + std::string(20, 'n')), "");
  EXPECT_EQ(setupc_.MakePath(kRoot + std::string(260, 'm')), -1);
}

// ---- The copy through LZ32 -----------------------------------------------------------

TEST_F(Setupc, CompressedFilesExpandByteForByteAndOthersCopyUnchanged) {
  for (const char* name : {"EMPTY", "ONE", "RUN", "BLANKS", "NOISE", "FAR", "TEXT"}) {
    const std::string plain = LzData(std::string(name) + ".BIN");
    const std::string packed = LzData(std::string(name) + ".BI_");
    ASSERT_TRUE(testenv::CopyFileTo(packed, kSrc + "P.BI_"));
    ASSERT_EQ(setupc_.ExpandFile(kSrc + "P.BI_", kDst + "P.BIN"), -1) << "no folder yet";
    ASSERT_EQ(setupc_.MakePath(kDst), 0);
    EXPECT_EQ(setupc_.ExpandFile(kSrc + "P.BI_", kDst + "P.BIN"), 0) << name;
    EXPECT_EQ(testenv::ReadFile(kDst + "P.BIN"), testenv::ReadFile(plain)) << name;
    EXPECT_EQ(setupc_.ExpandFile(plain, kDst + "COPY.BIN"), 0) << name;
    EXPECT_EQ(testenv::ReadFile(kDst + "COPY.BIN"), testenv::ReadFile(plain)) << name;
    testenv::ResetFolder(kDst);
    ::RemoveDirectoryA(kDst.c_str());
  }
  EXPECT_EQ(setupc_.ExpandFile(kSrc + "NONE", kRoot + "X"), -1);
  EXPECT_FALSE(FileExists(kRoot + "X"));
  // A source longer than LZOpenFileA's 128-byte name is refused, not opened
  // under a cut name; a target is not bound by it.
  const std::string deep = kRoot + std::string(120, 'p') + "\\";
  ASSERT_EQ(setupc_.MakePath(deep), 0);
  EXPECT_EQ(setupc_.ExpandFile(LzData("ONE.BI_"), deep + "ONE.BIN"), 0);
  EXPECT_EQ(testenv::ReadFile(deep + "ONE.BIN"), "x");
  EXPECT_EQ(setupc_.ExpandFile(deep + "ONE.BIN", kRoot + "X"), -1);
  EXPECT_FALSE(FileExists(kRoot + "X"));
  // A target that cannot be written fails; nothing lands under a stand-in name.
  ASSERT_EQ(setupc_.MakePath(kRoot + "DIR.BIN"), 0);
  EXPECT_EQ(setupc_.ExpandFile(LzData("ONE.BI_"), kRoot + "DIR.BIN"), -1);
  EXPECT_FALSE(FileExists(kRoot + "DIR.BI_"));
}

// ---- Version comparison -------------------------------------------------------------

TEST_F(Setupc, FileVersionStringReadsTheVersionBlock) {
  EXPECT_EQ(TSetupc::FileVersionString(testenv::TestBinary("VER110.DLL")), "1.10.0.0");
  EXPECT_EQ(TSetupc::FileVersionString(testenv::TestBinary("VER19.DLL")), "1.9.0.0");
  EXPECT_EQ(TSetupc::FileVersionString(LzData("TEXT.BIN")), "");
  EXPECT_EQ(TSetupc::FileVersionString(kRoot + "NONE.DLL"), "");
}

TEST_F(Setupc, VersionCheckComparesVersionTextsThenAges) {
  setupc_.VersionCheck = true;
  const std::string v110 = testenv::TestBinary("VER110.DLL");
  const std::string v19 = testenv::TestBinary("VER19.DLL");
  ASSERT_TRUE(testenv::CopyFileTo(v19, kSrc + "V.DLL"));
  ASSERT_TRUE(testenv::CopyFileTo(LzData("VER19.DL_"), kSrc + "V.DL_"));
  testenv::WriteFile(kSrc + "PLAIN.TXT", "new text");
  Script("MakeDir01=$setup\r\nCopyFile01=V.DLL,$setup\\A.DLL\r\nCopyFile02=V.DL_,$setup\\B.DLL\r\n"
         "CopyFile03=PLAIN.TXT,$setup\\OLDER.TXT\r\nCopyFile04=PLAIN.TXT,$setup\\NEWER.TXT\r\n"
         "CopyFile05=PLAIN.TXT,$setup\\MISSING.TXT\r\n");
  // 1.10.0.0 sorts before 1.9.0.0 as text: both are replaced, the second from a
  // compressed source whose version is read from a scratch expansion.
  ASSERT_TRUE(testenv::CopyFileTo(v110, kDst + "A.DLL"));
  ASSERT_TRUE(testenv::CopyFileTo(v110, kDst + "B.DLL"));
  testenv::WriteFile(kDst + "OLDER.TXT", "old");
  testenv::WriteFile(kDst + "NEWER.TXT", "kept");
  SetAge(kSrc + "PLAIN.TXT", 2020);
  SetAge(kDst + "OLDER.TXT", 2010);
  SetAge(kDst + "NEWER.TXT", 2030);
  SetAge(kDst + "A.DLL", 2030);
  SetAge(kDst + "B.DLL", 2030);
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(testenv::ReadFile(kDst + "A.DLL"), testenv::ReadFile(v19));
  EXPECT_EQ(testenv::ReadFile(kDst + "B.DLL"), testenv::ReadFile(v19));
  EXPECT_FALSE(FileExists(setupc_.TempDir() + "~B.DLL"));
  EXPECT_EQ(testenv::ReadFile(kDst + "OLDER.TXT"), "new text");
  EXPECT_EQ(testenv::ReadFile(kDst + "NEWER.TXT"), "kept");
  EXPECT_EQ(testenv::ReadFile(kDst + "MISSING.TXT"), "new text");

  // The other way round, 1.9.0.0 does not sort before 1.10.0.0, and the newer
  // destination stays.
  ASSERT_TRUE(testenv::CopyFileTo(v110, kSrc + "V.DLL"));
  SetAge(kSrc + "V.DLL", 2020);
  SetAge(kDst + "A.DLL", 2030);
  EXPECT_EQ(setupc_.VersionCopy(kSrc + "V.DLL", kDst + "A.DLL"), 0);
  EXPECT_EQ(testenv::ReadFile(kDst + "A.DLL"), testenv::ReadFile(v19));
}

// Without a temporary folder (GetTempPathA answers nothing when TMP is longer
// than any path) a compressed source has no place for its scratch expansion:
// its copy is refused, and the current folder, where a scratch name without
// a folder would land, is neither expanded into nor deleted from. A source
// that shows its version needs no scratch file and is copied as before.
TEST_F(Setupc, WithoutATemporaryFolderACompressedSourceIsRefusedAndTheCurrentFolderLeftAlone) {
  std::optional<TSetupc> without_temp;
  {
    testenv::ScopedEnvironment unusable_tmp("TMP", std::string(300, 't'));
    without_temp.emplace();
  }
  ASSERT_EQ(without_temp->TempDir(), "");
  without_temp->InfFile = kInf;
  without_temp->SrcDir = kSrc;
  without_temp->DstDir = kDst;
  without_temp->WindowsDir = "C:\\windows";
  without_temp->SystemDir = "C:\\windows\\system32";
  without_temp->VersionCheck = true;

  const std::string v110 = testenv::TestBinary("VER110.DLL");
  ASSERT_TRUE(testenv::CopyFileTo(testenv::TestBinary("VER19.DLL"), kSrc + "V.DLL"));
  ASSERT_TRUE(testenv::CopyFileTo(LzData("VER19.DL_"), kSrc + "V.DL_"));
  ASSERT_TRUE(testenv::CopyFileTo(v110, kDst + "A.DLL"));
  ASSERT_TRUE(testenv::CopyFileTo(v110, kDst + "B.DLL"));
  // Older than the sources: their ages alone would have them replaced.
  SetAge(kDst + "A.DLL", 2010);
  SetAge(kDst + "B.DLL", 2010);

  // A file of the user's, in the current folder, under the scratch name.
  const std::string current = kRoot + "current\\";
  const std::string users_file = current + "~B.DLL";
  testenv::WriteFile(users_file, "the user's file");
  ASSERT_TRUE(::SetFileAttributesA(users_file.c_str(), FILE_ATTRIBUTE_HIDDEN));
  const DWORD users_attributes = ::GetFileAttributesA(users_file.c_str());
  ASSERT_NE(users_attributes & FILE_ATTRIBUTE_HIDDEN, 0u);
  char previous[MAX_PATH] = {};
  ASSERT_NE(::GetCurrentDirectoryA(MAX_PATH, previous), 0u);
  struct BackTo {
    const char* folder;
    ~BackTo() { ::SetCurrentDirectoryA(folder); }
  } back_to{previous};
  ASSERT_TRUE(::SetCurrentDirectoryA(current.c_str()));

  EXPECT_EQ(without_temp->VersionCopy(kSrc + "V.DL_", kDst + "B.DLL"), -1);
  EXPECT_EQ(TSetupc::FileVersionString(kDst + "B.DLL"), "1.10.0.0");
  Script("CopyFile01=V.DLL,$setup\\A.DLL\r\nCopyFile02=V.DL_,$setup\\B.DLL\r\n");
  EXPECT_EQ(without_temp->RunSection("COLLECTION", [](const std::string&, int32_t) { return 0; }),
            -1);
  EXPECT_EQ(TSetupc::FileVersionString(kDst + "A.DLL"), "1.9.0.0");
  EXPECT_EQ(TSetupc::FileVersionString(kDst + "B.DLL"), "1.10.0.0");

  EXPECT_EQ(testenv::ReadFile(users_file), "the user's file");
  EXPECT_EQ(::GetFileAttributesA(users_file.c_str()), users_attributes);
  WIN32_FIND_DATAA found{};
  std::vector<std::string> in_current;
  FindHandle find(::FindFirstFileA((current + "*").c_str(), &found));
  for (bool more = static_cast<bool>(find); more; more = ::FindNextFileA(find.get(), &found))
    if (std::string(found.cFileName) != "." && std::string(found.cFileName) != "..")
      in_current.emplace_back(found.cFileName);
  EXPECT_EQ(in_current, std::vector<std::string>{"~B.DLL"});
}

}  // namespace
