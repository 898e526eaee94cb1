// The hidden main form. Its show event runs the whole run: it decides the run
// mode, checks the machine, leads through the wizard and the install run, and
// ends the program on every path.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "deploy/RunOptions.h"
#include "startup/StartPlan.h"

#include "system/AppInfo.h"
#include "ui/Form.h"
#include "wizard/SettingRules.h"

namespace kestra {

class TConsentDlg;
class TSetupAbortMsg;
class TSettingDlg;
class TFileInstDlg;
class TUnInstDlg;

// The dialogs of the run, created once at start-up.
struct SetupForms {
  TConsentDlg& consent;
  TSetupAbortMsg& abort_msg;
  TSettingDlg& setting;
  TFileInstDlg& file_inst;
  TUnInstDlg& uninst;
};

class TForm1 : public TForm {
 public:
  TForm1(SetupForms forms, RunOptions options);

  TFInstAppInfo FAppInfo;
  bool FFinished = false;
  int32_t FSetupDriveType = 0;
  WPARAM FQueryEndSource = 0;
  LPARAM FQueryEndFlags = 0;

 protected:
  void FormCreate() override;
  void FormShow() override;
  bool CloseQuery() override;
  bool OnMessage(UINT msg, WPARAM wparam, LPARAM lparam, LRESULT* result) override;

 private:
  enum class RunState { Undecided, Install, Upgrade };

  void RunMainSequence();
  // -LOADINF: the answer file's choices; false (the run ends) when it cannot be taken.
  bool LoadAnswerFile();
  // -SAVEINF: the settings of this run written as an answer file.
  void SaveAnswerFile(const std::optional<bool>& network_index_answer);
  // What the start-up decides from (PlanStart); also takes VistaOrLater,
  // Win8OrLater and SetupDrive.
  StartFacts ReadStartFacts();
  bool AskUpgrade();
  bool RunSettingsPage();
  // The settings without the page: the machine's proposals and the answer file.
  bool SettleWithoutPage();
  bool RunInstall();
  void ExtendSearchPath();
  // Ends the run: the form may close from now on and the application stops.
  void End();

  // Operations of the run (the detection and hand-off live in InstalledProduct).
  int32_t DetectInstalled();
  bool IsViewerRunning();
  bool IsAdmin();
  void CheckProgramOnlyUpdate();
  void RunUpgradeTool();

  SetupForms forms_;
  RunOptions options_;
  PresetChoices presets_;                 // from -LOADINF
  std::optional<bool> index_overwrite_;   // from -LOADINF
  std::optional<TFInstAppInfo> chosen_;   // the settings as chosen, for -SAVEINF
  RunState state_ = RunState::Undecided;
};

}  // namespace kestra
