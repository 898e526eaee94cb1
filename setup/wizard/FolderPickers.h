// The folder pickers of Windows Vista and later. Each returns true and
// replaces folder (the start folder going in) when the user picked one, and
// leaves folder alone when the user cancelled. Before Vista the wizard uses its
// own directory dialog (wizard/DirSel.h) instead.
#pragma once

#include <windows.h>

#include <string>

namespace kestra {

// Windows 8 and later: the folder dialog run as the logged-on desktop user;
// owner none means the application window.
bool BrowseAsDesktopUser(HWND owner, std::string& folder, bool allow_new_folder);
// Windows Vista and 7: the shell's folder browser in this process.
bool BrowseForFolder(std::string& folder);

}  // namespace kestra
