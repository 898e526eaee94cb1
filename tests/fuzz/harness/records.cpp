// The uninstall records on arbitrary lines. The input is an earlier
// KSINSTALL.INF (loaded by the INI store) whose lines are also this run's
// installed-file and folder records; the merge must give the distinct paths,
// sorted, under keys numbered without gaps, and merging its own output again
// must change nothing. The same text is the record the uninstaller reads line
// by line: its pass over the lines (against a stand-in disk where a line's
// bytes decide whether its file exists and can be deleted) must never touch a
// shared or relative path, must blank exactly the lines whose files went,
// and its rewritten record must read back as the lines it kept.
#include <algorithm>
#include <map>
#include <set>

#include "Harness.h"
#include "install/RecordFile.h"
#include "script/BigIni.h"
#include "script/IniFileMemory.h"
#include "system/Mbcs.h"
#include "system/ProductTable.h"
#include "uninstall/RemovalRules.h"

namespace {

const std::string kRecord = "C:\\Program Files\\ZEL\\Common Files\\UNINSTALL\\KSINSTALL.INF";
const std::string kSection = kestra::kProduct.key;

// ---- The merge

kestra::UninstallRecordLists ReadRecord() {
  kestra::TBigIniFile store(kRecord);
  kestra::TStringList lines;
  store.ReadSectionValues(kSection, lines);
  return kestra::ReadRecordEntries(lines);
}

std::string WriteRecord(const kestra::UninstallRecordLists& lists) {
  kestra::memory_files::Remove(kRecord);
  {
    kestra::TBigIniFile store(kRecord);
    kestra::WriteRecordEntries(store, kSection, lists);
  }
  return kestra::memory_files::Get(kRecord).value_or(std::string());
}

void CheckMerge(const std::string& text, const std::vector<std::string>& lines) {
  kestra::memory_files::Clear();
  kestra::memory_files::Put(kRecord, text);
  kestra::UninstallRecordLists lists = ReadRecord();
  // This run's records: the lines as file records and folder records. Records
  // hold no line breaks (they come from profile reads and created folders) and
  // always name a path (a base folder and more).
  std::vector<std::string> file_list, dir_list;
  for (const std::string& line : lines) {
    if (line.find('\r') != std::string::npos || kestra::RecordPathOf(line).empty()) continue;
    file_list.push_back(line);
    dir_list.push_back(line);
  }
  kestra::AddRunRecords(lists, file_list, dir_list, kestra::kProductIndex);

  const std::string written = WriteRecord(lists);
  const kestra::UninstallRecordLists back = ReadRecord();
  fuzz::Require(back.files == kestra::DistinctSorted(lists.files),
                "the record lists the distinct files, sorted");
  std::vector<std::string> folders;
  for (const std::string& folder : lists.folders) {
    // A folder ending in a lone lead byte cannot take a backslash.
    const std::size_t last = kestra::LastCharOffset(folder);
    const bool broken = last + 1 == folder.size() &&
                        kestra::IsLeadByte(static_cast<unsigned char>(folder[last]));
    folders.push_back(broken ? folder : kestra::AddBackslash(folder));
  }
  fuzz::Require(back.folders == kestra::DistinctSorted(folders),
                "the record lists the distinct folders, sorted, with backslashes");

  // Keys: files 001.., then folders 001.., without gaps.
  kestra::TBigIniFile store(kRecord);
  kestra::TStringList keys;
  store.ReadSection(kSection, keys);
  fuzz::Require(keys.size() == back.files.size() + back.folders.size(), "one key per entry");
  for (std::size_t i = 0; i < keys.size(); ++i) {
    const bool file = i < back.files.size();
    const int32_t n = static_cast<int32_t>(file ? i + 1 : i + 1 - back.files.size());
    fuzz::Require(keys[i] == (file ? kestra::FileEntryKey(kSection, n)
                                   : kestra::FolderEntryKey(kSection, n)),
                  "keys are numbered from 001 without gaps, files first");
  }

  // A later installation that adds nothing writes the same record.
  kestra::UninstallRecordLists again = ReadRecord();
  fuzz::Require(WriteRecord(again) == written, "merging a record into itself changes nothing");
}

// ---- The uninstaller's pass

// A stand-in disk: a path exists unless its bytes sum to a multiple of 5, and
// its deletion fails when they sum to a multiple of 7.
class StandInDisk final : public kestra::RecordFileActions {
 public:
  std::vector<std::string> steps;
  std::vector<std::string> deleted;
  std::vector<std::string> asked;

  static unsigned Sum(const std::string& path) {
    unsigned sum = 0;
    for (char c : path) sum += static_cast<unsigned char>(c);
    return sum;
  }
  bool FileExists(const std::string& path) override {
    Touch(path);
    return Sum(path) % 5 != 0;
  }
  bool Delete(const std::string& path) override {
    Touch(path);
    fuzz::Require(FileExists(path), "only existing files are deleted");
    if (Sum(path) % 7 == 0) return false;
    deleted.push_back(path);
    return true;
  }
  void Step(const std::string& path) override { steps.push_back(path); }
  void Pump() override {}

 private:
  void Touch(const std::string& path) {
    asked.push_back(path);
    fuzz::Require(kestra::IsAbsolutePath(path), "only absolute paths reach the disk");
    fuzz::Require(!kestra::IsSharedPath(path), "a shared path never reaches the disk");
  }
};

void CheckRemoval(const std::string& text) {
  const std::vector<std::string> original = kestra::SplitTextLines(text);
  std::vector<std::string> lines = original;
  StandInDisk disk;
  const kestra::RecordPass pass = kestra::RemoveRecordedFiles(lines, disk);

  fuzz::Require(lines.size() == original.size(), "the pass keeps every line's place");
  fuzz::Require(disk.steps.size() == original.size(), "every line is shown once");
  std::size_t deleted = 0, failed = 0;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::string path = kestra::RecordLinePath(original[i]);
    fuzz::Require(disk.steps[i] == path, "the line's path is shown");
    if (lines[i].empty()) continue;
    fuzz::Require(lines[i] == original[i], "a kept line is kept whole");
    const bool tried = kestra::IsAbsolutePath(path) && !kestra::IsSharedPath(path) &&
                       StandInDisk::Sum(path) % 5 != 0;
    if (tried) ++failed;
  }
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::string path = kestra::RecordLinePath(original[i]);
    if (lines[i].empty() && !original[i].empty() && !kestra::IsSharedPath(path)) ++deleted;
  }
  fuzz::Require(deleted == disk.deleted.size(), "exactly the lines of deleted files are blanked");
  fuzz::Require(failed == pass.failed.size(), "every file that stayed is listed as failed");
  auto folder_of_a_line = [&](const std::string& folder, bool application) {
    return std::any_of(original.begin(), original.end(), [&](const std::string& line) {
      const std::string path = kestra::RecordLinePath(line);
      return path.starts_with(folder) && (!application || kestra::NamesApplicationFile(path));
    });
  };
  if (!pass.install_folder.empty())
    fuzz::Require(folder_of_a_line(pass.install_folder, true),
                  "the install folder is the folder of a recorded application file");
  if (!pass.shortcut_folder.empty())
    fuzz::Require(kestra::IsAbsolutePath(pass.shortcut_folder) &&
                      folder_of_a_line(pass.shortcut_folder, false),
                  "the shortcut folder is the absolute folder of a recorded shortcut");

  // The rewritten record reads back as the kept lines.
  const std::vector<std::string> kept = kestra::KeptRecordLines(lines);
  fuzz::Require(kestra::SplitTextLines(kestra::JoinTextLines(kept)) == kept,
                "the rewritten record reads back as the lines it kept");
  // A later installation merges it without failing.
  kestra::memory_files::Clear();
  kestra::memory_files::Put(kRecord, kestra::JoinTextLines(kept));
  (void)ReadRecord();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(fuzz::Text(data, size));
  CheckMerge(text, kestra::SplitTextLines(text));
  CheckRemoval(text);
  return 0;
}
