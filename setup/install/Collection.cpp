// The search index step: the index copied from the DVD's DOCS folder to the
// folder the user chose, or used from the DVD. Either way IndexDir names the
// folder in use afterwards, which the registry step records as "Root".
#include <windows.h>

#include "install/InstallRun.h"
#include "install/IndexRules.h"
#include "install/RecordFile.h"
#include "script/Profile.h"
#include "system/ProductPlaces.h"
#include "system/AppInfo.h"
#include "system/Changes.h"
#include "system/FileSys.h"
#include "system/Mbcs.h"
#include "system/ProductTable.h"
#include "system/Registry.h"
#include "system/ReplacementFile.h"
#include "system/RunLog.h"
#include "system/RunValues.h"
#include "system/SysQuery.h"

namespace kestra {

namespace {

constexpr char kIndexMarkerName[] = "KSCOLL.INF";
constexpr char kIndexRecordSection[] = "KESTRA";
constexpr char kIndexRecordKey[] = "DOCS";


// Cancelling is not offered while the index step runs, whichever way the
// step ends: the index copy does not test for cancelling.
class CancelRefusedWhileAlive {
 public:
  explicit CancelRefusedWhileAlive(InstallObserver& observer) : observer_(observer) {
    observer_.AllowCancel(false);
  }
  ~CancelRefusedWhileAlive() { observer_.AllowCancel(true); }
  CancelRefusedWhileAlive(const CancelRefusedWhileAlive&) = delete;
  CancelRefusedWhileAlive& operator=(const CancelRefusedWhileAlive&) = delete;

 private:
  InstallObserver& observer_;
};

// The index copy asks about files in use only while the step runs: the
// question captures the step's state.
class RetryWhileAlive {
 public:
  RetryWhileAlive(TSetupc& component, std::function<bool(const std::string&)> retry)
      : component_(component) {
    component_.RetryFileInUse = std::move(retry);
  }
  ~RetryWhileAlive() { component_.RetryFileInUse = nullptr; }
  RetryWhileAlive(const RetryWhileAlive&) = delete;
  RetryWhileAlive& operator=(const RetryWhileAlive&) = delete;

 private:
  TSetupc& component_;
};

// V: the index version an earlier installation recorded.
std::string InstalledIndexVersion(const ProductRow& product) {
  RegKey key = RegKey::Open(ProductRoots().machine, CollectionKeyPath(product));
  return key ? key.ReadStringOr("CollectionVersion") : std::string();
}

// A path as the logged-on user sees it. Without a known drive for the setup
// folder the mapping has nothing to map to; the path stays as it is then.
std::string Mapped(const std::string& path) {
  const std::string mapped = MapToDrivePath(SetupDrive, path);
  return mapped.empty() ? path : mapped;
}

void LogIndexDecision(IndexDecision decision, const std::string& target, const IndexFacts& facts,
                      const std::string& fallback) {
  switch (decision) {
    case IndexDecision::SameDriveAsDvd:
      runlog::Write("Index: " + target + " is on the DVD's drive, used from " + facts.dvd_index);
      return;
    case IndexDecision::UseDvd:
      runlog::Write("Index: not copied (the installed index is newer, or no room on " + target +
                    "), used from " + fallback);
      return;
    case IndexDecision::KeepTarget:
      runlog::Write("Index: no room on the drive of " + target + "; the index there stays in use");
      return;
    case IndexDecision::Copy:
      runlog::Write("Index: copied to " + target);
      return;
    case IndexDecision::AskOverNetwork:
    case IndexDecision::NotRequested:
      return;
  }
}

// "KSDOCS.INF" names the folder the index was copied to. The profile function
// writes it in its own format, into the temporary file that takes the record's
// place only once written and flushed; a failure leaves no record (the step
// deleted the earlier one when it began), and is not reported.
void WriteIndexRecord(const std::string& record, const std::string& index_folder) {
  if (changes::Planning()) {
    changes::Plan(changes::Kind::WriteFile, record, "[KESTRA] DOCS=" + index_folder);
    return;
  }
  ReplacementFile file(record, changes::Kind::WriteFile, "[KESTRA] DOCS=" + index_folder);
  if (!file.Create()) return;
  file.Close();
  const char* temporary = file.TemporaryPath().c_str();
  if (!::WritePrivateProfileStringA(kIndexRecordSection, kIndexRecordKey, index_folder.c_str(),
                                    temporary))
    return;
  // Written out now, and forgotten by the profile cache: the file is renamed.
  ::WritePrivateProfileStringA(nullptr, nullptr, nullptr, temporary);
  file.Commit();
}

const ProductRow& ProductOf(int32_t index) {
  return index >= 0 && index < static_cast<int32_t>(kProductTable.size())
             ? kProductTable[static_cast<std::size_t>(index)]
             : kProduct;
}

}  // namespace

bool InstallRun::CopyCollection() {
  CancelRefusedWhileAlive cancel_refused(observer_);
  const std::string record = RecordsFolder(WinDriveRoot) + kIndexRecordName;
  RemoveFile(record);
  FIndexProgress = 1;
  observer_.ResetBar(InstallObserver::Bar::Overall, 100);
  if (AppInfo.InstallIndex != kIndexToDisk) {
    runlog::Write("Index: used from the DVD, as chosen: " + AppInfo.IndexDir);
    return true;
  }

  ++FPhase;
  const ProductRow& product = ProductOf(AppInfo.AppInfo.ProductIndex);
  observer_.ShowHeading(std::string(product.title) + " の検索用インデックス");

  const std::string setup_dir = AddBackslash(SetupDir);
  const std::string dvd_index = setup_dir + kDvdIndexFolder;  // D
  const std::string target = AppInfo.IndexDir;                 // T
  const std::string target_root = AddBackslash(ExtractFileDrive(target));
  const std::string fallback = AddBackslash(Mapped(setup_dir)) + kDvdIndexFolder + "\\";  // F

  IndexFacts facts;
  facts.install_index = AppInfo.InstallIndex;
  facts.target = Mapped(target);
  facts.dvd_index = Mapped(dvd_index);
  facts.target_holds_index = FileExists(AddBackslash(target) + kIndexMarkerName);
  facts.target_free_bytes = DiskFreeBytes(target_root);
  facts.installed_version = InstalledIndexVersion(product);
  if (!facts.installed_version.empty())
    facts.dvd_version = ReadIniString(dvd_index + "\\" + kIndexMarkerName, "CollectionVersion",
                                    "Version");
  facts.target_remote = DriveTypeOfPath(target) == DRIVE_REMOTE;
  facts.dvd_lasts = !FromCachedCopy;

  IndexDecision decision = DecideIndexCopy(facts);
  if (decision == IndexDecision::AskOverNetwork) {
    const int answer = observer_.Ask({Msg::NetworkIndexQuestion, {target}});
    NetworkIndexAnswer = answer == IDYES;
    decision = answer == IDYES ? IndexDecision::Copy : IndexDecision::UseDvd;
    if (decision == IndexDecision::UseDvd)
      runlog::Write("Index: the index on the network is left; used from " + fallback);
  }
  LogIndexDecision(decision, target, facts, fallback);
  switch (decision) {
    case IndexDecision::NotRequested:
      return true;
    case IndexDecision::SameDriveAsDvd:
      AppInfo.IndexDir = facts.dvd_index;
      return true;
    case IndexDecision::UseDvd:
      AppInfo.InstallIndex = kIndexFromDvd;
      AppInfo.IndexDir = fallback;
      return true;
    case IndexDecision::KeepTarget:
      AppInfo.InstallIndex = kIndexFromDvd;
      return true;
    case IndexDecision::Copy:
    case IndexDecision::AskOverNetwork:
      break;
  }

  observer_.Pump();
  if (!DirectoryExists(target)) ForceDirectories(target);
  Setupc1.SrcDir = dvd_index;
  Setupc1.DstDir = target;
  Setupc1.WindowsDir = WindowsFolder();
  Setupc1.SystemDir = SystemFolder();
  Setupc1.InfFile = setup_dir + kIndexScript;
  bool declined = false;  // the user cancelled when told that a file is in use
  const RetryWhileAlive retry(Setupc1, [this, &declined](const std::string& destination) {
    if (observer_.Ask({Msg::FileInUse, {destination}}) == IDRETRY) return true;
    declined = true;
    return false;
  });
  const int32_t result = Setupc1.RunSection(
      kIndexScriptSection,
      [this](const std::string& text, int32_t percent) { return CopyProgress(text, percent); });
  if (result != 0) {
    // After the in-use question the user knows the cause: no second message.
    if (!declined) observer_.Ask({Msg::IndexCopyFailed});
    runlog::Write("Index: the copy failed; used from " + fallback);
    AppInfo.InstallIndex = kIndexFromDvd;
    AppInfo.IndexDir = fallback;
    return true;
  }
  WriteIndexRecord(record, target);
  return true;
}

}  // namespace kestra
