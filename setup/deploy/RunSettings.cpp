#include "deploy/RunSettings.h"

#include <windows.h>

#include <cmath>

#include "system/FileSys.h"
#include "system/Mbcs.h"
#include "system/ProductTable.h"
#include "system/RunValues.h"
#include "system/SysQuery.h"
#include "wizard/Defaults.h"

namespace kestra {

namespace {

// A folder given whole: a drive letter with its root, or a share.
bool IsFullPath(const std::string& path) {
  if (path.size() >= 3 && path[1] == ':' && path[2] == '\\') return true;
  return path.size() > 2 && path[0] == '\\' && path[1] == '\\' &&
         ExtractFileDrive(path).size() > 2;
}

std::string MegaBytes(double bytes) {
  return FormatThousands(static_cast<long long>(std::llround(bytes / kMegaByte))) + " MByte";
}

// The folder's form and length, as every folder of the page must have them.
std::string FormFault(const std::string& key, const std::string& path) {
  if (!IsFullPath(path)) return key + "=" + path + ": 完全なパスを指定してください。";
  if (path.size() >= kMaxPathLength)
    return key + "=" + path + ": パスが長すぎます (" + std::to_string(kMaxPathLength - 1) +
           " バイトまで)。";
  return std::string();
}

// Step 1 of the page: the application folder's drive is ready, the path fits,
// and its drive has the room the page asks for.
std::string ApplicationFault(const PageChoices& choices) {
  if (std::string fault = FormFault("AppDir", choices.app_path); !fault.empty()) return fault;
  if (!IsUsableApplicationPath(choices.app_path, IsDriveReady(choices.app_path)))
    return "AppDir=" + choices.app_path + ": ドライブが準備できていません。";
  const double free_bytes = DiskFreeBytes(LeadingChars(choices.app_path, 2));
  if (!ApplicationSpace(choices.app_path, choices.index_path, choices.index_checked, free_bytes)
           .enough) {
    const double needed =
        SharesDriveWithIndex(choices.app_path, choices.index_path, choices.index_checked)
            ? kAppAndIndexBytes
            : kAppOnlyBytes;
    return "AppDir=" + choices.app_path + ": 空き容量が足りません (必要 " + MegaBytes(needed) +
           "、空き " + MegaBytes(free_bytes) + ")。";
  }
  return std::string();
}

// The index folder the copy goes to: reachable, and (before Vista, where the
// page judges the index drive) with the room the page asks for.
std::string IndexFault(const PageChoices& choices) {
  if (std::string fault = FormFault("IndexDir", choices.index_path); !fault.empty()) return fault;
  if (!IsDriveReady(choices.index_path))
    return "IndexDir=" + choices.index_path + ": ドライブまたは共有フォルダに接続できません。";
  const double free_bytes = DiskFreeBytes(ExtractFileDrive(choices.index_path) + "\\");
  const bool index_present = FileExists(choices.index_path + "KSCOLL.INF");
  const IndexSpaceState space =
      IndexSpace(choices.app_path, choices.index_path, choices.index_checked, free_bytes,
                 index_present, ::GetDriveTypeA(LeadingChars(choices.index_path, 3).c_str()),
                 VistaOrLater);
  if (space.enough && !*space.enough)
    return "IndexDir=" + choices.index_path + ": 空き容量が足りません (空き " +
           MegaBytes(free_bytes) + ")。";
  return std::string();
}

// A DVD folder: its drive exists (a DVD drive need not hold the disc while the
// product is installed) or its share can be reached.
std::string DvdFault(int number, const std::string& path) {
  const std::string key = "DVDPath" + std::to_string(number);
  if (std::string fault = FormFault(key, path); !fault.empty()) return fault;
  const bool reachable = path[0] == '\\'
                             ? IsDriveReady(path)
                             : ::GetDriveTypeA(path.substr(0, 3).c_str()) > DRIVE_NO_ROOT_DIR;
  if (!reachable) return key + "=" + path + ": ドライブまたは共有フォルダがありません。";
  return std::string();
}

const char* Origin(bool preset, const char* otherwise) {
  return preset ? "answer file" : otherwise;
}

}  // namespace

UnattendedSettings SettleUnattended(const TFInstAppInfo& handed_in, int32_t run_mode,
                                    const PresetChoices& presets) {
  const DestinationDefaults defaults =
      LoadDestinationDefaults(handed_in, DefaultsInputs::FromRunValues());
  const PageDefaults& page = defaults.Page;
  UnattendedSettings out{defaults.Record, {}, {}};
  TFInstAppInfo& record = out.record;
  TFAppInfo& app = record.AppInfo;

  // What the page shows when it opens.
  PageChoices choices;
  choices.dvd_path_list = MakeDvdPathList(app, SetupDrive);
  if (run_mode == kRunModeTry) app.InstallMode = kNewInstallation;
  const PageMode mode = PageModeOf(app.InstallMode);
  choices.app_path = AddBackslash(app.InstallDir);
  const std::string checked_index_dir =
      page.RegisteredIndexFound ? page.RegisteredIndexDir : page.DefaultIndexDir;
  if (mode == PageMode::Upgrade) {
    const std::string index_dir = AddBackslash(record.IndexDir);
    const UINT drive_type = ::GetDriveTypeA(LeadingChars(index_dir, 3).c_str());
    choices.index_checked = UpgradeKeepsIndexOnDisk(
        {VistaOrLater, record.IndexDir, SetupDrive, drive_type, index_dir, page.DvdIndexDir,
         drive_type});
    choices.index_path = choices.index_checked ? index_dir : page.DvdIndexDir;
  } else {
    choices.index_checked = true;
    choices.index_path = checked_index_dir;
  }
  ApplyPresets(choices, presets, mode, checked_index_dir, page.DvdIndexDir);

  // The checks the page and the DVD selection make before they go on.
  if (mode == PageMode::NewInstallation) out.fault = ApplicationFault(choices);
  if (out.fault.empty() && CopiesIndex(choices.index_checked, choices.index_path, page.DvdIndexDir))
    out.fault = IndexFault(choices);
  for (int n = 1; out.fault.empty() && n <= kDvdCount; ++n)
    out.fault = DvdFault(n, choices.dvd_path_list[static_cast<std::size_t>(n)]);
  if (!out.fault.empty()) return out;

  if (choices.index_path == page.DvdIndexDir) choices.index_checked = false;
  CommitChoices(record, choices, page.DvdIndexDir);

  const bool upgrade = mode == PageMode::Upgrade;
  out.notes.push_back(std::string("Mode: ") + (upgrade ? "upgrade of the installed copy"
                                                       : "new installation"));
  out.notes.push_back("AppDir=" + app.InstallDir + " (" +
                      (upgrade ? "installed copy"
                               : Origin(presets.app_dir.has_value(), "proposed")) +
                      ")");
  if (upgrade && presets.app_dir)
    out.notes.push_back("AppDir of the answer file not used: an upgrade keeps the installed folder");
  out.notes.push_back(std::string("InstallIndex=") + (record.InstallIndex == kIndexToDisk ? "1" : "0") +
                      " (" + Origin(presets.install_index.has_value(), "proposed") + ")");
  out.notes.push_back("IndexDir=" + record.IndexDir + " (" +
                      (record.InstallIndex != kIndexToDisk ? "the DVD's index"
                       : presets.index_dir                  ? "answer file"
                       : page.RegisteredIndexFound          ? "recorded"
                                                            : "proposed") +
                      ")");
  for (int n = 1; n <= kDvdCount; ++n)
    out.notes.push_back("DVDPath" + std::to_string(n) + "=" +
                        app.DVDPaths[static_cast<std::size_t>(n - 1)] + " (" +
                        Origin(presets.dvd_paths[static_cast<std::size_t>(n - 1)].has_value(),
                               page.DvdFoldersRecorded ? "recorded" : "proposed") +
                        ")");
  return out;
}

}  // namespace kestra
