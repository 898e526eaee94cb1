// The folder dialog of DIRPICK: the shell's folder browser, started at a
// folder, answering the chosen file-system folder.
#pragma once

#include <windows.h>

#include <string>

namespace dirpick {

// Shows the folder dialog starting at folder (its drive alone when the drive
// is ready but the folder does not exist). True, and folder replaced by the
// chosen one, when the user picked a folder; false on cancel or when the shell
// allocator is unavailable. An item without a file-system path (such as
// "My Computer") shows the dialog again.
bool BrowseFolder(std::string& folder, bool allow_new_folder);

// The dialog's callback: preselects the start folder (callback data), keeps
// the dialog on top, and shows the selected path as status text.
int CALLBACK FolderDialogCallback(HWND dialog, UINT message, LPARAM item, LPARAM data);

// The flags of the dialog: 0x45 with the new-folder button, 0x05 without.
UINT BrowseFlags(bool allow_new_folder);

}  // namespace dirpick
