#include "system/Messages.h"

#include <windows.h>

namespace kestra {

namespace {
bool quit_requested = false;
}

void ProcessMessages() {
  MSG msg;
  while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      quit_requested = true;
      continue;
    }
    // Dialog navigation (Tab, Enter) of the active window works while we pump.
    HWND active = ::GetActiveWindow();
    if (active && ::IsDialogMessageA(active, &msg)) continue;
    ::TranslateMessage(&msg);
    ::DispatchMessageA(&msg);
  }
}

bool QuitRequested() { return quit_requested; }
void SetQuitRequested() { quit_requested = true; }

}  // namespace kestra
