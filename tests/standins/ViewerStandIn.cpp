// Stand-in for the product's viewer (KESTRA.EXE): its main window, found by
// class and title, stays open until closed (WM_CLOSE) or the process is killed.
//   KESTRA.EXE [--hold PATH]
// --hold keeps PATH open while the viewer runs, shared for reading and writing
// but not for deletion, as a running program holds its own files; it ends with
// exit code 2 at once when PATH cannot be opened.
#include <windows.h>

#include <string>

#include "system/Handles.h"

namespace {

// Written out here rather than taken from SETUP's sources, so that the tests
// catch a SETUP that looks for the wrong window.
constexpr char kWindowClass[] = "TMainFrm";
constexpr char kWindowTitle[] = "ケストラ DVD";

LRESULT CALLBACK MainFrameProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  if (msg == WM_DESTROY) {
    ::PostQuitMessage(0);
    return 0;
  }
  return ::DefWindowProcA(hwnd, msg, wparam, lparam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  kestra::FileHandle held;
  if (__argc >= 3 && std::string(__argv[1]) == "--hold") {
    held.reset(::CreateFileA(__argv[2], GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!held) return 2;
  }

  WNDCLASSA window_class{};
  window_class.lpfnWndProc = MainFrameProc;
  window_class.hInstance = instance;
  window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  window_class.lpszClassName = kWindowClass;
  ::RegisterClassA(&window_class);
  HWND main_frame = ::CreateWindowExA(0, kWindowClass, kWindowTitle, WS_OVERLAPPEDWINDOW, 40, 40,
                                      640, 480, nullptr, nullptr, instance, nullptr);
  if (!main_frame) return 1;
  ::ShowWindow(main_frame, SW_SHOW);

  MSG msg;
  while (::GetMessageA(&msg, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&msg);
    ::DispatchMessageA(&msg);
  }
  return 0;
}
