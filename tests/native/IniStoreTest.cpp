// The INI store natively, its files in memory, under the sanitizers.
#include <gtest/gtest.h>

#include <optional>
#include <stdexcept>

#include "script/BigIni.h"
#include "script/IniFileMemory.h"

namespace {

using kestra::TBigIniFile;
using kestra::TStringList;
namespace memory_files = kestra::memory_files;

const std::string kFile = "C:\\TEST.INI";

class NativeIniStore : public ::testing::Test {
 protected:
  void SetUp() override { memory_files::Clear(); }
  void TearDown() override { memory_files::Clear(); }
};

TEST_F(NativeIniStore, LoadsNormalisesAndWritesBack) {
  memory_files::Put(kFile, "lost=1\r\n[A]\r\n\r\nk=v\n;note\r[a]\r\nk=second\r\n\x1A\r\n[Empty]\r\n");
  {
    TBigIniFile store(kFile);
    EXPECT_FALSE(store.Changed());
    EXPECT_EQ(store.ReadString("A", "K", "-"), "v");
    TStringList names;
    store.ReadSections(names);
    EXPECT_EQ(names, (TStringList{"A", "Empty"}));
    store.WriteString("B", "x", "1");
  }
  EXPECT_EQ(memory_files::Get(kFile), "[A]\r\nk=v\r\n;note\r\n\r\n[B]\r\nx=1\r\n\r\n");
}

TEST_F(NativeIniStore, SmallBuffersSplitNoLineEnd) {
  memory_files::Put(kFile, "[S]\r\na=1\r\nb=2\r\n");
  for (std::int32_t size : {0, 1, 2, 3, 7}) {
    TBigIniFile store;
    store.SetTextBufferSize(size);
    store.SetFileName(kFile);
    TStringList lines;
    store.ReadSectionValues("S", lines);
    EXPECT_EQ(lines, (TStringList{"a=1", "b=2"})) << size;
  }
}

// Found by the ini_store harness: a section name ending in a lead byte was
// written as "[name]" whose "]" became that character's second byte, so the
// written file lost the section and its lines.
TEST_F(NativeIniStore, SectionNameEndingInALeadByteIsRefused) {
  TBigIniFile store(kFile);
  EXPECT_THROW(store.WriteString("\xF4", "\xF4", "\xD6"), std::invalid_argument);
  EXPECT_THROW(store.WriteString("A\x81", "K", "V"), std::invalid_argument);
  EXPECT_FALSE(store.Changed());
  EXPECT_EQ(store.Sections().Count(), 0);
  // Whole double-byte characters are fine, "]" as a second byte too (ゾ).
  store.WriteString("\x83\x5D", "K", "V");
  store.WriteString("[x]", "K", "V");
  store.Flush();
  TBigIniFile again(kFile);
  EXPECT_EQ(again.ReadString("\x83\x5D", "K", "-"), "V");
  EXPECT_EQ(again.ReadString("[x]", "K", "-"), "V");
}

TEST_F(NativeIniStore, NamesIgnoreCaseAndDuplicatesKeepTheFirst) {
  memory_files::Put(kFile, "[Setup]\r\nA=1\r\n[SETUP]\r\nA=2\r\n[\x82\x60]\r\nK=w\r\n[\x82\x81]\r\nK=x\r\n");
  TBigIniFile store(kFile);
  EXPECT_EQ(store.ReadString("setup", "a", "-"), "1");
  // Full-width Ａ and ａ are the same name as well.
  EXPECT_EQ(store.Sections().Count(), 2);
  EXPECT_EQ(store.ReadString("\x82\x81", "k", "-"), "w");
}

TEST_F(NativeIniStore, UnreadableFileLeavesTheStoreEmptyAndInMemory) {
  memory_files::Put(kFile, "[A]\r\nk=v\r\n");
  memory_files::SetUnreadable(kFile, true);
  TBigIniFile store;
  EXPECT_THROW(store.SetFileName(kFile), kestra::EInOutError);
  EXPECT_TRUE(store.FileName().empty());
  EXPECT_EQ(store.Sections().Count(), 0);
}

// A write-back that fails (the disk full part-way, a read-only file) is
// reported by the release, and the file keeps its old bytes.
TEST_F(NativeIniStore, FailedWriteBackIsReportedByTheReleaseAndLeavesTheOldBytes) {
  const std::string old = "[Old]\r\nk=v\r\n";
  memory_files::Put(kFile, old);
  memory_files::SetWriteLimit(kFile, 4);
  EXPECT_THROW(
      {
        TBigIniFile store(kFile);
        store.WriteString("Section", "Key", "Value");
      },
      kestra::EInOutError);
  EXPECT_EQ(memory_files::Get(kFile), old);
  memory_files::SetWriteLimit(kFile, std::nullopt);
  memory_files::SetReadOnly(kFile, true);
  EXPECT_THROW(
      {
        TBigIniFile store(kFile);
        store.WriteString("Section", "Key", "Value");
      },
      kestra::EInOutError);
  EXPECT_EQ(memory_files::Get(kFile), old);
  // A missing file stays missing when its first write-back fails.
  memory_files::SetWriteLimit("C:\\NEW.INI", 4);
  EXPECT_THROW(
      {
        TBigIniFile store("C:\\NEW.INI");
        store.WriteString("Section", "Key", "Value");
      },
      kestra::EInOutError);
  EXPECT_EQ(memory_files::Get("C:\\NEW.INI"), std::nullopt);
}

}  // namespace
