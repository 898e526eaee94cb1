// Stand-in for the desktop shell (Explorer): a window that registers itself as
// the shell window, so that GetShellWindow names this process and its token
// is the desktop user's. Under Wine's null driver there is no shell otherwise.
// It runs until closed (WM_CLOSE) or killed; exit code 2 when it could not
// become the shell (another shell window exists).
#include <windows.h>

namespace {

LRESULT CALLBACK ShellProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  if (msg == WM_DESTROY) {
    ::PostQuitMessage(0);
    return 0;
  }
  return ::DefWindowProcA(hwnd, msg, wparam, lparam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  WNDCLASSA window_class{};
  window_class.lpfnWndProc = ShellProc;
  window_class.hInstance = instance;
  window_class.lpszClassName = "KestraDesktopShell";
  ::RegisterClassA(&window_class);
  const HWND shell = ::CreateWindowExA(0, "KestraDesktopShell", "Desktop", WS_POPUP, 0, 0, 1, 1,
                                       nullptr, nullptr, instance, nullptr);
  // Not in every SDK's headers: resolved at run time.
  using SetShellWindowFn = BOOL(WINAPI*)(HWND);
  auto set_shell_window = reinterpret_cast<SetShellWindowFn>(reinterpret_cast<void*>(
      ::GetProcAddress(::GetModuleHandleA("user32.dll"), "SetShellWindow")));
  if (!shell || !set_shell_window || !set_shell_window(shell)) return 2;
  MSG msg;
  while (::GetMessageA(&msg, nullptr, 0, 0) > 0) ::DispatchMessageA(&msg);
  return 0;
}
