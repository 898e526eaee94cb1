// The install dialog: the progress window the user watches while the product
// is installed. The start-up hands it the settings record, shows it
// modelessly and calls Install. The engine itself is the dialog's run
// (install/InstallRun.h); the dialog keeps the engine's operations and fields
// under their names, delegates to the run and shows what the run reports.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "install/InstallRun.h"
#include "ui/Controls.h"
#include "ui/Form.h"

namespace kestra {

class TFileInstDlg : public TForm, private InstallObserver {
  // First of the members: the fields below are the run's own.
  InstallRun run_{*this};

 public:
  TFileInstDlg();

  enum ControlId {
    IdLabel1 = 100,
    IdMemo1,
    IdMemo2,
    IdLabel3,
    IdGauge2,
    IdGauge1,
    IdBevel2,
    IdAnimate1,
    IdButton1,
  };

  // Step texts of ShowStep.
  using Step = InstallRun::Step;

  // ---- Set by the start-up before the run ----
  TFInstAppInfo& AppInfo = run_.AppInfo;
  std::string ProgramFileName;  // the running program's file name (not used by the steps)
  std::string& SourceDir = run_.SourceDir;
  int32_t& SetupDriveType = run_.SetupDriveType;
  bool& FromCachedCopy = run_.FromCachedCopy;

  // Runs the installation; true when every step that decides success succeeded.
  bool Install() { return run_.Install(); }
  // Registers the PDF viewer control; called by the start-up after a
  // successful Install, before the dialog is closed.
  void RegisterPDFViewer() { run_.RegisterPDFViewer(); }

  // Shows the text of a step in Memo1 (other values change nothing).
  void ShowStep(int32_t step) override;
  // Progress of the index copy: text and percent of the script component.
  int32_t CopyProgress(const std::string& text, int32_t percent) {
    return run_.CopyProgress(text, percent);
  }

  // ---- The steps ----
  std::string GetScriptPath(int32_t row, const std::string& name) const {
    return run_.GetScriptPath(row, name);
  }
  bool MakeFileList() { return run_.MakeFileList(); }
  bool ExpandFiles() { return run_.ExpandFiles(); }
  bool MakeDirs(const std::string& prefix, const std::string& path, std::string& created) {
    return run_.MakeDirs(prefix, path, created);
  }
  static int WINAPI EZipProgress(DWORD done, DWORD total) {
    return InstallRun::EZipProgress(done, total);
  }
  void CreateShortcuts() { run_.CreateShortcuts(); }
  static bool IsNTPlatform() { return InstallRun::IsNTPlatform(); }
  bool WriteUninstallInfo() { return run_.WriteUninstallInfo(); }
  bool CopyCollection() { return run_.CopyCollection(); }
  bool WriteRegistry() { return run_.WriteRegistry(); }
  bool CopySyncFiles() { return run_.CopySyncFiles(); }
  bool CopyFolder(const std::string& source, const std::string& target) {
    return run_.CopyFolder(source, target);
  }
  int32_t LZExpandFile(const std::string& source, const std::string& target) {
    return run_.LZExpandFile(source, target);
  }

  // ---- State of one run ----
  bool& FCancel = run_.FCancel;
  int32_t& FStartMode = run_.FStartMode;
  std::vector<std::string>& FFileList = run_.FFileList;
  std::vector<std::string>& FDirList = run_.FDirList;
  int32_t& FIndexProgress = run_.FIndexProgress;
  int32_t& FPhase = run_.FPhase;
  TSetupc& Setupc1 = run_.Setupc1;
  std::optional<bool>& NetworkIndexAnswer = run_.NetworkIndexAnswer;

  // The gauges, for checks.
  TGauge& Gauge1() { return gauge1_; }
  TGauge& Gauge2() { return gauge2_; }
  // True while Install runs.
  bool Running() const { return run_.Running(); }

 protected:
  void CreateControls() override;
  void FormCreate() override;
  void FormShow() override;
  void FormClose() override;
  bool CloseQuery() override;
  void OnCommand(int id, int code, HWND control) override;
  bool OnMessage(UINT msg, WPARAM wparam, LPARAM lparam, LRESULT* result) override;

 private:
  // What the run reports, shown in the dialog.
  void ShowHeading(const std::string& text) override;
  void ShowDetail(const std::string& text) override;
  void ResetBar(Bar bar, int maximum) override;
  void MoveBar(Bar bar, int position) override;
  void AdvanceBar(Bar bar) override;
  void Pump() override;
  int Ask(const Message& message) override;
  void AllowCancel(bool allowed) override;

  void Button1Click();
  TGauge& GaugeOf(Bar bar) { return bar == Bar::Overall ? gauge2_ : gauge1_; }

  // The controls written for every file, kept at hand: each lookup by their
  // id (GetDlgItem) is a request to the window server under Wine.
  TControl label1_;
  TControl memo2_;
  TGauge gauge1_;
  TGauge gauge2_;
  bool asking_cancel_ = false;
};

}  // namespace kestra
