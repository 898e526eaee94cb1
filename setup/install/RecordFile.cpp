#include "install/RecordFile.h"

#include <windows.h>

#include "script/BigIni.h"
#include "system/Changes.h"
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
  const std::string program = setup_dir + kSetupProgramName;
  if (changes::Planning()) {
    if (FileExists(program)) changes::Plan(changes::Kind::CopyFile, uninstaller, "from " + program);
    return;
  }
  ResetAttributes(uninstaller);
  ReplacementFile copy(uninstaller, changes::Kind::CopyFile, "from " + program);
  if (!copy.Create()) return;
  copy.Close();
  if (::CopyFileA(program.c_str(), copy.TemporaryPath().c_str(), FALSE) && copy.Commit())
    return;
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
  ResetAttributes(record);
  if (lists.files.empty() && lists.folders.empty()) {
    // Nothing to record, and the earlier record held no entry either: no record.
    RemoveFile(record);
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
