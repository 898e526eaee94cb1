#include "install/RecordFile.h"

#include <algorithm>
#include <cstdio>

#include <windows.h>

#include "script/BigIni.h"
#include "system/FileSys.h"
#include "system/Mbcs.h"
#include "system/ProductTable.h"
#include "system/SysQuery.h"

namespace kestra {

std::string RecordsFolder(const std::string& win_drive_root) {
  return win_drive_root + kRecordsSubfolder;
}

namespace {

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
  // recorded with and without it is listed once.
  std::vector<std::string> folders;
  folders.reserve(lists.folders.size());
  for (const std::string& folder : lists.folders) folders.push_back(AddBackslash(folder));
  n = 0;
  for (const std::string& folder : DistinctSorted(std::move(folders)))
    store.WriteString(prefix, FolderEntryKey(prefix, ++n), folder);
}

namespace {

// The entries of the record at path, or none when there is no record.
UninstallRecordLists ReadRecordFile(const std::string& path, const std::string& section) {
  if (!FileExists(path)) return {};
  try {
    TBigIniFile store(path);
    TStringList lines;
    store.ReadSectionValues(section, lines);
    return ReadRecordEntries(lines);
  } catch (const EInOutError&) {
    return {};
  }
}

void InstallUninstaller(const std::string& setup_dir, const std::string& uninstaller) {
  if (FileExists(uninstaller)) {
    ::SetFileAttributesA(uninstaller.c_str(), FILE_ATTRIBUTE_ARCHIVE);
    ::DeleteFileA(uninstaller.c_str());
  }
  ::CopyFileA((setup_dir + kSetupProgramName).c_str(), uninstaller.c_str(), TRUE);
}

}  // namespace

void WriteUninstallRecord(const std::string& records_folder, const std::string& setup_dir,
                          const std::vector<std::string>& file_list,
                          const std::vector<std::string>& dir_list, int32_t product_index) {
  const std::string record = records_folder + kInstallRecordName;
  const std::string section = kProduct.key;
  UninstallRecordLists lists = ReadRecordFile(record, section);
  ::SetFileAttributesA(record.c_str(), FILE_ATTRIBUTE_NORMAL);
  ::DeleteFileA(record.c_str());

  AddRunRecords(lists, file_list, dir_list, product_index);
  ForceDirectories(records_folder);
  InstallUninstaller(setup_dir, records_folder + kUninstallerName);
  try {
    TBigIniFile store(record);
    WriteRecordEntries(store, section, lists);
  } catch (const EInOutError&) {
    // Not reported: the installation itself is in place.
  }
}

}  // namespace kestra
