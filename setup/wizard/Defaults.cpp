#include "wizard/Defaults.h"

#include <windows.h>

#include <optional>

#include "system/ProductPlaces.h"
#include "system/AppInfo.h"
#include "system/FileSys.h"
#include "system/Mbcs.h"
#include "system/ProductTable.h"
#include "system/Registry.h"
#include "system/RunValues.h"
#include "system/SysQuery.h"

namespace kestra {

namespace {

constexpr char kIndexFolder[] = "DOCS\\";
constexpr char kIndexMarkerFile[] = "KSCOLL.INF";

// The product's own folder name with a backslash ("KESTRA\").
std::string ProductFolder() { return std::string(kProduct.key) + "\\"; }

// A path as the logged-on user sees it: on Vista and later a UNC path is
// rewritten under the user's drive letter for it.
std::string Mapped(const DefaultsInputs& in, const std::string& path) {
  return in.VistaOrLater ? MapToDrivePath(in.SetupDrive, path) : path;
}

// The Program Files folder with trailing backslash. The value is always there
// on a sound system; an empty or unreadable one would turn every proposed
// folder into a path relative to the current folder, so it counts as absent.
std::string ProgramFilesFolder() {
  RegKey key = RegKey::Open(ProductRoots().machine, kCurrentVersionKey);
  std::string folder = key ? key.ReadStringOr(kProgramFilesValue) : std::string();
  if (folder.empty()) folder = kFallbackProgramFiles;
  return AddBackslash(folder);
}

// The index folder recorded by an earlier installation ("Root" of the user's
// Collection key), with trailing backslash; empty when there is none.
std::string RecordedIndexFolder() {
  RegKey collection = RegKey::Open(ProductRoots().user, CollectionKeyPath(kProduct));
  return collection ? AddBackslash(collection.ReadStringOr("Root")) : std::string();
}

// An empty folder must not be taken as the current folder.
bool HoldsIndexMarker(const std::string& folder) {
  return !folder.empty() && FileExists(folder + kIndexMarkerFile);
}

// The folder of the installed copy. "path" is what the installation recorded;
// should it be missing, the folder of the recorded executable is the same
// place, whereas an empty folder would send the upgrade into the current one.
std::string InstalledFolder(const RegKey& app_paths, const std::string& executable) {
  std::string folder = app_paths.ReadStringOr("path");
  if (folder.empty()) folder = ExtractFilePath(executable);
  return AddBackslash(folder);
}

void ProposeFromTraces(TFInstAppInfo& record, const std::string& pf, bool product_key_present,
                       const RegKey& app_paths) {
  TFAppInfo& app = record.AppInfo;
  const std::string executable = app_paths ? app_paths.ReadStringOr("") : std::string();
  if (!executable.empty() && FileExists(executable) && product_key_present) {
    app.InstallDir = InstalledFolder(app_paths, executable);
    app.InstallMode = kOverInstalledProduct;
  } else {
    app.InstallDir = pf + ProductFolder();
    app.InstallMode = kNewInstallation;
  }

  RegKey product = RegKey::Open(ProductRoots().machine, ProductKeyPath(kProduct));
  app.AppVersion = product ? product.ReadStringOr("Version") : std::string();

  const std::string recorded = RecordedIndexFolder();
  if (HoldsIndexMarker(recorded)) {
    record.IndexDir = recorded;
    record.InstallIndex = kIndexUndecided;
  } else {
    record.IndexDir = pf + ProductFolder() + kIndexFolder;
    record.InstallIndex = kIndexFromDvd;
  }
}

void ProposeFresh(TFInstAppInfo& record, const std::string& pf) {
  record.AppInfo.InstallMode = kNewInstallation;
  record.AppInfo.InstallDir = pf + ProductFolder();
  record.InstallIndex = kIndexFromDvd;
  record.IndexDir = pf + ProductFolder() + kIndexFolder;
}

// A DVD folder value: missing reads as empty (as the installation leaves an
// unset DVD); a value that is not text cannot be used at all.
std::optional<std::string> ReadDvdFolder(const RegKey& service, const std::string& name) {
  if (!service.HasValue(name)) return std::string();
  return service.ReadString(name);
}

// True when the folders come from the user's recorded values.
bool ProposeDvdFolders(TFAppInfo& app, const DefaultsInputs& in) {
  const std::string mapped_setup_dir = Mapped(in, in.SetupDir);
  RegKey service = RegKey::Open(ProductRoots().user, ServiceKeyPath(kProduct));
  for (int n = 1; n <= kDvdCount; ++n) {
    std::string& entry = app.DVDPaths[static_cast<std::size_t>(n - 1)];
    if (!service) {
      entry = Mapped(in, ExtractFileDrive(in.SetupDir) + "\\");
      continue;
    }
    std::optional<std::string> value = ReadDvdFolder(service, "DVDPath" + std::to_string(n));
    if (!value) {
      entry = mapped_setup_dir;
    } else if (value->empty()) {
      // An unset DVD follows DVD 1; for DVD 1 itself (entry 0 is this very
      // entry) there is nothing to follow yet.
      const bool follows_first = n > 1 && !app.DVDPaths[0].empty();
      entry = follows_first ? app.DVDPaths[0] : mapped_setup_dir;
    } else {
      entry = *value;
    }
  }
  app.DVDPathCount = kDvdCount;
  return static_cast<bool>(service);
}

}  // namespace

DefaultsInputs DefaultsInputs::FromRunValues() {
  return DefaultsInputs{kestra::SetupDir, kestra::SetupDrive, kestra::VistaOrLater};
}

DestinationDefaults LoadDestinationDefaults(const TFInstAppInfo& handed_in,
                                            const DefaultsInputs& in) {
  DestinationDefaults out{handed_in, {}};
  TFInstAppInfo& record = out.Record;
  PageDefaults& page = out.Page;

  const std::string pf = ProgramFilesFolder();
  page.DefaultIndexDir =
      in.VistaOrLater
          ? AddBackslash(ExtractFileDrive(pf)) + "ZEL\\" + ProductFolder() + kIndexFolder
          : pf + ProductFolder() + kIndexFolder;
  page.DvdIndexDir = AddBackslash(Mapped(in, in.SetupDir)) + kIndexFolder;
  page.RegisteredIndexDir = RecordedIndexFolder();
  page.RegisteredIndexFound = HoldsIndexMarker(page.RegisteredIndexDir);

  record.AppInfo.ProductName = kProduct.title;
  record.AppInfo.ProductIndex = kProductIndex;

  const bool product_key_present =
      static_cast<bool>(RegKey::Open(ProductRoots().machine, ProductKeyPath(kProduct)));
  RegKey app_paths = RegKey::Open(ProductRoots().machine, AppPathsKeyPath(kProduct));
  if (app_paths || !page.RegisteredIndexDir.empty())
    ProposeFromTraces(record, pf, product_key_present, app_paths);
  else
    ProposeFresh(record, pf);

  page.DvdFoldersRecorded = ProposeDvdFolders(record.AppInfo, in);
  record.AppCount = 1;
  return out;
}

}  // namespace kestra
