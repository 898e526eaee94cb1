// The folder pickers of the wizard, one per kind of system, and the DVD
// selection. The settings page decides which to call; each picker returns true
// and replaces folder (the start folder going in) when the user picked one, and
// leaves folder alone when the user cancelled.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace kestra {

// Modes of the installer's own directory dialog.
inline constexpr int kDirSelApplication = 0;
inline constexpr int kDirSelIndex = 1;
inline constexpr int kDirSelPlain = -1;

// Windows before Vista: the installer's own directory dialog, owned by owner.
bool PickFolderOldWindows(HWND owner, int dir_sel_mode, std::string& folder);
// Windows Vista and 7: the shell's folder browser in this process.
bool PickFolderInProcess(std::string& folder);
// Windows 8 and later: the folder dialog run as the logged-on desktop user;
// owner none means the application window.
bool PickFolderAsDesktopUser(HWND owner, std::string& folder, bool allow_new_folder);

// The DVD drive selection: edits work_list in place (entry 0 empty, entries 1
// to 23 the folders of DVDs 1 to 23); loaded_list holds the folders as the page
// loaded them (for undo). Returns the modal result, 1.
int ShowDvdSelection(HWND owner, std::vector<std::string>& work_list,
                     const std::vector<std::string>& loaded_list, const std::string& product_title,
                     int setup_mode);

}  // namespace kestra
