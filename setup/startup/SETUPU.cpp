#include "startup/SETUPU.h"

#include <windows.h>

#include "deploy/AnswerFile.h"
#include "deploy/QuietRun.h"
#include "deploy/RunSettings.h"
#include "deploy/UserSetup.h"
#include "install/FileInst.h"
#include "startup/InstalledProduct.h"
#include "startup/SearchPath.h"
#include "startup/StartPlan.h"
#include "system/AppInfo.h"
#include "system/ExitCodes.h"
#include "system/FileSys.h"
#include "system/Mbcs.h"
#include "system/ProductTable.h"
#include "system/ReplacementFile.h"
#include "system/RunLog.h"
#include "system/RunValues.h"
#include "system/SysQuery.h"
#include "system/TestSeams.h"
#include "ui/Application.h"
#include "ui/UnexpectedError.h"
#include "uninstall/UnInst.h"
#include "wizard/Consent.h"
#include "wizard/Setting.h"

namespace kestra {

TForm1::TForm1(SetupForms forms, RunOptions options)
    : TForm("TForm1", "Form1", 139, 77, FormBorder::ToolWindow),
      forms_(forms),
      options_(std::move(options)) {}

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
  facts.options = options_;
  facts.detected = DetectInstalled();
  facts.setup_information_present = FileExists(SetupDir + "SETUP.INF");
  facts.vista_or_later = VistaOrLater = IsVistaOrLater();
  Win8OrLater = IsWin8OrLater();
  facts.drive_letter_found = facts.vista_or_later && FindDriveLetter(SetupDir, SetupDrive);
  facts.viewer_running = IsViewerRunning();
  facts.admin = IsAdmin();
  RunsAsSystem = IsSystemAccount();
  facts.setup_drive = ExtractFileDrive(SetupDir);
  return facts;
}

namespace {

const char* StepName(StartStep step) {
  switch (step) {
    case StartStep::Uninstall: return "uninstall";
    case StartStep::Install: return "install";
    case StartStep::Upgrade: return "upgrade";
    case StartStep::End: break;
  }
  return "end";
}

void LogStartFacts(const StartFacts& facts, const StartPlan& plan) {
  runlog::Write(std::string("Check: viewer running: ") + (facts.viewer_running ? "yes" : "no"));
  runlog::Write(std::string("Check: administrator: ") + (facts.admin ? "yes" : "no"));
  runlog::Write(std::string("Check: the SYSTEM account: ") + (RunsAsSystem ? "yes" : "no"));
  runlog::Write("Check: setup folder " + SetupDir + " on drive " + facts.setup_drive +
                (facts.vista_or_later ? ", seen by the user as " +
                                            (facts.drive_letter_found ? SetupDrive : "(none)")
                                      : std::string()));
  runlog::Write("Check: installed copy: " +
                std::string(facts.detected == kNotInstalled     ? "none"
                            : facts.detected == kOlderInstalled ? "an older version"
                            : facts.setup_information_present
                                ? "the same or a newer version"
                                : "unknown (no SETUP.INF beside the program)"));
  runlog::Write(std::string("Run: ") + StepName(plan.step) + ", run mode " +
                std::to_string(plan.run_mode));
}

}  // namespace

void TForm1::RunMainSequence() {
  seams::FaultPoint("main");
  std::string windows = WindowsFolder();
  WinDriveRoot = windows.substr(0, 3);
  SetupDir = AddBackslash(ExtractFilePath(ProgramFilePath()));
  FSetupDriveType = static_cast<int32_t>(::GetDriveTypeA(SetupDir.c_str()));

  if (const std::string fault = options_.Fault(); !fault.empty()) {
    Application.Show({Msg::BadOption, {fault}});
    End();
    return;
  }
  if (options_.user_setup) {
    // At a user's logon, for an installation by the SYSTEM account: no check
    // and no question, the machine's values copied and the run ends.
    CopyMachineValuesToUser();
    End();
    return;
  }
  if (!LoadAnswerFile()) {
    End();
    return;
  }

  const StartFacts facts = ReadStartFacts();
  const StartPlan plan = PlanStart(facts);
  LogStartFacts(facts, plan);
  if (plan.message) Application.Show(*plan.message);
  switch (plan.step) {
    case StartStep::End:
      if (plan.exit_code != 0) EndRunWith(plan.exit_code);
      End();
      return;
    case StartStep::Uninstall:
      if (options_.display == RunDisplay::Nothing) {
        UninstallQuietly(options_.remove_index);
      } else {
        if (options_.Unattended()) forms_.uninst.StartOnShow(options_.remove_index);
        forms_.uninst.ShowModal();
      }
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
    // An unattended run takes the agreement as accepted with its options.
    if (!options_.Unattended() && forms_.consent.ShowModal() != mrOk) {
      EndRunWith(kExitCancelled);
      End();
      return;
    }
  } else {
    if (!AskUpgrade()) return;
    CheckProgramOnlyUpdate();
  }

  if (!(options_.Unattended() ? SettleWithoutPage() : RunSettingsPage())) return;
  chosen_ = FAppInfo;
  if (!RunInstall()) return;
  ExtendSearchPath();
  if (FFinished) return;

  Application.Show({state_ == RunState::Install ? Msg::InstallDone : Msg::UpgradeDone});
  End();
}

bool TForm1::LoadAnswerFile() {
  if (options_.load_inf.empty()) return true;
  const std::string& file = options_.load_inf;
  std::string bytes;
  // An answer file is a few kilobytes; a huge one is no answer file.
  constexpr int64_t kLargest = 1 << 20;
  const int64_t size = FileSize(file);
  if (size < 0 || size > kLargest || !ReadWholeFile(file, bytes)) {
    runlog::WriteFailure("Answer file " + file + " cannot be read", ::GetLastError());
    Application.Show({Msg::BadAnswerFile, {file, "ファイルを読み込めません。"}});
    return false;
  }
  const AnswerFileContent content = ParseAnswerFile(bytes);
  if (!content.fault.empty()) {
    Application.Show({Msg::BadAnswerFile, {file, content.fault}});
    return false;
  }
  runlog::Write("Answer file: " + file);
  presets_ = content.values.choices;
  index_overwrite_ = content.values.index_overwrite;
  if (options_.Unattended()) Application.SetUnattended(true, index_overwrite_.value_or(true));
  return true;
}

void TForm1::SaveAnswerFile(const std::optional<bool>& network_index_answer) {
  if (options_.save_inf.empty() || !chosen_) return;
  const TFInstAppInfo& chosen = *chosen_;
  AnswerValues values;
  values.choices.app_dir = chosen.AppInfo.InstallDir;
  values.choices.install_index = chosen.InstallIndex == kIndexToDisk;
  values.choices.index_dir = chosen.IndexDir;
  for (std::size_t i = 0; i < values.choices.dvd_paths.size(); ++i)
    values.choices.dvd_paths[i] = chosen.AppInfo.DVDPaths[i];
  values.index_overwrite = network_index_answer.value_or(index_overwrite_.value_or(true));
  const std::string& file = options_.save_inf;
  if (ReplaceFileContent(file, FormatAnswerFile(values)))
    runlog::Write("Answer file written: " + file);
  else
    runlog::WriteFailure("Answer file " + file + " cannot be written", ::GetLastError());
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
  forms_.setting.Presets = presets_;
  int result = forms_.setting.ShowModal();
  FAppInfo = forms_.setting.AppInfo;
  if (result != mrOk) {
    EndRunWith(kExitCancelled);
    End();
    return false;
  }
  return true;
}

bool TForm1::SettleWithoutPage() {
  const UnattendedSettings settled = SettleUnattended(FAppInfo, forms_.setting.RunMode, presets_);
  if (!settled.fault.empty()) {
    Application.Show({Msg::SettingsRefused, {settled.fault}});
    End();
    return false;
  }
  for (const std::string& note : settled.notes) runlog::Write("Setting: " + note);
  FAppInfo = settled.record;
  return true;
}

bool TForm1::RunInstall() {
  std::string program = ProgramFilePath();
  const std::string source_dir = AddBackslash(ExtractFilePath(program));
  bool installed = false;
  std::optional<bool> network_index_answer;
  // Deployment systems run SETUP from a copy they cached on the local disk.
  const bool cached_copy = options_.Unattended() && FSetupDriveType == DRIVE_FIXED;
  if (options_.display == RunDisplay::Nothing) {
    const QuietInstallOutcome outcome = InstallQuietly(
        {FAppInfo, source_dir, FSetupDriveType, cached_copy}, [this] { RunUpgradeTool(); });
    installed = outcome.installed;
    network_index_answer = outcome.network_index_answer;
  } else {
    TFileInstDlg& install = forms_.file_inst;
    install.AppInfo = FAppInfo;
    install.ProgramFileName = ExtractFileName(program);
    install.SourceDir = source_dir;
    install.SetupDriveType = FSetupDriveType;
    install.FromCachedCopy = cached_copy;
    install.Show();
    installed = install.Install();
    network_index_answer = install.NetworkIndexAnswer;
    if (installed) {
      RunUpgradeTool();
      install.RegisterPDFViewer();
    }
    install.Close();
  }
  SaveAnswerFile(network_index_answer);
  if (!installed) {
    // The engine has said why where it could; a run that fails unseen is a failure all the same.
    EndRunWith(kExitFailed);
    End();
    return false;
  }
  return true;
}

void TForm1::ExtendSearchPath() {
  try {
    const std::string folder = WinDriveRoot + "ZEL\\LIB\\" + "_NTI31\\BIN";
    const std::string entry = SearchPathEntry(folder);
    // A folder that is not there has no place in the search path; the
    // installation itself is complete, so the run goes on to its end.
    if (entry.empty()) {
      runlog::Write("Search path: " + folder + " does not exist; nothing added");
      return;
    }
    if (AddToSearchPath(entry) != 0) {
      Application.Show({Msg::SearchPathFailed});
      End();
      return;
    }
    runlog::Write("Search path: " + entry + " added where it was missing");
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
