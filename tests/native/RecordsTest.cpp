// The uninstall record's merge and the uninstaller's pass over its lines,
// natively, the record in memory and the disk a stand-in.
#include <gtest/gtest.h>

#include "install/RecordFile.h"
#include "script/BigIni.h"
#include "script/IniFileMemory.h"
#include "uninstall/RemovalRules.h"

namespace {

namespace memory_files = kestra::memory_files;

const std::string kRecord = "C:\\UNINSTALL\\KSINSTALL.INF";

std::string Merge(const kestra::UninstallRecordLists& lists) {
  memory_files::Remove(kRecord);
  {
    kestra::TBigIniFile store(kRecord);
    kestra::WriteRecordEntries(store, "KESTRA", lists);
  }
  return memory_files::Get(kRecord).value_or("");
}

kestra::UninstallRecordLists Entries() {
  kestra::TBigIniFile store(kRecord);
  kestra::TStringList lines;
  store.ReadSectionValues("KESTRA", lines);
  return kestra::ReadRecordEntries(lines);
}

TEST(NativeRecords, MergeSortsNumbersAndDropsDuplicates) {
  kestra::UninstallRecordLists lists;
  lists.files = {"C:\\K\\b.dll", "C:\\K\\A.EXE", "C:\\K\\b.dll", "C:\\K\\B.DLL"};
  lists.folders = {"C:\\K", "C:\\K\\"};
  EXPECT_EQ(Merge(lists),
            "[KESTRA]\r\nKESTRA001=C:\\K\\A.EXE\r\nKESTRA002=C:\\K\\B.DLL\r\n"
            "KESTRA003=C:\\K\\b.dll\r\nDir_KESTRA001=C:\\K\\\r\n\r\n");
}

// Found by the records harness: a folder ending in a lead byte without its
// second byte took a backslash as that second byte, so every later merge added
// one more backslash.
TEST(NativeRecords, AFolderEndingInALoneLeadByteStaysAsItIs) {
  kestra::UninstallRecordLists lists;
  kestra::AddRunRecords(lists, {}, {"\x8a=\x8a"}, 7);
  const std::string first = Merge(lists);
  EXPECT_EQ(first, "[KESTRA]\r\nDir_KESTRA001=\x8a=\x8a\r\n\r\n");
  EXPECT_EQ(Merge(Entries()), first);
}

class StandIn final : public kestra::RecordFileActions {
 public:
  std::vector<std::string> asked, deleted;
  bool FileExists(const std::string& path) override {
    asked.push_back(path);
    return path.find("GONE") == std::string::npos && path.back() != '\\';
  }
  bool Delete(const std::string& path) override {
    if (path.find("LOCKED") != std::string::npos) return false;
    deleted.push_back(path);
    return true;
  }
  void Step(const std::string&) override {}
  void Pump() override {}
};

TEST(NativeRecords, ThePassDeletesWhatItMayAndKeepsTheRest) {
  std::vector<std::string> lines = kestra::SplitTextLines(
      "[KESTRA]\r\nKESTRA001=C:\\K\\KESTRA.EXE\r\nKESTRA002=C:\\K\\LOCKED.DLL\r\n"
      "KESTRA003=C:\\K\\GONE.DLL\r\nKESTRA004=c:\\program files\\zel\\common files\\X.OCX\r\n"
      "KESTRA005=relative\\X.DLL\r\nDir_KESTRA001=C:\\K\\\r\n");
  StandIn disk;
  const kestra::RecordPass pass = kestra::RemoveRecordedFiles(lines, disk);
  EXPECT_EQ(disk.deleted, std::vector<std::string>{"C:\\K\\KESTRA.EXE"});
  EXPECT_EQ(pass.failed, std::vector<std::string>{"C:\\K\\LOCKED.DLL"});
  EXPECT_EQ(pass.install_folder, "C:\\K\\");
  EXPECT_EQ(kestra::KeptRecordLines(lines),
            (std::vector<std::string>{"[KESTRA]", "KESTRA002=C:\\K\\LOCKED.DLL",
                                      "KESTRA003=C:\\K\\GONE.DLL", "KESTRA005=relative\\X.DLL",
                                      "Dir_KESTRA001=C:\\K\\"}));
  // Neither the shared file nor the relative path reached the disk.
  for (const std::string& path : disk.asked) {
    EXPECT_EQ(path.find("zel"), std::string::npos);
    EXPECT_EQ(path.find("relative"), std::string::npos);
  }
}

TEST(NativeRecords, TextLinesRoundTrip) {
  const std::vector<std::string> lines{"a", "b\r", "", "c"};
  EXPECT_EQ(kestra::SplitTextLines(kestra::JoinTextLines(lines)), lines);
  EXPECT_EQ(kestra::SplitTextLines("x\ny"), (std::vector<std::string>{"x", "y"}));
}

}  // namespace
