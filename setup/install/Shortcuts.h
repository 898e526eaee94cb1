// The decisions of the shortcut and component step, apart from the install
// dialog so that they can be checked without a window: which shortcuts an
// installation makes and under which names, where the Start menu is looked up,
// and how the PDF viewer control is registered.
#pragma once

#include <windows.h>

#include <string>

#include "system/ProductTable.h"

namespace kestra {

// The shell keeps the folders of the desktop and the Start menu here, under
// HKEY_CURRENT_USER for the user's own and HKEY_LOCAL_MACHINE for all users.
inline constexpr char kShellFoldersKey[] =
    "Software\\MicroSoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
inline constexpr char kDesktopValue[] = "Desktop";

inline constexpr char kLinkExtension[] = ".LNK";
// The user's guide, below the application folder.
inline constexpr char kGuideFile[] = "MANUAL\\利用ガイド.PDF";
inline constexpr char kGuideLinkWord[] = "利用ガイド";

// Where the program menu folder is read: the all-users Start menu on the NT
// platform, the user's own on the older Windows, which have no other.
struct ShellFolderValue {
  HKEY root;
  const char* name;
};
ShellFolderValue ProgramMenuValue(bool nt_platform);
// Where the desktop folder is read: the user's own, or the all-users desktop
// for a run of the SYSTEM account, whose own desktop nobody sees.
ShellFolderValue DesktopValue(bool system_account);

// File name of the guide's shortcut. From Windows 8 on the Start screen lists
// every shortcut without its folder, so the name carries the program folder's.
std::string GuideLinkName(const ProductRow& product, bool win8_or_later);

// The user's guide as installed in the application folder.
std::string GuidePath(const std::string& install_dir);

// What the shortcuts of one pass depend on.
struct ShortcutInputs {
  std::string install_dir;
  std::string desktop_folder;       // empty when the shell names none
  std::string program_menu_folder;  // empty when its key cannot be opened
  bool guide_installed = false;
  bool win8_or_later = false;
};

// The shortcuts of one pass (full paths; empty: not made). A folder that is
// unknown makes no shortcut there: a name relative to the working folder would
// land on the DVD.
struct ShortcutPlan {
  std::string application;        // target of the application shortcuts
  std::string guide;              // target of the guide's shortcut
  std::string desktop_link;
  std::string start_menu_folder;  // program menu folder + program folder name
  std::string start_menu_link;
  std::string guide_link;         // in the Start-menu folder
};
ShortcutPlan PlanShortcuts(const ProductRow& product, const ShortcutInputs& inputs);

// The PDF viewer control in the shared folder of the system drive's root.
std::string PdfControlPath(const std::string& win_drive_root);
// The command line that registers it silently: REGSVR32 of the system folder
// by its full path, never a REGSVR32.EXE that lies beside SETUP (a bare name
// is searched in the program's own folder first). For a 32-bit SETUP on
// 64-bit Windows the system folder leads to SysWOW64, whose REGSVR32 is the
// one for a 32-bit control. Empty when the system folder is unknown.
std::string RegisterControlCommand(const std::string& system_folder,
                                   const std::string& control_path);

// Where the viewer reads which PDF viewer to use.
inline constexpr char kPdfViewerValue[] = "PDFViewer";
inline constexpr char kPdfViewerChoice[] = "FOXIT";

}  // namespace kestra
