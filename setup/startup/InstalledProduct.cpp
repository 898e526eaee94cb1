#include "startup/InstalledProduct.h"

#include <windows.h>

#include <vector>

#include "system/ProductPlaces.h"
#include "system/FileSys.h"
#include "system/Messages.h"
#include "system/ProductTable.h"
#include "system/Registry.h"
#include "system/SysQuery.h"

namespace kestra {

namespace {

// Reads one value of SETUP.INF through the profile API; missing values are "".
std::string ReadSetupInf(const std::string& inf_path, const char* section, const char* key) {
  std::vector<char> buffer(1024);
  for (;;) {
    DWORD got = ::GetPrivateProfileStringA(section, key, "", buffer.data(),
                                           static_cast<DWORD>(buffer.size()), inf_path.c_str());
    if (got + 1 < buffer.size()) return std::string(buffer.data(), got);
    buffer.resize(buffer.size() * 2);
  }
}

// An older copy when the DVD's version is greater at the first part where they differ.
int32_t CompareForUpgrade(const std::string& installed, const std::string& dvd) {
  return IsNewerVersion(dvd, installed) ? kOlderInstalled : kNothingToDo;
}

}  // namespace

int32_t DetectInstalled(const std::string& setup_dir) {
  const std::string inf_path = setup_dir + "SETUP.INF";
  if (!FileExists(inf_path)) return kNothingToDo;

  std::string installed_version;
  {
    RegKey product = RegKey::Open(ProductRoots().machine, ProductKeyPath(kProduct));
    if (!product) return kNotInstalled;
    installed_version = product.ReadStringOr("Version");
  }
  RegKey app_paths = RegKey::Open(ProductRoots().machine, AppPathsKeyPath(kProduct));
  if (!app_paths) return kNotInstalled;
  if (!FileExists(app_paths.ReadStringOr(""))) return kNotInstalled;

  try {
    return CompareForUpgrade(installed_version, ReadSetupInf(inf_path, "Products", "Version"));
  } catch (...) {
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
  if (RegKey product = RegKey::Open(ProductRoots().machine, ProductKeyPath(kProduct)))
    product.WriteString("upgSetup", "0");
  // Quoted: from a DVD image in a folder with blanks, an unquoted path would
  // start whatever program is named after the path's first word.
  const std::string command = "\"" + tool + "\" -S";
  ::WinExec(command.c_str(), SW_SHOW);
  for (int attempt = 0; attempt < 151; ++attempt) {
    if (RegKey product = RegKey::Open(ProductRoots().machine, ProductKeyPath(kProduct))) {
      if (product.ReadStringOr("upgSetup") != "0") break;
    }
    ::Sleep(100);
    ProcessMessages();
  }
}

}  // namespace kestra
