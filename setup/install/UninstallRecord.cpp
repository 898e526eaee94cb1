// The uninstall record of an installation and the uninstaller copy.
#include "install/InstallRun.h"
#include "install/RecordFile.h"
#include "system/RunValues.h"
#include "system/SysQuery.h"

namespace kestra {

// The record lists this run's application files and created folders merged with
// what earlier installations recorded; failures are not reported (see
// WriteUninstallRecord).
bool InstallRun::WriteUninstallInfo() {
  WriteUninstallRecord(RecordsFolder(WinDriveRoot), AddBackslash(SourceDir), FFileList, FDirList,
                       AppInfo.AppInfo.ProductIndex);
  return true;
}

}  // namespace kestra
