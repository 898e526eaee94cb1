// The uninstall record as data (install/RecordFile.h): keys, the entries of an
// earlier record, this run's records and the merged, sorted record. No system
// call: builds for Windows and natively alike.
#include <algorithm>
#include <cstdio>

#include "install/RecordFile.h"
#include "script/BigIni.h"
#include "system/Mbcs.h"

namespace kestra {

std::string RecordsFolder(const std::string& win_drive_root) {
  return win_drive_root + kRecordsSubfolder;
}

namespace {

// The text ends in a lead byte without its second byte (no valid code page
// 932, as a damaged record may hold).
bool EndsInLoneLeadByte(const std::string& text) {
  const std::size_t last = LastCharOffset(text);
  return last != std::string::npos && last + 1 == text.size() &&
         IsLeadByte(static_cast<unsigned char>(text[last]));
}

std::string NumberedKey(const std::string& prefix, int32_t n) {
  char digits[16];
  std::snprintf(digits, sizeof digits, "%3.3d", static_cast<int>(n));
  return prefix + digits;
}

}  // namespace

std::string FileEntryKey(const std::string& prefix, int32_t n) { return NumberedKey(prefix, n); }

std::string FolderEntryKey(const std::string& prefix, int32_t n) {
  return NumberedKey(kFolderKeyMark + prefix, n);
}

UninstallRecordLists ReadRecordEntries(const std::vector<std::string>& section_lines) {
  UninstallRecordLists lists;
  for (const std::string& line : section_lines) {
    // "=" lies below the second bytes of double-byte characters: a byte search
    // cannot stop inside one.
    const std::size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    const std::string key = line.substr(0, eq);
    std::string value = line.substr(eq + 1);
    if (value.empty()) continue;
    (Contains(key, kFolderKeyMark) ? lists.folders : lists.files).push_back(std::move(value));
  }
  return lists;
}

std::string RecordPathOf(const std::string& record) {
  // "," (0x2C) is never the second byte of a double-byte character.
  const std::size_t comma = record.find(',');
  return comma == std::string::npos ? record : record.substr(comma + 1);
}

bool IsApplicationRecord(const std::string& record, int32_t product_index) {
  const std::size_t comma = record.find(',');
  return comma != std::string::npos && record.substr(0, comma) == std::to_string(product_index);
}

void AddRunRecords(UninstallRecordLists& lists, const std::vector<std::string>& file_list,
                   const std::vector<std::string>& dir_list, int32_t product_index) {
  for (const std::string& record : file_list) {
    if (record.empty() || !IsApplicationRecord(record, product_index)) continue;
    lists.files.push_back(RecordPathOf(record));
  }
  for (const std::string& record : dir_list) {
    if (record.empty()) continue;
    lists.folders.push_back(RecordPathOf(record));
  }
}

void SortWithoutCase(std::vector<std::string>& paths) {
  std::sort(paths.begin(), paths.end(), [](const std::string& a, const std::string& b) {
    const int order = CompareIniNames(a, b);
    return order != 0 ? order < 0 : a < b;
  });
}

std::vector<std::string> DistinctSorted(std::vector<std::string> paths) {
  SortWithoutCase(paths);
  paths.erase(std::unique(paths.begin(), paths.end()), paths.end());
  return paths;
}

void WriteRecordEntries(TBigIniFile& store, const std::string& prefix,
                        const UninstallRecordLists& lists) {
  // A record that could not be deleted beforehand must not keep entries
  // beyond the new numbering.
  store.EraseSection(prefix);
  int32_t n = 0;
  for (const std::string& path : DistinctSorted(lists.files))
    store.WriteString(prefix, FileEntryKey(prefix, ++n), path);

  // The backslash goes on before duplicates are looked for, so that a folder
  // recorded with and without it is listed once. A folder that ends in a lone
  // lead byte stays as it is: a backslash would become that character's
  // second byte, and every later merge would add another.
  std::vector<std::string> folders;
  folders.reserve(lists.folders.size());
  for (const std::string& folder : lists.folders)
    folders.push_back(EndsInLoneLeadByte(folder) ? folder : AddBackslash(folder));
  n = 0;
  for (const std::string& folder : DistinctSorted(std::move(folders)))
    store.WriteString(prefix, FolderEntryKey(prefix, ++n), folder);
}

}  // namespace kestra
