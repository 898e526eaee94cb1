// The ZIP directory reader on archives held in memory, natively under the
// sanitizers, and the fuzz corpus (seeds and findings) read through it.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "MemberName.h"
#include "ZipDirectory.h"
#include "ZipWriter.h"

namespace {

using ziptest::Member;

std::optional<ezip::ZipDirectory> ReadAll(const std::string& bytes) {
  return ezip::ZipDirectory::Read(ezip::MemoryBytes(bytes), bytes.size());
}

TEST(NativeZipDirectory, MembersFoundByFoldedName) {
  const std::string zip = ziptest::BuildZip(
      {{"BIN/KESTRA.EXE", "program", true}, {"\x83\x5C/a.txt", "so", false}, {"BIN/", "", false}});
  const std::optional<ezip::ZipDirectory> directory = ReadAll(zip);
  ASSERT_TRUE(directory);
  EXPECT_EQ(directory->MemberCount(), 2u);  // the folder entry is no member
  ASSERT_NE(directory->Find("bin\\kestra.exe"), nullptr);
  EXPECT_EQ(directory->Find("bin\\kestra.exe")->size, 7u);
  EXPECT_NE(directory->Find("\x83\x5C\\A.TXT"), nullptr);
  EXPECT_EQ(directory->Find("\x83\x5C\\a.txtx"), nullptr);
}

TEST(NativeZipDirectory, DamagedArchivesAreRefused) {
  ziptest::Layout layout;
  const std::string zip = ziptest::BuildZip({{"A.TXT", "aaaa", true}}, &layout);
  EXPECT_FALSE(ReadAll(zip.substr(0, zip.size() - 1)));            // end record cut
  EXPECT_FALSE(ReadAll(zip.substr(layout.centralOffset + 10)));    // directory start cut
  EXPECT_FALSE(ezip::ZipDirectory::Read(ezip::MemoryBytes(zip), zip.size() + 100));  // shrank
  EXPECT_FALSE(ReadAll(""));
}

struct PathRow {
  const char* path;
  bool safe;
};

TEST(NativeMemberName, OnlyPathsThatStayInsideTheBaseAreSafe) {
  const PathRow rows[] = {
      {"BIN\\KESTRA.EXE", true},      {"\x83\x5C\\a.txt", true},  // ソ\a.txt
      {"..\\KESTRA.EXE", false},      {"BIN\\..\\..\\X", false},
      {"BIN\\.\\X", false},          {"\\ROOT", false},
      {"C:X", false},                   {"BIN\\CON.txt", false},
      {"BIN\\com1", false},           {"BIN\\ . \\X", false},
      {"A\x83", false},                {"A\x83\x20", false},  // no character
      {"", false},                      {"BIN\\", false},
  };
  for (const PathRow& row : rows)
    EXPECT_EQ(ezip::IsSafeMemberPath(row.path), row.safe) << row.path;
}

TEST(NativeMemberName, FoldingNeverTouchesASecondByte) {
  EXPECT_EQ(ezip::FoldName("bin/a.txt"), "BIN\\A.TXT");
  EXPECT_EQ(ezip::FoldName("\x83\x5C/a"), "\x83\x5C\\A");   // ソ/a
  EXPECT_EQ(ezip::FoldName("\x82\x81"), "\x82\x60");          // ａ → Ａ
  EXPECT_EQ(ezip::FoldName("\x81\x61"), "\x81\x61");          // ∥ stays
  EXPECT_TRUE(ezip::IsFolderName("BIN/"));
  EXPECT_FALSE(ezip::IsFolderName("\x83\x5C"));                 // ソ ends in 0x5C
}

// Every file of the zip_directory corpus, the findings of earlier runs
// included, is read without a sanitizer report; the seeds are archives.
TEST(NativeZipDirectory, CorpusFilesReadCleanly) {
  const std::filesystem::path folder = std::filesystem::path(KESTRA_FUZZ_CORPUS) / "zip_directory";
  int archives = 0;
  for (const auto& file : std::filesystem::directory_iterator(folder)) {
    std::ifstream in(file.path(), std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (ReadAll(bytes)) ++archives;
  }
  EXPECT_GE(archives, 4);
}

}  // namespace
