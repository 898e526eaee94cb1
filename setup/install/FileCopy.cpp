// The file step of an installation: the installed-file list from the DVD's
// setup script, and the expansion of every listed file through EZip.dll.
#include <windows.h>

#include "install/InstallRun.h"
#include "install/FileList.h"
#include "script/Profile.h"
#include "system/Changes.h"
#include "system/ProductPlaces.h"
#include "system/FileSys.h"
#include "system/Mbcs.h"
#include "system/Messages.h"
#include "system/ProductTable.h"
#include "system/Registry.h"
#include "system/RunLog.h"
#include "system/RunValues.h"
#include "system/SysQuery.h"

namespace kestra {

namespace {

constexpr char kInstalling[] = " をインストールしています。";
constexpr char kInstallingLibrary[] = "検索用エンジン をインストールしています。";
constexpr char kInstallingCommon[] = "PDFViewer をインストールしています。";
// Pause after each expanded file: paces the display.
constexpr DWORD kPauseAfterFile = 50;

// The installed version, or nothing when the product key cannot be opened.
std::optional<std::string> InstalledVersion() {
  RegKey product = RegKey::Open(ProductRoots().machine, ProductKeyPath(kProduct));
  if (!product) return std::nullopt;
  return product.ReadStringOr("version");
}

}  // namespace

std::string InstallRun::GetScriptPath(int32_t row, const std::string& name) const {
  return kestra::GetScriptPath(SetupDir, row, name);
}

bool InstallRun::MakeDirs(const std::string& prefix, const std::string& path,
                            std::string& created) {
  return kestra::MakeDirs(prefix, path, created);
}

int WINAPI InstallRun::EZipProgress(DWORD, DWORD) {
  ProcessMessages();
  return 0;
}

bool InstallRun::MakeFileList() {
  FFileList.clear();
  FStartMode = AppInfo.AppInfo.InstallMode;

  FileListInput input;
  input.app_count = AppInfo.AppCount;
  input.install_mode = AppInfo.AppInfo.InstallMode;
  input.product_index = AppInfo.AppInfo.ProductIndex;
  input.install_dir = AppInfo.AppInfo.InstallDir;
  input.win_drive_root = WinDriveRoot;
  input.program_only = IsProgramOnlyUpdate();
  if (!input.program_only && input.install_mode == 2) {
    input.dvd_version = ReadIniString(SetupDir + "SETUP.INF", "Products", "Version");
    input.installed_version = InstalledVersion();
  }

  // The reading pumps messages: the window stays alive and Cancel can be
  // pressed while a script that claims thousands of entries is read.
  const SetupScript script =
      ReadSetupScript(GetScriptPath(kProductIndex, kScriptName), [this] { observer_.Pump(); });
  FileListPlan plan = BuildFileList(script, input, [this] { observer_.Pump(); });
  FFileList = std::move(plan.records);
  AppInfo.AppInfo.InstallMode = plan.install_mode;
  if (plan.app_version) AppInfo.AppInfo.AppVersion = *plan.app_version;
  if (plan.common_failed) {
    observer_.Ask({Msg::CommonListFailed});
    return false;
  }
  return true;
}

bool InstallRun::ExpandRecord(const std::string& record, const EZipLibrary& ezip) {
  const RecordParts parts = SplitRecord(record);
  const std::string name = ExtractFileName(parts.path);
  const std::string folder = ExtractFilePath(parts.path);
  const std::string archive = GetScriptPath(kProductIndex, kArchiveName);

  const bool application = parts.tag == std::to_string(AppInfo.AppInfo.ProductIndex);
  const bool library = parts.tag == kLibraryTag;
  const std::string base = application ? AddBackslash(AppInfo.AppInfo.InstallDir)
                           : library   ? LibraryBase(WinDriveRoot)
                                       : CommonBase(WinDriveRoot);
  // A group folder of the script that leaves its base ("..", a drive, a
  // network path) is refused before any folder is made for it.
  if (!DestinationStaysInBase(base, parts.path)) return CopyFailed();

  ExpansionCall call;
  if (application) {
    observer_.ShowHeading(std::string(ProductRowOf(AppInfo.AppInfo.ProductIndex).title) +
                          kInstalling);
    observer_.ShowDetail(name);
    observer_.Pump();
    if (!DirectoryExists(folder)) {
      // Folders made for the application are recorded, so the uninstaller removes them.
      std::string created;
      MakeDirs(parts.tag, folder, created);
      RecordCreatedFolders(created);
    }
    call = ExpansionCallFor(parts.path, base, AppInfo.AppInfo.InstallDir);
  } else {
    observer_.ShowHeading(library ? kInstallingLibrary : kInstallingCommon);
    observer_.ShowDetail(name);
    observer_.Pump();
    if (!DirectoryExists(folder)) {
      // Shared folders stay when the product is removed: not recorded.
      std::string not_recorded = "-1";
      MakeDirs("", folder, not_recorded);
    }
    call = ExpansionCallFor(parts.path, base, base);
  }

  if (changes::Planning()) {
    changes::Plan(changes::Kind::ExpandFile, parts.path);
  } else {
    while (!ezip.ExpandLibOnce(archive, call.base, call.member)) {
      // The expander does not say why it failed: a file that another program
      // holds shows itself to a write of our own.
      const bool in_use = FileInUse(parts.path, ERROR_SUCCESS);
      runlog::Write(std::string("Not expanded: ") + parts.path +
                    (in_use ? " (held by another program)" : ""));
      if (!in_use) return CopyFailed();
      if (!RetryFileInUse(parts.path)) return false;
    }
    // The size is looked up only for the log's line.
    if (runlog::IsOpen())
      changes::Made(changes::Kind::ExpandFile, parts.path,
                    std::to_string(FileSize(parts.path)) + " bytes");
  }
  observer_.AdvanceBar(InstallObserver::Bar::Current);
  observer_.AdvanceBar(InstallObserver::Bar::Overall);
  observer_.Pump();
  observer_.Pause(kPauseAfterFile);
  return true;
}

bool InstallRun::CopyFailed() {
  observer_.Ask({Msg::CopyFailed});
  FCancel = true;
  return false;
}

bool InstallRun::RetryFileInUse(const std::string& path) {
  if (observer_.Ask({Msg::FileInUse, {path}}) == IDRETRY) return true;
  FCancel = true;  // the run ends as after a copy error
  return false;
}

bool InstallRun::ExpandFiles() {
  observer_.ResetBar(InstallObserver::Bar::Overall, static_cast<int>(FFileList.size()));

  EZipLibrary ezip;
  if (!ezip.Load(SetupDir, &EZipProgress)) return false;

  // A copy of the list: a record must not change under the walk while window
  // messages are handled in it.
  const std::vector<std::string> records = FFileList;
  for (const Batch& batch : GroupIntoBatches(records)) {
    for (std::size_t i = batch.first; i < batch.first + batch.count; ++i) {
      observer_.Pump();
      if (FCancel) return false;
    }
    observer_.ResetBar(InstallObserver::Bar::Current, static_cast<int>(batch.count));
    for (std::size_t i = batch.first; i < batch.first + batch.count; ++i) {
      observer_.Pump();
      if (FCancel) return false;
      if (!ExpandRecord(records[i], ezip)) return false;
    }
  }
  ezip.Unload();
  return !FCancel;
}

}  // namespace kestra
