// Expanding members: contents, sizes, folders, replacement of existing files,
// and the archive's directory kept between calls.
#include "EZipFixture.h"
#include "WineTestEnv.h"
#include "system/Handles.h"

namespace ziptest {
namespace {

using EZipExpand = EZipTest;
using Files = std::vector<std::string>;

TEST_F(EZipExpand, StoredAndDeflatedMembersAreWrittenAndCountTheirBytes) {
  const std::string noise = RandomBytes(70000, 1);
  const std::string text = CompressibleBytes(300000, 2);
  WriteArchive({{"KESTRA.EXE", noise, false}, {"README.TXT", text, true}});

  EXPECT_EQ(Expand("KESTRA.EXE"), 70000.0);
  EXPECT_EQ(Expand("README.TXT"), 300000.0);
  EXPECT_EQ(testenv::ReadFile(base_ + "KESTRA.EXE"), noise);
  EXPECT_EQ(testenv::ReadFile(base_ + "README.TXT"), text);
  EXPECT_EQ(Tree(base_), (Files{"KESTRA.EXE", "README.TXT"}));
}

TEST_F(EZipExpand, StreamedMembersWithDataDescriptorsAreRead) {
  const std::string text = CompressibleBytes(100000, 3);
  Member deflated{"STREAM.TXT", text, true};
  deflated.streamed = true;
  Member stored{"STREAM.BIN", RandomBytes(5000, 4), false};
  stored.streamed = true;
  WriteArchive({deflated, stored, {"AFTER.TXT", "after", true}});

  EXPECT_EQ(Expand("STREAM.TXT"), 100000.0);
  EXPECT_EQ(Expand("STREAM.BIN"), 5000.0);
  EXPECT_EQ(Expand("AFTER.TXT"), 5.0);
  EXPECT_EQ(testenv::ReadFile(base_ + "STREAM.TXT"), text);
  EXPECT_EQ(testenv::ReadFile(base_ + "STREAM.BIN"), stored.data);
}

TEST_F(EZipExpand, EmptyMemberIsWrittenAndCountsZeroBytes) {
  WriteArchive({{"EMPTY.DAT", "", false}, {"EMPTY2.DAT", "", true}});

  EXPECT_EQ(Expand("EMPTY.DAT"), 0.0);
  EXPECT_EQ(Expand("EMPTY2.DAT"), 0.0);
  EXPECT_TRUE(FileExists(base_ + "EMPTY.DAT"));
  EXPECT_TRUE(FileExists(base_ + "EMPTY2.DAT"));
  EXPECT_EQ(testenv::ReadFile(base_ + "EMPTY.DAT"), "");
}

TEST_F(EZipExpand, ExistingFileIsReplacedAndNoTemporaryFileStays) {
  testenv::WriteFile(base_ + "KESTRA.EXE", "the old program, longer than the new one");
  WriteArchive({{"KESTRA.EXE", "new program", true}});

  EXPECT_EQ(Expand("KESTRA.EXE"), 11.0);
  EXPECT_EQ(testenv::ReadFile(base_ + "KESTRA.EXE"), "new program");
  EXPECT_EQ(Tree(base_), (Files{"KESTRA.EXE"}));
}

TEST_F(EZipExpand, ExistingFileNamedInOtherCaseIsReplacedNotDoubled) {
  testenv::WriteFile(base_ + "manual\\kestra.exe", "the old program");
  WriteArchive({{"MANUAL/KESTRA.EXE", "new program", true}});

  EXPECT_EQ(Expand("MANUAL\\KESTRA.EXE"), 11.0);
  EXPECT_EQ(testenv::ReadFile(base_ + "manual\\kestra.exe"), "new program");
  EXPECT_EQ(Tree(base_).size(), 2u) << "one folder and one file";
}

TEST_F(EZipExpand, MissingFoldersAreCreatedBelowTheBase) {
  WriteArchive({{"MANUAL/HTML/IMG/a.gif", "GIF89a", true}});

  ASSERT_FALSE(FileExists(base_));
  EXPECT_EQ(Expand("MANUAL\\HTML\\IMG\\a.gif"), 6.0);
  EXPECT_EQ(testenv::ReadFile(base_ + "MANUAL\\HTML\\IMG\\a.gif"), "GIF89a");
  EXPECT_EQ(Tree(base_), (Files{"MANUAL\\", "MANUAL\\HTML\\", "MANUAL\\HTML\\IMG\\",
                                "MANUAL\\HTML\\IMG\\a.gif"}));
}

TEST_F(EZipExpand, BaseFolderWithoutTrailingBackslashGetsOne) {
  WriteArchive({{"SUB/X.TXT", "x", false}});

  EXPECT_EQ(ExpandFrom(archive_, work_ + "base", "SUB\\X.TXT"), 1.0);
  EXPECT_EQ(testenv::ReadFile(base_ + "SUB\\X.TXT"), "x");
}

TEST_F(EZipExpand, FileGetsTheMembersTime) {
  WriteArchive({{"DATED.TXT", "dated", true}});
  ASSERT_EQ(Expand("DATED.TXT"), 5.0);

  kestra::FileHandle file(::CreateFileA((base_ + "DATED.TXT").c_str(), GENERIC_READ,
                                        FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(file);
  FILETIME written, local;
  SYSTEMTIME time;
  ASSERT_TRUE(::GetFileTime(file.get(), nullptr, nullptr, &written));
  ASSERT_TRUE(::FileTimeToLocalFileTime(&written, &local));
  ASSERT_TRUE(::FileTimeToSystemTime(&local, &time));
  EXPECT_EQ(time.wYear, 2024);
  EXPECT_EQ(time.wMonth, 1);
  EXPECT_EQ(time.wDay, 1);
  EXPECT_EQ(time.wHour, 12);
  EXPECT_EQ(time.wMinute, 34);
  EXPECT_EQ(time.wSecond, 56);
}

TEST_F(EZipExpand, MissingArchiveMemberOrArgumentFails) {
  EXPECT_EQ(Expand("KESTRA.EXE"), -1.0);  // no archive yet
  EXPECT_EQ(ExpandFrom(work_, base_, "KESTRA.EXE"), -1.0);  // a folder, not an archive
  testenv::WriteFile(archive_, "not a zip archive at all, just text");
  EXPECT_EQ(Expand("KESTRA.EXE"), -1.0);

  WriteArchive({{"KESTRA.EXE", "program", true}, {"MANUAL/", "", false}});
  EXPECT_EQ(Expand("MISSING.EXE"), -1.0);
  EXPECT_EQ(Expand("KESTRA.EX"), -1.0);
  EXPECT_EQ(Expand("MANUAL"), -1.0);  // a folder entry is no file
  EXPECT_EQ(expand_(nullptr, base_.c_str(), "KESTRA.EXE", 0), -1.0);
  EXPECT_EQ(expand_(archive_.c_str(), nullptr, "KESTRA.EXE", 0), -1.0);
  EXPECT_EQ(expand_(archive_.c_str(), base_.c_str(), nullptr, 0), -1.0);
  EXPECT_FALSE(FileExists(base_)) << "nothing may be written for a failed call";
  EXPECT_EQ(Tree(work_), (Files{"SETUP_F.EZP"}));
}

TEST_F(EZipExpand, EmptyBaseFolderIsRefusedRatherThanTheCurrentFolder) {
  WriteArchive({{"EZIP_EMPTY_BASE_PROBE.TXT", "probe", true}});
  char previous[MAX_PATH + 1];
  ASSERT_NE(::GetCurrentDirectoryA(sizeof previous, previous), 0u);
  ASSERT_TRUE(::SetCurrentDirectoryA(work_.c_str()));

  const double result = ExpandFrom(archive_, "", "EZIP_EMPTY_BASE_PROBE.TXT");
  ::SetCurrentDirectoryA(previous);
  EXPECT_EQ(result, -1.0);
  EXPECT_EQ(Tree(work_), (Files{"SETUP_F.EZP"}));
}

TEST_F(EZipExpand, CommentHoldingAFakeEndRecordIsSkipped) {
  ArchiveOptions options;
  options.comment = std::string("PK\x05\x06", 4) + std::string(30, '\0') + " comment";
  WriteArchive({{"A.TXT", "alpha", true}}, nullptr, options);

  EXPECT_EQ(Expand("A.TXT"), 5.0);
  EXPECT_EQ(testenv::ReadFile(base_ + "A.TXT"), "alpha");
}

TEST_F(EZipExpand, FirstOfTwoMembersWithOneNameIsTaken) {
  WriteArchive({{"DUP.TXT", "first", true}, {"dup.txt", "second", true}});

  EXPECT_EQ(Expand("Dup.Txt"), 5.0);
  EXPECT_EQ(testenv::ReadFile(base_ + "Dup.Txt"), "first");
}

// The directory is kept between calls, but never past a change of the file:
// the engine may be pointed at a new DVD while the DLL stays loaded.
TEST_F(EZipExpand, ArchiveChangedBetweenCallsIsReadAgain) {
  WriteArchive({{"A.TXT", "one", true}});
  ASSERT_EQ(Expand("A.TXT"), 3.0);

  WriteArchive({{"A.TXT", "second", true}, {"B.TXT", "bee", true}});
  EXPECT_EQ(Expand("A.TXT"), 6.0);
  EXPECT_EQ(testenv::ReadFile(base_ + "A.TXT"), "second");
  EXPECT_EQ(Expand("B.TXT"), 3.0);

  // Same size, other content and time.
  WriteArchive({{"A.TXT", "SECOND", true}, {"C.TXT", "cee", true}});
  kestra::FileHandle file(::CreateFileA(archive_.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr,
                                        OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(file);
  FILETIME later{0x12345678, 0x01E00000};
  ASSERT_TRUE(::SetFileTime(file.get(), nullptr, nullptr, &later));
  file.reset();
  EXPECT_EQ(Expand("C.TXT"), 3.0);
  EXPECT_EQ(Expand("B.TXT"), -1.0);
  EXPECT_EQ(Expand("A.TXT"), 6.0);
  EXPECT_EQ(testenv::ReadFile(base_ + "A.TXT"), "SECOND");
}

TEST_F(EZipExpand, ArchiveNamedWithOtherCaseOrSlashesIsTheSame) {
  WriteArchive({{"A.TXT", "alpha", true}});
  std::string other = archive_;
  for (char& c : other) c = c == '\\' ? '/' : c;

  EXPECT_EQ(Expand("A.TXT"), 5.0);
  EXPECT_EQ(ExpandFrom(other, base_, "A.TXT"), 5.0);
  EXPECT_EQ(ExpandFrom(work_ + "setup_f.ezp", base_ + "LOWER\\", "a.txt"), 5.0);
  EXPECT_EQ(testenv::ReadFile(base_ + "LOWER\\a.txt"), "alpha");
}

TEST_F(EZipExpand, ManyMembersOfOneArchiveAreEachFound) {
  std::vector<Member> members;
  for (int i = 0; i < 300; ++i)
    members.push_back({"DIR" + std::to_string(i % 7) + "/F" + std::to_string(i) + ".DAT",
                       CompressibleBytes(static_cast<std::size_t>(i) * 13, i), i % 2 == 0});
  WriteArchive(members);

  for (int i = 299; i >= 0; --i) {
    const std::string path = "DIR" + std::to_string(i % 7) + "\\F" + std::to_string(i) + ".DAT";
    ASSERT_EQ(Expand(path), static_cast<double>(i * 13)) << path;
    ASSERT_EQ(testenv::ReadFile(base_ + path), members[static_cast<std::size_t>(i)].data) << path;
  }
}

}  // namespace
}  // namespace ziptest
