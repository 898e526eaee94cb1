// The install dialog: the progress window the user watches and the install
// engine itself. The start-up hands it the settings record, shows it
// modelessly and calls Install, which runs the steps in a fixed order.
//
// The steps live in their own files as members of this class:
//   FileInst.cpp         the dialog, progress display, Install, cancelling
//   FileCopy.cpp         file list and expansion through EZip.dll
//   Shortcuts.cpp        desktop and Start-menu shortcuts, PDF control
//   UninstallRecord.cpp  the uninstall record and the uninstaller copy
//   Collection.cpp       the search index copy
//   RegistryRecord.cpp   the product's registry entries
//   SyncFiles.cpp        the sync files and sync tool
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "install/EZipApi.h"
#include "script/Setupc.h"
#include "system/AppInfo.h"
#include "ui/Controls.h"
#include "ui/Form.h"

namespace kestra {

class TFileInstDlg : public TForm {
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
  enum Step { StepCopyFiles = 0, StepRegistry, StepBackup, StepShortcuts, StepIndex };

  // ---- Set by the start-up before the run ----
  TFInstAppInfo AppInfo;
  std::string ProgramFileName;  // the running program's file name (not used by the steps)
  std::string SourceDir;        // its folder on the DVD; Install adds the trailing backslash
  int32_t SetupDriveType = 0;   // GetDriveTypeA of the setup folder, taken at start-up

  // Runs the installation; true when every step that decides success succeeded.
  bool Install();
  // Registers the PDF viewer control; called by the start-up after a
  // successful Install, before the dialog is closed.
  void RegisterPDFViewer();

  // Shows the text of a step in Memo1 (other values change nothing).
  void ShowStep(int32_t step);
  // Progress of the index copy: text and percent of the script component.
  int32_t CopyProgress(const std::string& text, int32_t percent);

  // ---- The steps (each in its own file) ----
  std::string GetScriptPath(int32_t row, const std::string& name) const;
  bool MakeFileList();
  bool ExpandFiles();
  bool MakeDirs(const std::string& prefix, const std::string& path, std::string& created);
  // Registered with EZip.dll: keeps the dialog responsive while a member is written.
  static int WINAPI EZipProgress(DWORD, DWORD);
  // The desktop and Start-menu shortcuts, once per pass, each recorded.
  void CreateShortcuts();
  // RtlGetVersion reports the NT platform (false also when it cannot be asked).
  static bool IsNTPlatform();
  bool WriteUninstallInfo();
  bool CopyCollection();
  bool WriteRegistry();
  bool CopySyncFiles();
  // Copies a folder tree (files overwrite, attributes end archive only); false
  // when a file could not be copied.
  bool CopyFolder(const std::string& source, const std::string& target);
  // LZ-expands (or copies) source to target: 0 on success, −1 otherwise.
  int32_t LZExpandFile(const std::string& source, const std::string& target);
  // The viewer's bookmark folder in the application folder, once per pass.
  void CreateBookmarkFolder();

  // ---- State of one run (public so that the steps' checks can read it) ----
  bool FCancel = false;         // the user stopped the run, or a copy error did
  int32_t FStartMode = 0;       // InstallMode before the version comparison
  std::vector<std::string> FFileList;  // installed files and shortcuts: tag,path
  std::vector<std::string> FDirList;   // folders this run created: tag,path
  int32_t FIndexProgress = 0;   // 1 from the index step on
  int32_t FPhase = 0;           // index copies requested so far
  TSetupc Setupc1;              // runs the index script; version check off

  // The gauges, for the steps and for checks.
  TGauge& Gauge1() { return gauge1_; }
  TGauge& Gauge2() { return gauge2_; }
  // True while Install runs.
  bool Running() const { return running_; }

 protected:
  void CreateControls() override;
  void FormCreate() override;
  void FormShow() override;
  void FormClose() override;
  bool CloseQuery() override;
  void OnCommand(int id, int code, HWND control) override;
  bool OnMessage(UINT msg, WPARAM wparam, LPARAM lparam, LRESULT* result) override;

 private:
  void Button1Click();
  void PaintHeader();
  void SetLabel1(const std::string& text) { Item(IdLabel1).SetText(text); }
  void SetMemo2(const std::string& text) { Item(IdMemo2).SetText(text); }
  // Expands one record; false when the run stops (copy error).
  bool ExpandRecord(const std::string& record, const EZipLibrary& ezip);
  // The copy error message; the run stops. Always false.
  bool CopyFailed();
  bool IsProgramOnlyUpdate() const;
  // One pass of CreateShortcuts; false when a link object could not be made.
  bool CreateShortcutsOnce();
  void RecordShortcut(const std::string& path);

  TGauge gauge1_;
  TGauge gauge2_;
  bool running_ = false;
  bool asking_cancel_ = false;
};

}  // namespace kestra
