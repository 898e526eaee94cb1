// Shortcuts of the installed product and the PDF viewer control's registration.
#include "install/Shortcuts.h"

#include "install/InstallRun.h"
#include "install/FileList.h"
#include "install/RegistryLayout.h"
#include "install/ShellLink.h"
#include "system/ProductPlaces.h"
#include "system/FileSys.h"
#include "system/Registry.h"
#include "system/RunLog.h"
#include "system/RunValues.h"
#include "system/SysQuery.h"

namespace kestra {

ShellFolderValue ProgramMenuValue(bool nt_platform) {
  if (nt_platform) return {HKEY_LOCAL_MACHINE, "Common Programs"};
  return {HKEY_CURRENT_USER, "Programs"};
}

ShellFolderValue DesktopValue(bool system_account) {
  if (system_account) return {HKEY_LOCAL_MACHINE, "Common Desktop"};
  return {HKEY_CURRENT_USER, kDesktopValue};
}

std::string GuideLinkName(const ProductRow& product, bool win8_or_later) {
  const std::string word = std::string(kGuideLinkWord) + kLinkExtension;
  return win8_or_later ? std::string(product.program_folder) + " " + word : word;
}

std::string GuidePath(const std::string& install_dir) {
  return AddBackslash(install_dir) + kGuideFile;
}

ShortcutPlan PlanShortcuts(const ProductRow& product, const ShortcutInputs& inputs) {
  ShortcutPlan plan;
  plan.application = AddBackslash(inputs.install_dir) + product.application;
  plan.guide = GuidePath(inputs.install_dir);
  if (!inputs.desktop_folder.empty())
    plan.desktop_link = AddBackslash(inputs.desktop_folder) + product.desktop_link + kLinkExtension;
  if (!inputs.program_menu_folder.empty()) {
    plan.start_menu_folder = AddBackslash(inputs.program_menu_folder) + product.program_folder;
    plan.start_menu_link = plan.start_menu_folder + "\\" + product.title + kLinkExtension;
    if (inputs.guide_installed)
      plan.guide_link =
          plan.start_menu_folder + "\\" + GuideLinkName(product, inputs.win8_or_later);
  }
  return plan;
}

std::string PdfControlPath(const std::string& win_drive_root) {
  return CommonBase(win_drive_root) + "COM\\FoxitReader_AX_Std.ocx";
}

std::string RegisterControlCommand(const std::string& system_folder,
                                   const std::string& control_path) {
  if (system_folder.empty()) return std::string();
  const std::string regsvr32 = AddBackslash(system_folder) + "REGSVR32.EXE";
  return "\"" + regsvr32 + "\" /S \"" + control_path + "\"";
}

bool InstallRun::IsNTPlatform() {
  OsVersionRecord version;
  return GetOSVersion(version) && version.platform == VER_PLATFORM_WIN32_NT;
}

void InstallRun::CreateShortcuts() {
  // The shortcuts are a convenience: whatever goes wrong here ends the step
  // quietly and the installation goes on.
  try {
    for (int32_t pass = 0; pass < AppInfo.AppCount; ++pass)
      if (!CreateShortcutsOnce()) break;
  } catch (const std::exception&) {
  }
}

void InstallRun::RecordShortcut(const std::string& path) {
  FFileList.push_back(std::to_string(AppInfo.AppInfo.ProductIndex) + "," + path);
}

namespace {

// The folders and files the shortcuts of an installation into install_dir
// depend on, as this machine has them now.
ShortcutInputs ShortcutInputsFor(const std::string& install_dir) {
  ShortcutInputs inputs;
  inputs.install_dir = install_dir;
  inputs.guide_installed = FileExists(GuidePath(install_dir));
  inputs.win8_or_later = Win8OrLater;
  // Opened with full access, as every key: without administrator rights the
  // all-users Start menu stays closed and only the desktop gets its shortcut.
  const ShellFolderValue desktop = DesktopValue(RunsAsSystem);
  inputs.desktop_folder =
      RegKey::Open(ProductRootOf(desktop.root), kShellFoldersKey).ReadStringOr(desktop.name);
  const ShellFolderValue menu = ProgramMenuValue(InstallRun::IsNTPlatform());
  if (RegKey menu_key = RegKey::Open(ProductRootOf(menu.root), kShellFoldersKey))
    inputs.program_menu_folder = menu_key.ReadStringOr(menu.name);
  return inputs;
}

}  // namespace

bool InstallRun::CreateShortcutsOnce() {
  const ShortcutPlan plan = PlanShortcuts(ProductRowOf(AppInfo.AppInfo.ProductIndex),
                                          ShortcutInputsFor(AppInfo.AppInfo.InstallDir));
  const std::optional<ShellLink> application = ShellLink::To(plan.application);
  if (!application) return false;
  if (!plan.desktop_link.empty()) {
    application->SaveAs(plan.desktop_link);
    RecordShortcut(plan.desktop_link);
  }
  if (plan.start_menu_folder.empty()) return true;

  // The folders made here are recorded, so that the uninstaller removes them.
  std::string created;
  MakeDirs(std::to_string(AppInfo.AppInfo.ProductIndex), plan.start_menu_folder, created);
  RecordCreatedFolders(created);
  application->SaveAs(plan.start_menu_link);
  RecordShortcut(plan.start_menu_link);

  if (plan.guide_link.empty()) return true;
  const std::optional<ShellLink> guide = ShellLink::To(plan.guide);
  if (!guide) return false;
  guide->SaveAs(plan.guide_link);
  RecordShortcut(plan.guide_link);
  return true;
}

void InstallRun::RegisterPDFViewer() {
  const std::string control = PdfControlPath(WinDriveRoot);
  // REGSVR32's verdict is not asked for: the installation is complete, and
  // the viewer's choice is recorded either way. Without a system folder
  // there is no REGSVR32 to trust, and the control stays unregistered.
  const std::string command = RegisterControlCommand(SystemFolder(), control);
  if (FileExists(control) && !command.empty()) {
    RunProgram(command, true);
  }
  WriteRegistryValues({TextValue(ProductRoots().machine, RemoveBackslash(ProductKeyPath(kProduct)),
                                 kPdfViewerValue, kPdfViewerChoice)});
}

}  // namespace kestra
