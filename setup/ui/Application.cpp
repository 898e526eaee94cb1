#include "ui/Application.h"

#include <commctrl.h>

#include "system/Messages.h"
#include "ui/Form.h"

namespace kestra {

TApplication Application;

namespace {

constexpr char kApplicationClass[] = "TApplication";

LRESULT CALLBACK ApplicationWndProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  // The application window never closes by itself: the run ends through Terminate.
  if (msg == WM_CLOSE) return 0;
  return ::DefWindowProcA(hwnd, msg, wparam, lparam);
}

}  // namespace

void TApplication::Initialize(HINSTANCE instance) {
  instance_ = instance;
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS | ICC_ANIMATE_CLASS |
                                                     ICC_STANDARD_CLASSES | ICC_LISTVIEW_CLASSES |
                                                     ICC_TAB_CLASSES};
  ::InitCommonControlsEx(&controls);

  WNDCLASSA wc{};
  wc.lpfnWndProc = ApplicationWndProc;
  wc.hInstance = instance;
  wc.lpszClassName = kApplicationClass;
  wc.hIcon = ::LoadIconA(instance, MAKEINTRESOURCEA(1));
  ::RegisterClassA(&wc);
  // Zero-sized and never shown: it owns the message boxes and the forms.
  handle_ = ::CreateWindowExA(0, kApplicationClass, title_.c_str(),
                              WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS | WS_SYSMENU |
                                  WS_MINIMIZEBOX,
                              0, 0, 0, 0, nullptr, nullptr, instance, nullptr);
}

void TApplication::SetTitle(const std::string& title) {
  title_ = title;
  if (handle_) ::SetWindowTextA(handle_, title_.c_str());
}

void TApplication::Run(TForm& main_form) {
  // Creating the forms may already have failed and asked the run to end.
  if (Terminated()) return;
  main_form.Show();
  RunLoop();
}

void TApplication::RunLoop() {
  MSG msg;
  while (!Terminated() && ::GetMessageA(&msg, nullptr, 0, 0) > 0) {
    HWND active = ::GetActiveWindow();
    if (active && ::IsDialogMessageA(active, &msg)) continue;
    ::TranslateMessage(&msg);
    ::DispatchMessageA(&msg);
  }
}

void TApplication::Terminate() {
  if (terminate_posted_) return;
  terminate_posted_ = true;
  ::PostQuitMessage(0);
}

bool TApplication::Terminated() const { return terminate_posted_ || QuitRequested(); }

void TApplication::ProcessMessages() { kestra::ProcessMessages(); }

int TApplication::Show(const Message& message) {
  const MessageEntry& entry = CatalogueEntry(message.id);
  return ::MessageBoxA(handle_, MessageText(message).c_str(), entry.caption, entry.flags);
}

}  // namespace kestra
