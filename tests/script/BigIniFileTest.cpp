// The store and its file: written back in one pass, only when something
// changed, in CR LF lines; file errors reach the caller; an uninstall record
// file survives a round trip byte for byte.
#include <gtest/gtest.h>

#include <windows.h>

#include <stdexcept>
#include <string>

#include "IniTestFolder.h"
#include "script/BigIni.h"
#include "system/Handles.h"

using kestra::EInOutError;
using kestra::TBigIniFile;
using kestra::TStringList;

using BigIniWriteBack = IniTestFolder;

TEST_F(BigIniWriteBack, AStoreThatChangedNothingNeverTouchesTheFile) {
  // Not in the store's own form: a rewrite would show at once.
  const std::string bytes = "lead\r\n[A]\na=1\n\n[B]\r\nb=2\r\n[Empty]\r\n";
  std::string path = MakeFile("a.ini", bytes);
  ULONGLONG dated = DateBack(path);
  {
    TBigIniFile ini(path);
    EXPECT_EQ(ini.ReadString("A", "a", ""), "1");
    ini.WriteString("A", "a", "1");
    ini.WriteInteger("B", "b", 2);
    ini.DeleteKey("A", "absent");
    ini.EraseSection("Absent");
    ini.Flush();
    EXPECT_FALSE(ini.Changed());
  }
  EXPECT_EQ(testenv::ReadFile(path), bytes);
  EXPECT_EQ(LastWriteTime(path), dated);
}

TEST_F(BigIniWriteBack, AChangeIsWrittenOnceInCrLfLines) {
  std::string path = MakeFile("a.ini", "lead\n[A]\na=1\n\n[B]\nb=2\n[Empty]\n");
  ULONGLONG dated = DateBack(path);
  TBigIniFile ini(path);
  ini.WriteString("B", "c", "3");
  EXPECT_TRUE(ini.Changed());
  EXPECT_EQ(LastWriteTime(path), dated);  // nothing before the flush
  ini.Flush();
  EXPECT_FALSE(ini.Changed());
  const std::string written = "[A]\r\na=1\r\n\r\n[B]\r\nb=2\r\nc=3\r\n\r\n";
  EXPECT_EQ(testenv::ReadFile(path), written);
  EXPECT_NE(LastWriteTime(path), dated);

  dated = DateBack(path);
  ini.Flush();
  ini.WriteString("B", "c", "3");
  ini.Flush();
  EXPECT_EQ(LastWriteTime(path), dated);
  EXPECT_EQ(testenv::ReadFile(path), written);
}

TEST_F(BigIniWriteBack, ReleasingAChangedStoreWritesIt) {
  std::string path = MakeFile("a.ini", "[A]\r\na=1\r\n");
  {
    TBigIniFile ini(path);
    ini.WriteString("A", "a", "2");
  }
  EXPECT_EQ(testenv::ReadFile(path), "[A]\r\na=2\r\n\r\n");
}

TEST_F(BigIniWriteBack, AMissingFileIsCreatedByTheFirstWrite) {
  std::string path = PathOf("new.ini");
  {
    TBigIniFile ini(path);
    ini.WriteString("KESTRA", "KESTRA001", "C:\\表\\");
  }
  EXPECT_EQ(testenv::ReadFile(path), "[KESTRA]\r\nKESTRA001=C:\\表\\\r\n\r\n");
}

TEST_F(BigIniWriteBack, TheSmallBufferWritesTheSameBytes) {
  std::string big = PathOf("big.ini"), small = PathOf("small.ini");
  auto fill = [](TBigIniFile& ini) {
    for (int s = 0; s < 200; ++s)
      for (int k = 0; k < 20; ++k)
        ini.WriteString("Section" + std::to_string(s), "Key" + std::to_string(k),
                        std::string(static_cast<std::size_t>((s * 7 + k) % 90), 'v'));
  };
  {
    TBigIniFile ini(big);
    fill(ini);
  }
  {
    TBigIniFile ini;
    ini.SetTextBufferSize(0);
    ini.SetFileName(small);
    fill(ini);
  }
  std::string bytes = testenv::ReadFile(big);
  EXPECT_GT(bytes.size(), 3 * static_cast<std::size_t>(kestra::kIniTextBufferSize));
  EXPECT_EQ(testenv::ReadFile(small), bytes);
  TBigIniFile reread(big);
  EXPECT_EQ(reread.ReadString("Section199", "Key19", "none"),
            std::string((199 * 7 + 19) % 90, 'v'));
}

// The new content goes to a file beside the old one, which takes the old one's
// place only once complete: the file after a save is another file, and
// nothing else is left in the folder.
TEST_F(BigIniWriteBack, ASaveIsANewFileInPlaceOfTheOldAndLeavesNothingBeside) {
  std::string path = MakeFile("a.ini", "[A]\r\na=1\r\n");
  const uint64_t before = testenv::FileIdentity(path);
  {
    TBigIniFile ini(path);
    ini.WriteString("A", "a", "2");
    ini.Flush();
    EXPECT_EQ(testenv::ReadFile(path), "[A]\r\na=2\r\n\r\n");
  }
  EXPECT_NE(testenv::FileIdentity(path), before);
  EXPECT_EQ(testenv::NamesIn(folder_), TStringList{"a.ini"});
}

// A run ended while it saved leaves its temporary file ("~" + the file's name)
// behind, even read-only; the next save takes that name over and leaves nothing.
TEST_F(BigIniWriteBack, ALeftoverOfAnInterruptedSaveIsTakenOver) {
  std::string path = MakeFile("a.ini", "[A]\r\na=1\r\n");
  std::string leftover = MakeFile("~a.ini", "[A]\r\na=half");
  ASSERT_TRUE(::SetFileAttributesA(leftover.c_str(), FILE_ATTRIBUTE_READONLY));
  {
    TBigIniFile ini(path);
    ini.WriteString("A", "b", "2");
  }
  EXPECT_EQ(testenv::ReadFile(path), "[A]\r\na=1\r\nb=2\r\n\r\n");
  EXPECT_EQ(testenv::NamesIn(folder_), TStringList{"a.ini"});
}

TEST_F(BigIniWriteBack, AStoreInMemoryOnlyNeverWrites) {
  TBigIniFile ini;
  EXPECT_EQ(ini.FileName(), "");
  ini.WriteString("A", "k", "v");
  EXPECT_TRUE(ini.Changed());
  ini.Flush();
  EXPECT_FALSE(ini.Changed());
  EXPECT_EQ(ini.ReadString("A", "k", ""), "v");
}

TEST_F(BigIniWriteBack, SetFileNameWritesTheOldFileAndLoadsTheNewOne) {
  std::string first = MakeFile("first.ini", "[A]\r\na=1\r\n");
  std::string second = MakeFile("second.ini", "[B]\r\nb=1\r\n[B]\r\nb=2\r\n");
  ULONGLONG dated = DateBack(second);
  TBigIniFile ini(first);
  ini.WriteString("A", "a", "changed");
  ini.SetFileName(second);
  EXPECT_EQ(testenv::ReadFile(first), "[A]\r\na=changed\r\n\r\n");
  EXPECT_EQ(ini.FileName(), second);
  EXPECT_EQ(ini.ReadString("A", "a", "none"), "none");
  EXPECT_EQ(ini.ReadString("B", "b", ""), "1");
  EXPECT_FALSE(ini.Changed());  // the dropped duplicate is no change
  ini.SetFileName("");
  EXPECT_EQ(LastWriteTime(second), dated);
  TStringList names;
  ini.ReadSections(names);
  EXPECT_TRUE(names.empty());
}

using BigIniErrors = IniTestFolder;

TEST_F(BigIniErrors, AReadOnlyFileReadsButRefusesTheWrite) {
  const std::string bytes = "[A]\r\na=1\r\n";
  std::string path = MakeFile("a.ini", bytes);
  ASSERT_TRUE(::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_THROW(
      {
        TBigIniFile ini(path);
        EXPECT_EQ(ini.ReadString("A", "a", ""), "1");
        ini.WriteString("A", "a", "2");
        try {
          ini.Flush();
          ADD_FAILURE() << "a read-only file was written";
        } catch (const EInOutError& e) {
          EXPECT_EQ(e.ErrorCode(), static_cast<unsigned long>(ERROR_ACCESS_DENIED));
        }
        EXPECT_TRUE(ini.Changed());  // the change is not lost in memory
        EXPECT_EQ(ini.ReadString("A", "a", ""), "2");
        EXPECT_THROW(ini.SetFileName(""), EInOutError);  // flushes first
        EXPECT_EQ(ini.FileName(), path);
      },
      EInOutError);  // and releasing it fails once more
  EXPECT_EQ(testenv::ReadFile(path), bytes);
  EXPECT_EQ(testenv::NamesIn(folder_), TStringList{"a.ini"});
}

TEST_F(BigIniErrors, ReleasingAStoreThatCannotBeWrittenRaises) {
  std::string path = MakeFile("a.ini", "[A]\r\na=1\r\n");
  ASSERT_TRUE(::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_THROW(
      {
        TBigIniFile ini(path);
        ini.WriteString("A", "a", "2");
      },
      EInOutError);
  // Already unwinding from another error: that one reaches the caller.
  EXPECT_THROW(
      {
        TBigIniFile ini(path);
        ini.WriteString("A", "a", "2");
        throw std::logic_error("first failure");
      },
      std::logic_error);
  // Unchanged, the store releases quietly.
  EXPECT_NO_THROW({ TBigIniFile ini(path); });
  EXPECT_EQ(testenv::ReadFile(path), "[A]\r\na=1\r\n");
}

TEST_F(BigIniErrors, AFileThatCannotBeOpenedRaisesAndIsNeverOverwritten) {
  const std::string bytes = "[A]\r\na=1\r\n";
  std::string path = MakeFile("a.ini", bytes);
  {
    // Another program holds the file without sharing it.
    kestra::FileHandle lock(::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                          OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(lock);
    EXPECT_THROW(TBigIniFile ini(path), EInOutError);

    TBigIniFile ini(PathOf("other.ini"));
    try {
      ini.SetFileName(path);
      ADD_FAILURE() << "a locked file was loaded";
    } catch (const EInOutError& e) {
      EXPECT_EQ(e.ErrorCode(), static_cast<unsigned long>(ERROR_SHARING_VIOLATION));
    }
    // The store is left in memory only, so nothing it holds can replace the file.
    EXPECT_EQ(ini.FileName(), "");
    ini.WriteString("A", "b", "2");
  }
  EXPECT_EQ(testenv::ReadFile(path), bytes);
  EXPECT_FALSE(FileExistsAt(PathOf("other.ini")));
}

TEST_F(BigIniErrors, AFolderInPlaceOfTheFileCannotBeWritten) {
  std::string path = PathOf("folder.ini");
  ASSERT_TRUE(::CreateDirectoryA(path.c_str(), nullptr));
  EXPECT_THROW(
      {
        TBigIniFile ini(path);  // not a file: loads as missing
        EXPECT_FALSE(ini.Changed());
        ini.WriteString("A", "a", "1");
        EXPECT_THROW(ini.Flush(), EInOutError);
        EXPECT_TRUE(ini.Changed());
      },
      EInOutError);
  EXPECT_EQ(testenv::NamesIn(folder_), TStringList{"folder.ini"});
  EXPECT_TRUE(::RemoveDirectoryA(path.c_str()));
}

// The disk fills up while the file is saved (KSINSTALL.INF of an installation
// that added many files, on a nearly full records folder's disk): the save
// fails, and the old file stays as it was, byte for byte, with nothing beside it.
TEST_F(BigIniErrors, ASaveThatFillsTheDiskLeavesTheOldFileByteForByte) {
  const std::string small = testenv::SmallFileSystemFolder("bigini_tests");
  if (!testenv::IsSmallFileSystem(small)) GTEST_SKIP() << testenv::NoSmallFileSystem(small);
  const std::string folder = small + "records\\";
  testenv::ResetFolder(folder);
  const std::string old = "[KESTRA]\r\nKESTRA001=C:\\KS\\A.EXE\r\nDir_KESTRA001=C:\\KS\\\r\n\r\n";
  const std::string path = folder + "KSINSTALL.INF";
  testenv::WriteFile(path, old);
  {
    // Cut back by 2 KB: less than a block of the file system, and far less
    // than the new content needs.
    testenv::DiskFiller full(small, 2048);
    EXPECT_THROW(
        {
          TBigIniFile ini(path);
          for (int n = 1; n <= 400; ++n)
            ini.WriteString("KESTRA", "KESTRA" + std::to_string(1000 + n),
                            "C:\\Program Files\\KESTRA\\PART" + std::to_string(n) + "\\利用ガイド.PDF");
          try {
            ini.Flush();
            ADD_FAILURE() << "the save fitted on a full disk";
          } catch (const EInOutError& e) {
            EXPECT_TRUE(e.ErrorCode() == ERROR_DISK_FULL || e.ErrorCode() == ERROR_HANDLE_DISK_FULL)
                << e.what();
          }
          EXPECT_TRUE(ini.Changed());  // the change is not lost in memory
          EXPECT_EQ(testenv::ReadFile(path), old);
        },
        EInOutError);  // releasing it tries once more, and fails the same way
  }
  EXPECT_EQ(testenv::ReadFile(path), old);
  EXPECT_EQ(testenv::NamesIn(folder), TStringList{"KSINSTALL.INF"});
  testenv::ResetFolder(folder);
  ::RemoveDirectoryA(folder.c_str());
}

using UninstallRecord = IniTestFolder;

namespace {

// "KSINSTALL.INF" as the installer writes it.
const std::string kRecord =
    "[KESTRA]\r\n"
    "KESTRA001=7,C:\\Program Files\\KESTRA\\KESTRA.EXE\r\n"
    "KESTRA002=7,C:\\Program Files\\KESTRA\\MANUAL\\利用ガイド.PDF\r\n"
    "KESTRA003=99,C:\\ZEL\\LIB\\_NTI31\\BIN\\ENGINE.DLL\r\n"
    "KESTRA004=7,C:\\Program Files\\KESTRA\\\r\n"
    "\r\n";

}  // namespace

TEST_F(UninstallRecord, ReadThroughTheStoreAndLeftAsItWas) {
  std::string path = MakeFile("KSINSTALL.INF", kRecord);
  ULONGLONG dated = DateBack(path);
  {
    TBigIniFile ini(path);
    TStringList keys;
    ini.ReadSection("KESTRA", keys);
    EXPECT_EQ(keys, (TStringList{"KESTRA001", "KESTRA002", "KESTRA003", "KESTRA004"}));
    EXPECT_EQ(ini.ReadString("KESTRA", "KESTRA001", ""), "7,C:\\Program Files\\KESTRA\\KESTRA.EXE");
    EXPECT_EQ(ini.ReadString("KESTRA", "KESTRA002", ""),
              "7,C:\\Program Files\\KESTRA\\MANUAL\\利用ガイド.PDF");
    EXPECT_EQ(ini.ReadString("KESTRA", "KESTRA003", ""), "99,C:\\ZEL\\LIB\\_NTI31\\BIN\\ENGINE.DLL");
    EXPECT_EQ(ini.ReadString("kestra", "kestra004", ""), "7,C:\\Program Files\\KESTRA\\");
    for (const std::string& key : keys)
      ini.WriteString("KESTRA", key, ini.ReadString("KESTRA", key, ""));
  }
  EXPECT_EQ(testenv::ReadFile(path), kRecord);
  EXPECT_EQ(LastWriteTime(path), dated);
}

TEST_F(UninstallRecord, OneChangedValueIsTheOnlyDifferenceWrittenBack) {
  std::string path = MakeFile("KSINSTALL.INF", kRecord);
  ULONGLONG dated = DateBack(path);
  {
    TBigIniFile ini(path);
    ini.WriteString("KESTRA", "KESTRA003", "99,C:\\ZEL\\LIB\\_NTI31\\BIN\\表ENGINE.DLL");
  }
  std::string expected = kRecord;
  const std::string old = "ENGINE.DLL";
  expected.replace(expected.find(old), old.size(), "表ENGINE.DLL");
  EXPECT_EQ(testenv::ReadFile(path), expected);
  EXPECT_NE(LastWriteTime(path), dated);
}

TEST_F(UninstallRecord, AFileWithoutTheClosingBlankLineIsLeftAloneUntilChanged) {
  std::string bytes = kRecord.substr(0, kRecord.size() - 2);
  std::string path = MakeFile("KSINSTALL.INF", bytes);
  {
    TBigIniFile ini(path);
    EXPECT_EQ(ini.ReadString("KESTRA", "KESTRA004", ""), "7,C:\\Program Files\\KESTRA\\");
  }
  EXPECT_EQ(testenv::ReadFile(path), bytes);
  {
    TBigIniFile ini(path);
    ini.WriteString("KESTRA", "KESTRA005", "7,C:\\Program Files\\KESTRA\\MANUAL\\");
  }
  EXPECT_EQ(testenv::ReadFile(path),
            bytes + "KESTRA005=7,C:\\Program Files\\KESTRA\\MANUAL\\\r\n\r\n");
}
