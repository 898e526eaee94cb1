#include "FolderDialog.h"

#include <windows.h>

#include <stdexcept>
#include <thread>

#include "WineTestEnv.h"

namespace pickertest {

namespace {

bool ShowsTitle(const uidrv::Window& window) {
  if (window.ClassName() != "#32770") return false;
  for (const uidrv::Window& child : window.Children())
    if (child.Text() == kDialogTitle) return true;
  return false;
}

uidrv::Window FindFolderDialog() {
  for (const uidrv::Window& window : uidrv::VisibleTopLevelWindows())
    if (ShowsTitle(window)) return window;
  return uidrv::Window();
}

}  // namespace

uidrv::Window WaitForFolderDialog(uidrv::Millis timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (std::chrono::steady_clock::now() < deadline) {
    if (uidrv::Window dialog = FindFolderDialog(); dialog.Handle()) return dialog;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  throw std::runtime_error("no folder dialog:\n" + uidrv::DescribeWindows(0));
}

bool FolderDialogGone(uidrv::Millis timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    if (!FindFolderDialog().Handle()) return true;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

namespace {

// Posted, as a click arrives: the dialog may run in this very process, whose
// thread is inside the dialog's modal loop.
void Press(const uidrv::Window& dialog, int id) {
  ::PostMessageA(dialog.ChildById(id).Handle(), BM_CLICK, 0, 0);
}

}  // namespace

void ChooseShownFolder(const uidrv::Window& dialog) {
  // Wine's browser selects the start folder a moment after it shows; the
  // status text (set by the pickers' callbacks) tells when it has.
  const uidrv::Window status = dialog.ChildById(kStatusTextId);
  for (int i = 0; i < 250 && status.Text().empty(); ++i) ::Sleep(20);
  Press(dialog, IDOK);
}
void CancelDialog(const uidrv::Window& dialog) { Press(dialog, IDCANCEL); }

std::string ScratchFolder(const std::string& name) {
  // One level below a drive root: Wine's browser does not reliably preselect
  // deeper folders.
  const std::string folder = "C:\\kestra_pick_" + name + "\\";
  testenv::ResetFolder(folder);
  return folder;
}

}  // namespace pickertest
