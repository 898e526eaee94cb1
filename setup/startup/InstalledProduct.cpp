#include "startup/InstalledProduct.h"

#include <windows.h>

#include <vector>

#include "script/Profile.h"
#include "system/ProductPlaces.h"
#include "system/Changes.h"
#include "system/FileSys.h"
#include "system/Messages.h"
#include "system/ProductTable.h"
#include "system/RegistryWrites.h"
#include "system/Registry.h"
#include "system/RunLog.h"
#include "system/SysQuery.h"
#include "system/Version.h"

namespace kestra {

namespace {


}  // namespace

InstalledCopyFacts ReadInstalledCopy(const std::string& setup_dir) {
  InstalledCopyFacts facts;
  const std::string inf_path = setup_dir + "SETUP.INF";
  facts.setup_inf = FileExists(inf_path);
  if (!facts.setup_inf) return facts;
  if (RegKey product = RegKey::Open(ProductRoots().machine, ProductKeyPath(kProduct))) {
    facts.product_key = true;
    facts.installed_version = product.ReadStringOr("Version");
  }
  if (RegKey app_paths = RegKey::Open(ProductRoots().machine, AppPathsKeyPath(kProduct)))
    facts.viewer_file = FileExists(app_paths.ReadStringOr(""));
  facts.dvd_version = ReadIniString(inf_path, "Products", "Version");
  return facts;
}

int32_t DecideInstalled(const InstalledCopyFacts& facts) {
  if (!facts.setup_inf) return kNothingToDo;
  if (!facts.product_key || !facts.viewer_file) return kNotInstalled;
  // An older copy when the DVD's version is greater at the first part where they differ.
  return IsNewerVersion(facts.dvd_version, facts.installed_version) ? kOlderInstalled
                                                                    : kNothingToDo;
}

int32_t DetectInstalled(const std::string& setup_dir) {
  try {
    return DecideInstalled(ReadInstalledCopy(setup_dir));
  } catch (...) {
    // SETUP.INF that cannot be read or compared counts as no installed copy.
    return kNotInstalled;
  }
}

bool IsViewerRunning() {
  return ::FindWindowA(kViewerWindowClass, kViewerWindowTitle) != nullptr;
}

int32_t ProgramOnlyUpdateFlag() {
  std::string version;
  if (RegKey product = RegKey::Open(ProductRoots().machine, ProductKeyPath(kProduct)))
    version = product.ReadStringOr("Version");
  return (version == "1.9.3" || version == "1.9.2") ? 100 : 0;
}

void RunUpgradeTool(const std::string& setup_dir) {
  const std::string tool = setup_dir + "PLUS\\UPDATE\\UPGSETUP.EXE";
  if (!FileExists(tool)) return;
  const std::string product_key = RemoveBackslash(ProductKeyPath(kProduct));
  if (RegKey::Open(ProductRoots().machine, product_key, KEY_READ))
    WriteRegistryValues({TextValue(ProductRoots().machine, product_key, "upgSetup", "0")});
  // Quoted: from a DVD image in a folder with blanks, an unquoted path would
  // start whatever program is named after the path's first word.
  const std::string command = "\"" + tool + "\" -S";
  if (changes::Planning()) {
    changes::Plan(changes::Kind::RunProgram, command, "and wait at most 15 s for its signal");
    return;
  }
  const UINT started = ::WinExec(command.c_str(), SW_SHOW);
  changes::Made(changes::Kind::RunProgram, command, "WinExec " + std::to_string(started));
  for (int attempt = 0; attempt < 151; ++attempt) {
    if (RegKey product = RegKey::Open(ProductRoots().machine, ProductKeyPath(kProduct))) {
      if (product.ReadStringOr("upgSetup") != "0") {
        runlog::Write("Upgrade tool: done");
        return;
      }
    }
    ::Sleep(100);
    ProcessMessages();
  }
  runlog::Write("Upgrade tool: no signal within 15 seconds; the run goes on");
}

}  // namespace kestra
