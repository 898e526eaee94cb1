#include "uninstall/Removal.h"

#include <string_view>

#include "install/RecordFile.h"
#include "install/RegistryLayout.h"
#include "script/Profile.h"
#include "system/ProductPlaces.h"
#include "system/FileSys.h"
#include "system/Handles.h"
#include "system/Mbcs.h"
#include "system/ProductTable.h"
#include "system/Registry.h"
#include "system/RegistryWrites.h"
#include "system/ReplacementFile.h"
#include "system/RunLog.h"
#include "system/SysQuery.h"
#include "system/TestSeams.h"

namespace kestra {

namespace {

constexpr char kHelpIndexExtension[] = ".GID";

// Working state of one run.
class RemovalRun {
 public:
  RemovalRun(const RemovalSettings& settings, RemovalObserver& observer)
      : settings_(settings), observer_(observer) {}

  int32_t Run();

 private:
  void RemoveRecordedFiles(std::vector<std::string>& lines);
  void DeleteHelpIndex();
  void RewriteRecord(const std::vector<std::string>& lines);
  void RemoveIndex();
  void RemoveIndexCollection(const std::string& index_folder, int n);
  void RemoveEmptiedFolders();
  void ResetProductNumbers();
  void RemoveProgramEntries();
  void WriteLog();
  // A deletion failed: the run goes on, the path is logged.
  void Failed(const std::string& path);

  const RemovalSettings& settings_;
  RemovalObserver& observer_;
  int32_t result_ = kRemovedCompletely;
  std::vector<std::string> errors_;
  std::string install_folder_;   // with trailing backslash; empty until found
  std::string shortcut_folder_;  // the same
};

int32_t RemovalRun::Run() {
  seams::FaultPoint("uninstall");
  const std::string record = settings_.records_folder + kInstallRecordName;
  std::vector<std::string> lines;
  if (!FileExists(record) || !ReadTextLines(record, lines)) return kRecordsNotFound;

  // An index folder that could hold what is not the index is never walked.
  const bool index_deletable = settings_.delete_index && IndexFolderIsDeletable(settings_);
  std::vector<std::string> index_files;
  if (index_deletable) CollectFiles(settings_.index_folder, index_files);
  observer_.Begin(static_cast<int>(lines.size() + index_files.size()));

  RemoveRecordedFiles(lines);
  DeleteHelpIndex();
  RewriteRecord(lines);

  if (settings_.delete_index) {
    // The index record went away while the dialog was open: the index folder
    // is not trusted, and the run stops before any folder or key is touched.
    if (!FileExists(settings_.records_folder + kIndexRecordName)) return kRecordsNotFound;
    if (index_deletable)
      RemoveIndex();
    else
      runlog::Write("Kept: the search index in " + settings_.index_folder +
                    " (a folder that could hold what is not the index)");
  } else if (!settings_.index_folder.empty()) {
    runlog::Write("Kept: the search index in " + settings_.index_folder);
  }

  RemoveEmptiedFolders();
  ResetProductNumbers();
  if (errors_.empty())
    RemoveProgramEntries();
  else
    WriteLog();
  observer_.End();
  return result_;
}

// The record pass on the disk, shown by the run's observer.
class DiskRecordActions final : public RecordFileActions {
 public:
  explicit DiskRecordActions(RemovalObserver& observer) : observer_(observer) {}
  bool FileExists(const std::string& path) override { return kestra::FileExists(path); }
  bool Delete(const std::string& path) override { return RemoveFile(path); }
  void Step(const std::string& path) override { observer_.Step(path); }
  void Pump() override { observer_.Pump(); }
  void KeptShared(const std::string& path) override {
    runlog::Write("Kept (shared by the product family): " + path);
  }

 private:
  RemovalObserver& observer_;
};

void RemovalRun::RemoveRecordedFiles(std::vector<std::string>& lines) {
  DiskRecordActions actions(observer_);
  RecordPass pass = kestra::RemoveRecordedFiles(lines, actions);
  install_folder_ = std::move(pass.install_folder);
  shortcut_folder_ = std::move(pass.shortcut_folder);
  for (const std::string& path : pass.failed) Failed(path);
}

void RemovalRun::Failed(const std::string& path) {
  result_ = kSomeFilesRemain;
  errors_.push_back(kDeleteErrorPrefix + path);
}

void RemovalRun::DeleteHelpIndex() {
  if (install_folder_.empty()) return;
  RemoveFile(AddBackslash(install_folder_) + kProduct.key + kHelpIndexExtension);
}

void RemovalRun::RewriteRecord(const std::vector<std::string>& lines) {
  const std::vector<std::string> kept = KeptRecordLines(lines);
  // A record that cannot be rewritten (the disk full) stays as it was and
  // still lists the deleted files; a later run finds them gone and keeps them,
  // which does no harm.
  WriteTextLines(settings_.records_folder + kInstallRecordName, kept);
}

void RemovalRun::RemoveIndex() {
  for (int n = 1; n <= 3; ++n) RemoveIndexCollection(settings_.index_folder, n);
  RemoveFolderIfEmpty(RemoveBackslash(settings_.index_folder));
}

void RemovalRun::RemoveIndexCollection(const std::string& index_folder, int n) {
  const std::string folder = AddBackslash(index_folder);
  const std::string marker = folder + kProduct.index_marker + ".INF";
  if (FileExists(marker) && !RemoveFile(marker)) Failed(marker);
  observer_.Pump();

  const std::string collection = folder + kProduct.index_marker + std::to_string(n);
  if (!DirectoryExists(collection)) return;
  std::vector<std::string> files;
  CollectFiles(collection, files);
  for (const std::string& file : files) {
    observer_.Step(file);
    if (!RemoveFile(file)) Failed(file);
  }
  // Only emptied folders go: a folder the engine filled further keeps its parents.
  for (const char* engine_folder : kIndexEngineFolders)
    RemoveFolderIfEmpty(collection + "\\" + engine_folder);
  RemoveFolderIfEmpty(collection);
}

void RemovalRun::RemoveEmptiedFolders() {
  // Without a recorded application file there is no install folder, and the
  // names below would be relative to the working folder.
  if (!install_folder_.empty()) {
    const std::string folder = AddBackslash(install_folder_);
    RemoveFolderIfEmpty(folder + "BookMark");
    RemoveFolderIfEmpty(folder + "MANUAL");
    RemoveFolderIfEmpty(folder + "DOCS");
    RemoveFolderIfEmpty(RemoveBackslash(folder));
  }
  if (!shortcut_folder_.empty()) RemoveFolderIfEmpty(RemoveBackslash(shortcut_folder_));
}

void RemovalRun::ResetProductNumbers() {
  if (!RegKey::Open(settings_.registry_root, settings_.product_key, KEY_READ)) return;
  WriteRegistryValues({NumberValue(settings_.registry_root, settings_.product_key, "Service", 0),
                       NumberValue(settings_.registry_root, settings_.product_key, "ALN", 0)});
}

void RemovalRun::RemoveProgramEntries() {
  RemoveFile(settings_.records_folder + kUninstallLogName);
  for (const std::string* key : {&settings_.uninstall_key, &settings_.app_paths_key}) {
    if (!RemoveRegistryKey(settings_.registry_root, *key)) observer_.KeyNotDeleted(*key);
  }
  // Users who log on later no longer get the product's values.
  if (!settings_.active_setup_key.empty() &&
      !RemoveRegistryKey(settings_.registry_root, settings_.active_setup_key, KEY_WOW64_64KEY))
    observer_.KeyNotDeleted(settings_.active_setup_key);
}

void RemovalRun::WriteLog() {
  runlog::Write(std::to_string(errors_.size()) + " files could not be deleted; listed in " +
                settings_.records_folder + kUninstallLogName);
  WriteTextLines(settings_.records_folder + kUninstallLogName, errors_);
}

}  // namespace

namespace {

// The comparable form of a folder: full, long, upper case, trailing backslash.
std::string ComparableFolder(const std::string& folder) {
  return AnsiUpperCase(AddBackslash(FullLongPath(folder)));
}

bool StartsWithText(const std::string& text, const std::string& head) {
  return text.size() >= head.size() && text.compare(0, head.size(), head) == 0;
}

// Some existing folder on the way from the drive root to path is a link.
bool PathCrossesReparsePoint(const std::string& path) {
  std::string walked;
  for (std::size_t at = 0; at < path.size();) {
    const bool lead = IsLeadByte(static_cast<unsigned char>(path[at])) && at + 1 < path.size();
    walked.append(path, at, lead ? 2 : 1);
    at += lead ? 2 : 1;
    // Asked without the trailing backslash, which would name the link's target.
    if (!lead && walked.back() == '\\' && walked.size() > 3 &&
        IsReparsePoint(walked.substr(0, walked.size() - 1)))
      return true;
  }
  return IsReparsePoint(RemoveBackslash(path));
}

}  // namespace

bool IndexFolderIsDeletable(const RemovalSettings& settings) {
  // A relative folder would be resolved against wherever the uninstaller runs.
  const std::string& written = settings.index_folder;
  if (written.size() < 4 || written[1] != ':' || written[2] != '\\') return false;
  const std::string index = ComparableFolder(written);
  // Below a drive root: "X:\" followed by at least one folder name.
  const bool below_drive_root = index.size() > 4 && index[1] == ':' && index[2] == '\\' &&
                                index[0] >= 'A' && index[0] <= 'Z';
  if (!below_drive_root || PathCrossesReparsePoint(index)) return false;
  for (const std::string* guarded :
       {&settings.windows_folder, &settings.shared_folder, &settings.records_folder}) {
    if (guarded->empty()) continue;
    // The folder itself, or one that contains it.
    if (StartsWithText(ComparableFolder(*guarded), index)) return false;
  }
  // Inside the shared folder.
  return settings.shared_folder.empty() ||
         !StartsWithText(index, ComparableFolder(settings.shared_folder));
}

void CollectFiles(const std::string& folder, std::vector<std::string>& list) {
  // A link's target lies outside what is removed; not following links also
  // means a loop of links cannot make the walk go on for ever.
  if (IsReparsePoint(RemoveBackslash(folder))) return;
  const std::string base = AddBackslash(folder);
  WIN32_FIND_DATAA data;
  FindHandle find(::FindFirstFileA((base + "*.*").c_str(), &data));
  if (!find) return;
  do {
    const std::string name = data.cFileName;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT &&
        data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
      continue;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      if (name != "." && name != "..") CollectFiles(base + name, list);
    } else {
      list.push_back(base + name);
    }
  } while (::FindNextFileA(find.get(), &data));
}

bool ReadTextLines(const std::string& path, std::vector<std::string>& lines) {
  std::string text;
  if (!ReadWholeFile(path, text)) return false;
  lines = SplitTextLines(text);
  return true;
}

bool WriteTextLines(const std::string& path, const std::vector<std::string>& lines) {
  // A read-only record or log is rewritten as well.
  ResetAttributes(path);
  return ReplaceFileContent(path, JoinTextLines(lines));
}

RemovalSettings ProductRemovalSettings(const std::string& win_drive_root) {
  RemovalSettings settings;
  settings.records_folder = RecordsFolder(win_drive_root);
  settings.shared_folder = win_drive_root + kSharedSubfolder;
  settings.windows_folder = WindowsFolder();
  settings.registry_root = ProductRoots().machine;
  settings.uninstall_key = UninstallKeyPath(kProduct);
  settings.app_paths_key = AppPathsKeyPath(kProduct);
  settings.active_setup_key = ActiveSetupKeyPath(kProduct);
  settings.product_key = RemoveBackslash(ProductKeyPath(kProduct));
  return settings;
}

int32_t RemoveInstalledFiles(const RemovalSettings& settings, RemovalObserver& observer) {
  return RemovalRun(settings, observer).Run();
}

Message OutcomeMessage(int32_t result) {
  const std::string shown_records_folder = kRecordsSubfolder;  // without the drive
  switch (result) {
    case kRemovedCompletely:
      return {Msg::UninstallDone};
    case kSomeFilesRemain:
      return {Msg::UninstallFilesRemain,
              {shown_records_folder + kUninstallLogName, kProduct.title}};
    default:
      return {Msg::UninstallRecordsMissing, {shown_records_folder + kInstallRecordName}};
  }
}

std::optional<std::string> RecordedIndexCopy(const std::string& records_folder) {
  const std::string index_record = records_folder + kIndexRecordName;
  if (!FileExists(index_record)) return std::nullopt;
  return ReadProfileString(WindowsProfile(index_record), kProduct.key, "DOCS");
}

}  // namespace kestra
