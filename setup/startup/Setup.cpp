// Program entry of SETUP: the single-instance guard, the application and its
// forms, and the message loop in which the main form's show event runs the run.
#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "install/FileInst.h"
#include "startup/SETUPU.h"
#include "system/ComPtr.h"
#include "system/Handles.h"
#include "system/ProductTable.h"
#include "system/SystemLibrary.h"
#include "ui/Application.h"
#include "uninstall/UnInst.h"
#include "wizard/Consent.h"
#include "wizard/Setting.h"
#include "wizard/SetupAbort.h"

namespace {

// The arguments after the program name, as the C runtime split them.
std::vector<std::string> CommandLineArguments() {
  std::vector<std::string> args;
  for (int i = 1; i < __argc; ++i) args.emplace_back(__argv[i]);
  return args;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  // Before anything can load a library: SETUP runs elevated from folders
  // others may write, and a library named without a path must not come from there.
  kestra::RestrictLibrarySearchToSystemFolder();
  using namespace kestra;
  // Another SETUP is running: end at once, with no window and no message.
  if (KernelHandle other{::OpenMutexA(MUTEX_ALL_ACCESS, FALSE, kMutexName)}) return 0;
  // Held until the process ends.
  KernelHandle only_setup{::CreateMutexA(nullptr, FALSE, kMutexName)};

  // The GUI thread's apartment, for the shell links of the install run.
  ComApartment com;
  Application.Initialize(instance);
  Application.SetTitle(kApplicationTitle);

  TSetupAbortMsg abort_msg;
  TConsentDlg consent(abort_msg);
  TSettingDlg setting(abort_msg);
  TFileInstDlg file_inst;
  TUnInstDlg uninst;
  TForm1 form1(SetupForms{consent, abort_msg, setting, file_inst, uninst}, CommandLineArguments());

  form1.Create();
  consent.Create();
  abort_msg.Create();
  setting.Create();
  file_inst.Create();
  uninst.Create();

  Application.Run(form1);
  return 0;
}
