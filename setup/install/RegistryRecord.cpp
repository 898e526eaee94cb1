// The product's registry entries, App Paths and the Windows uninstall entry.
#include <windows.h>

#include <algorithm>

#include "install/InstallRun.h"
#include "install/RecordFile.h"
#include "install/RegistryLayout.h"
#include "system/Changes.h"
#include "system/FileSys.h"
#include "system/RunValues.h"
#include "system/SysQuery.h"

namespace kestra {

namespace {

// The size of what the uninstaller removes (the files the uninstall record
// lists, of every installation into this folder), in kilobytes. The library
// and the common files are the product family's and stay.
uint32_t InstalledKilobytes(const std::string& records_folder) {
  uint64_t bytes = 0;
  for (const std::string& file : ReadUninstallRecord(records_folder).files) {
    const int64_t size = FileSize(file);
    if (size > 0) bytes += static_cast<uint64_t>(size);
  }
  return static_cast<uint32_t>(std::min<uint64_t>((bytes + 1023) / 1024, 0xFFFFFFFFu));
}

// A run that only plans has expanded nothing whose size it could count.
void ShowSizeAsUnknown(std::vector<RegistryValue>& values) {
  for (RegistryValue& value : values)
    if (value.name == "EstimatedSize") value.text = "(KB of the installed files, once they are in place)";
}

RegistryInputs RegistryInputsOf(const TFInstAppInfo& info, const std::string& source_dir,
                                int32_t setup_drive_type, bool program_only) {
  RegistryInputs inputs;
  inputs.info = ReadSetupInformation(source_dir + "SETUP.INF");
  inputs.setup_on_remote_drive = setup_drive_type == DRIVE_REMOTE;
  inputs.install_date = TodayText();
  inputs.install_dir = info.AppInfo.InstallDir;
  inputs.index_dir = info.IndexDir;
  inputs.install_drive = MapToDrivePath(SetupDrive, source_dir);
  const int32_t count = std::max(0, std::min<int32_t>(info.AppInfo.DVDPathCount,
                                                      static_cast<int32_t>(info.AppInfo.DVDPaths.size())));
  inputs.dvd_paths.assign(info.AppInfo.DVDPaths.begin(), info.AppInfo.DVDPaths.begin() + count);
  inputs.program_only = program_only;
  inputs.records_folder = RecordsFolder(WinDriveRoot);
  return inputs;
}

}  // namespace

// Writes the registry layout once per pass. A key that cannot be opened or a
// value that cannot be written stops the step with a message naming the key,
// and the installation fails: a half-registered product is not reported as
// installed.
bool InstallRun::WriteRegistry() {
  for (int32_t pass = 0; pass < AppInfo.AppCount; ++pass) {
    RegistryInputs inputs = RegistryInputsOf(AppInfo, AddBackslash(SourceDir), SetupDriveType,
                                             IsProgramOnlyUpdate());
    inputs.installed_kilobytes = InstalledKilobytes(inputs.records_folder);
    inputs.system_account = RunsAsSystem;
    AppInfo.AppInfo.AppVersion = inputs.info.version;
    std::vector<RegistryValue> values = PlanRegistry(inputs);
    if (changes::Planning()) ShowSizeAsUnknown(values);
    if (std::optional<std::string> failed = WriteRegistryValues(values)) {
      observer_.Ask({Msg::RegistryFailed, {*failed}});
      return false;
    }
    observer_.Pump();
  }
  return true;
}

}  // namespace kestra
