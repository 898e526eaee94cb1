#include "install/RecordFile.h"

#include <windows.h>

#include "script/BigIni.h"
#include "system/FileSys.h"
#include "system/Mbcs.h"
#include "system/ProductTable.h"
#include "system/SysQuery.h"

namespace kestra {

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

UninstallRecordLists ReadUninstallRecord(const std::string& records_folder) {
  return ReadRecordFile(records_folder + kInstallRecordName, kProduct.key);
}

}  // namespace kestra
