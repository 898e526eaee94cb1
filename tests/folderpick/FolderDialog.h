// The shell's folder dialog as the folder pickers show it (in DIRPICK or in the
// test process), found from another thread or process and answered as a user would.
#pragma once

#include <string>

#include "UiDriver.h"

namespace pickertest {

inline constexpr char kDialogTitle[] = "フォルダを選択して下さい。";
// The status text control of Wine's folder browser.
inline constexpr int kStatusTextId = 14147;

// The folder dialog showing kDialogTitle, in any process; throws on time-out.
uidrv::Window WaitForFolderDialog(uidrv::Millis timeout = uidrv::kDefaultWait);
// Waits until no folder dialog is shown.
bool FolderDialogGone(uidrv::Millis timeout = uidrv::kDefaultWait);
// Its buttons, by id.
void ChooseShownFolder(const uidrv::Window& dialog);  // OK, once a folder is selected
void CancelDialog(const uidrv::Window& dialog);       // Cancel

// A fresh folder of plain ASCII name for a test (with trailing backslash).
std::string ScratchFolder(const std::string& name);

}  // namespace pickertest
