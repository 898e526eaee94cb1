#include "startup/SETUPU.h"

#include <windows.h>

#include "install/FileInst.h"
#include "startup/InstalledProduct.h"
#include "startup/RunOptions.h"
#include "startup/SearchPath.h"
#include "startup/StartPlan.h"
#include "system/AppInfo.h"
#include "system/FileSys.h"
#include "system/Mbcs.h"
#include "system/ProductTable.h"
#include "system/RunValues.h"
#include "system/SysQuery.h"
#include "system/TestSeams.h"
#include "ui/Application.h"
#include "ui/UnexpectedError.h"
#include "uninstall/UnInst.h"
#include "wizard/Consent.h"
#include "wizard/Setting.h"

namespace kestra {

TForm1::TForm1(SetupForms forms, std::vector<std::string> args)
    : TForm("TForm1", "Form1", 139, 77, FormBorder::ToolWindow),
      forms_(forms),
      args_(std::move(args)) {}

void TForm1::FormCreate() {
  // Off screen: the form is "shown" only so that its show event runs the run.
  SetPosition(-300, -300);
}

void TForm1::FormShow() {
  try {
    RunMainSequence();
  } catch (...) {
    ReportUnexpectedError();
    End();
  }
}

void TForm1::End() {
  FFinished = true;
  Application.Terminate();
}

StartFacts TForm1::ReadStartFacts() {
  StartFacts facts;
  facts.options = ParseRunOptions(args_);
  facts.detected = DetectInstalled();
  facts.vista_or_later = VistaOrLater = IsVistaOrLater();
  Win8OrLater = IsWin8OrLater();
  facts.drive_letter_found = facts.vista_or_later && FindDriveLetter(SetupDir, SetupDrive);
  facts.viewer_running = IsViewerRunning();
  facts.admin = IsAdmin();
  facts.setup_drive = ExtractFileDrive(SetupDir);
  return facts;
}

void TForm1::RunMainSequence() {
  seams::FaultPoint("main");
  std::string windows = WindowsFolder();
  WinDriveRoot = windows.substr(0, 3);
  SetupDir = AddBackslash(ExtractFilePath(ProgramFilePath()));
  FSetupDriveType = static_cast<int32_t>(::GetDriveTypeA(SetupDir.c_str()));

  const StartPlan plan = PlanStart(ReadStartFacts());
  if (plan.message) Application.Show(*plan.message);
  switch (plan.step) {
    case StartStep::End:
      End();
      return;
    case StartStep::Uninstall:
      forms_.uninst.ShowModal();
      End();
      return;
    case StartStep::Install:
      state_ = RunState::Install;
      break;
    case StartStep::Upgrade:
      state_ = RunState::Upgrade;
      break;
  }
  forms_.setting.RunMode = plan.run_mode;
  InitAppInfo(FAppInfo);

  if (state_ == RunState::Install) {
    if (forms_.consent.ShowModal() != mrOk) {
      End();
      return;
    }
  } else {
    if (!AskUpgrade()) return;
    CheckProgramOnlyUpdate();
  }

  if (!RunSettingsPage()) return;
  if (!RunInstall()) return;
  ExtendSearchPath();
  if (FFinished) return;

  Application.Show({state_ == RunState::Install ? Msg::InstallDone : Msg::UpgradeDone});
  End();
}

bool TForm1::AskUpgrade() {
  int answer = Application.Show({Msg::UpgradeQuestion, {kProduct.title}});
  if (answer == IDNO) {
    End();
    return false;
  }
  return true;
}

bool TForm1::RunSettingsPage() {
  forms_.setting.AppInfo = FAppInfo;
  int result = forms_.setting.ShowModal();
  FAppInfo = forms_.setting.AppInfo;
  if (result != mrOk) {
    End();
    return false;
  }
  return true;
}

bool TForm1::RunInstall() {
  TFileInstDlg& install = forms_.file_inst;
  install.AppInfo = FAppInfo;
  std::string program = ProgramFilePath();
  install.ProgramFileName = ExtractFileName(program);
  install.SourceDir = AddBackslash(ExtractFilePath(program));
  install.SetupDriveType = FSetupDriveType;
  install.Show();
  if (!install.Install()) {
    install.Close();
    End();
    return false;
  }
  RunUpgradeTool();
  install.RegisterPDFViewer();
  install.Close();
  return true;
}

void TForm1::ExtendSearchPath() {
  try {
    const std::string folder = WinDriveRoot + "ZEL\\LIB\\" + "_NTI31\\BIN";
    const std::string entry = SearchPathEntry(folder);
    // A folder that is not there has no place in the search path; the
    // installation itself is complete, so the run goes on to its end.
    if (entry.empty()) return;
    if (AddToSearchPath(entry) != 0) {
      Application.Show({Msg::SearchPathFailed});
      End();
    }
  } catch (...) {
    // The installation is complete; a failure here must not hide that.
  }
}

bool TForm1::CloseQuery() {
  // A log-off or close-application query is refused while the run goes on;
  // a shutdown or restart (flags 0) is not.
  return FQueryEndFlags == 0 || FFinished;
}

bool TForm1::OnMessage(UINT msg, WPARAM wparam, LPARAM lparam, LRESULT* result) {
  if (msg != WM_QUERYENDSESSION) return false;
  FQueryEndSource = wparam;
  FQueryEndFlags = lparam;
  *result = CloseQuery() ? TRUE : FALSE;
  return true;
}

int32_t TForm1::DetectInstalled() { return kestra::DetectInstalled(SetupDir); }
bool TForm1::IsViewerRunning() { return kestra::IsViewerRunning(); }
bool TForm1::IsAdmin() { return IsUserAdmin(); }
void TForm1::CheckProgramOnlyUpdate() { ProgramOnlyUpdate = ProgramOnlyUpdateFlag(); }
void TForm1::RunUpgradeTool() { kestra::RunUpgradeTool(SetupDir); }

}  // namespace kestra
