// Program entry of SETUP: the single-instance guard, the application and its
// forms, and the message loop in which the main form's show event runs the run.
#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "deploy/RunOptions.h"
#include "deploy/RunReport.h"
#include "install/FileInst.h"
#include "startup/SETUPU.h"
#include "system/ComPtr.h"
#include "system/ExitCodes.h"
#include "system/Handles.h"
#include "system/ProductTable.h"
#include "system/RunLog.h"
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
  const RunOptions options = ParseRunOptions(CommandLineArguments());
  const auto finish = [] { return FinishRunLog(RunExitCode()); };
  // A plan that cannot be written is no plan: the run ends before it starts.
  if (!OpenRunLog(options)) return kExitFailed;

  // Another SETUP is running: end at once, with no window and no message.
  if (KernelHandle other{::OpenMutexA(MUTEX_ALL_ACCESS, FALSE, kMutexName)}) {
    runlog::Write("Another SETUP is running");
    EndRunWith(kExitRetryLater);
    return finish();
  }
  // Held until the process ends.
  KernelHandle only_setup{::CreateMutexA(nullptr, FALSE, kMutexName)};

  // The GUI thread's apartment, for the shell links of the install run.
  ComApartment com;
  Application.Initialize(instance);
  Application.SetTitle(kApplicationTitle);
  Application.SetUnattended(options.Unattended());
  if (options.help) {
    // The list of options is the only window of -HELP.
    Application.SetUnattended(false);
    Application.Show({Msg::Help});
    return finish();
  }

  TSetupAbortMsg abort_msg;
  TConsentDlg consent(abort_msg);
  TSettingDlg setting(abort_msg);
  TFileInstDlg file_inst;
  TUnInstDlg uninst;
  TForm1 form1(SetupForms{consent, abort_msg, setting, file_inst, uninst}, options);

  form1.Create();
  consent.Create();
  abort_msg.Create();
  setting.Create();
  file_inst.Create();
  uninst.Create();

  Application.Run(form1);
  return finish();
}
