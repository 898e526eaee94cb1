// Program entry of DIRPICK: the folder helper that SETUP starts as the desktop
// user. It answers one folder (or "NG") on standard output and ends.
#include <windows.h>

#include <objbase.h>

#include <string>
#include <vector>

#include "Unit1.h"
#include "system/SystemLibrary.h"
#include "ui/Application.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  // Before anything can load a library: DIRPICK lies beside SETUP in a folder
  // others may write, and a library named without a path must not come from there.
  kestra::RestrictLibrarySearchToSystemFolder();
  std::vector<std::string> argv;
  for (int i = 0; i < __argc; ++i) argv.emplace_back(__argv[i]);
  // No arguments: nothing to do, and nothing is written.
  if (argv.size() <= 1) return 0;

  // The folder dialog's new style needs COM on this thread.
  ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  kestra::Application.Initialize(instance);
  kestra::Application.SetTitle("フォルダ選択");
  // No taskbar button for DIRPICK.
  const HWND application = kestra::Application.Handle();
  ::SetWindowLongA(application, GWL_EXSTYLE,
                   ::GetWindowLongA(application, GWL_EXSTYLE) | WS_EX_TOOLWINDOW);

  dirpick::TForm1 form1(std::move(argv));
  form1.Create();
  form1.Start();
  kestra::Application.RunLoop();
  ::CoUninitialize();
  return 0;
}
