#include "install/RecordFile.h"

#include <windows.h>

#include "script/BigIni.h"
#include "system/FileSys.h"
#include "system/Mbcs.h"
#include "system/ProductTable.h"
#include "system/RunLog.h"
#include "system/ReplacementFile.h"
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

// The uninstaller of an earlier installation stays until the new copy is
// complete: a copy that does not fit on the disk would otherwise leave the
// Windows entry pointing to nothing. A read-only one is replaced as well.
void InstallUninstaller(const std::string& setup_dir, const std::string& uninstaller) {
  ::SetFileAttributesA(uninstaller.c_str(), FILE_ATTRIBUTE_ARCHIVE);
  ReplacementFile copy(uninstaller);
  if (!copy.Create()) return;
  copy.Close();
  if (::CopyFileA((setup_dir + kSetupProgramName).c_str(), copy.TemporaryPath().c_str(), FALSE) &&
      copy.Commit())
    runlog::Write("Uninstaller copied: " + uninstaller);
  else
    runlog::WriteFailure("Uninstaller not copied: " + uninstaller, ::GetLastError());
}

}  // namespace

void WriteUninstallRecord(const std::string& records_folder, const std::string& setup_dir,
                          const std::vector<std::string>& file_list,
                          const std::vector<std::string>& dir_list, int32_t product_index) {
  const std::string record = records_folder + kInstallRecordName;
  const std::string section = kProduct.key;
  UninstallRecordLists lists = ReadRecordFile(record, section);
  AddRunRecords(lists, file_list, dir_list, product_index);
  ForceDirectories(records_folder);
  InstallUninstaller(setup_dir, records_folder + kUninstallerName);

  // A read-only record is replaced as well.
  ::SetFileAttributesA(record.c_str(), FILE_ATTRIBUTE_NORMAL);
  if (lists.files.empty() && lists.folders.empty()) {
    // Nothing to record, and the earlier record held no entry either: no record.
    ::DeleteFileA(record.c_str());
    return;
  }
  try {
    // The earlier record stays in place until the merged one is complete (the
    // store saves through a file beside it), so that a write that fails, on a
    // full disk for one, leaves what earlier installations recorded. The
    // merged record alone is written: nothing else of the earlier file.
    TBigIniFile store(record);
    store.ClearSectionList();
    WriteRecordEntries(store, section, lists);
    store.Flush();
    runlog::Write("Uninstall record written: " + record);
  } catch (const EInOutError& error) {
    // Not reported: the installation itself is in place.
    runlog::WriteFailure("Uninstall record not written, the earlier one stays: " + record,
                         error.ErrorCode());
  }
}

UninstallRecordLists ReadUninstallRecord(const std::string& records_folder) {
  return ReadRecordFile(records_folder + kInstallRecordName, kProduct.key);
}

}  // namespace kestra
