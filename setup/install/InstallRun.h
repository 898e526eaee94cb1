// One installation run, apart from the window that shows it: the install
// engine. Install runs the steps in a fixed order; each step lives in a file
// of its own as a member of this class:
//   InstallRun.cpp       Install, the index copy's progress, the bookmark folder
//   FileCopy.cpp         file list and expansion through EZip.dll
//   Shortcuts.cpp        desktop and Start-menu shortcuts, PDF control
//   UninstallRecord.cpp  the uninstall record and the uninstaller copy
//   Collection.cpp       the search index copy
//   RegistryRecord.cpp   the product's registry entries
//   SyncFiles.cpp        the sync files and sync tool
//
// The run reports what it does to an observer (the install dialog shows it;
// tests record it) and asks its questions through it; it shows no window itself.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "install/EZipApi.h"
#include "script/Setupc.h"
#include "system/AppInfo.h"
#include "system/MessageCatalogue.h"

namespace kestra {

// What a run shows while it works.
class InstallObserver {
 public:
  // The two bars: the whole run (the dialog's Gauge2) and the item at hand (Gauge1).
  enum class Bar { Overall, Current };

  virtual ~InstallObserver() = default;
  // A step begins (one of InstallRun::Step).
  virtual void ShowStep(int32_t step) = 0;
  // What is being installed (the dialog's heading) and the file at hand.
  virtual void ShowHeading(const std::string& text) = 0;
  virtual void ShowDetail(const std::string& text) = 0;
  // A bar gets the range 0 to maximum and stands at 0; is set to a position
  // (kept inside its range); moves on by one.
  virtual void ResetBar(Bar bar, int maximum) = 0;
  virtual void MoveBar(Bar bar, int position) = 0;
  virtual void AdvanceBar(Bar bar) = 0;
  // Time for the window to handle its messages (Cancel is pressed in them).
  virtual void Pump() = 0;
  // Shows a message and returns the button chosen.
  virtual int Ask(const Message& message) = 0;
  // Whether the user may stop the run now.
  virtual void AllowCancel(bool allowed) = 0;
  // A pause that paces the display, so that the user can follow the files
  // (nothing to follow where nothing is shown).
  virtual void Pause(DWORD milliseconds) { ::Sleep(milliseconds); }
};

class InstallRun {
 public:
  explicit InstallRun(InstallObserver& observer) : observer_(observer) {}
  InstallRun(const InstallRun&) = delete;
  InstallRun& operator=(const InstallRun&) = delete;

  // The steps the observer is shown, in the numbering of their texts.
  enum Step { StepCopyFiles = 0, StepRegistry, StepBackup, StepShortcuts, StepIndex };

  // ---- Set before the run ----
  TFInstAppInfo AppInfo;        // the settings; the steps write back what they decide
  std::string SourceDir;        // the program's folder on the DVD; Install adds the backslash
  int32_t SetupDriveType = 0;   // GetDriveTypeA of the setup folder, taken at start-up
  // The run goes without a user from a copy of the DVD that a deployment
  // system cached on the local disk and removes afterwards.
  bool FromCachedCopy = false;

  // ---- State of one run (public so that the steps' checks can read it) ----
  bool FCancel = false;         // the user stopped the run, or a copy error did
  int32_t FStartMode = 0;       // InstallMode before the version comparison
  std::vector<std::string> FFileList;  // installed files and shortcuts: tag,path
  std::vector<std::string> FDirList;   // folders this run created: tag,path
  int32_t FIndexProgress = 0;   // 1 from the index step on
  int32_t FPhase = 0;           // index copies requested so far
  TSetupc Setupc1;              // runs the index script; version check off
  // The answer to the question about an index already on a network share,
  // when the index step asked it (a saved answer file records it).
  std::optional<bool> NetworkIndexAnswer;

  // Runs the installation; true when every step that decides success succeeded.
  bool Install();
  // True while Install runs.
  bool Running() const { return running_; }
  // Registers the PDF viewer control and records the viewer's choice; after a
  // successful Install.
  void RegisterPDFViewer();
  // Progress of the index copy: text and percent of the script component. Always 0.
  int32_t CopyProgress(const std::string& text, int32_t percent);

  // ---- The steps (each in its own file) ----
  std::string GetScriptPath(int32_t row, const std::string& name) const;
  bool MakeFileList();
  bool ExpandFiles();
  bool MakeDirs(const std::string& prefix, const std::string& path, std::string& created);
  // Registered with EZip.dll: keeps the window responsive while a member is written.
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

 private:
  // Expands one record; false when the run stops (copy error).
  bool ExpandRecord(const std::string& record, const EZipLibrary& ezip);
  // The copy error message; the run stops. Always false.
  bool CopyFailed();
  // Another program holds path: the user is asked to close it. True to try the
  // same file again; false when the run stops (Cancel), as after a copy error.
  bool RetryFileInUse(const std::string& path);
  bool IsProgramOnlyUpdate() const;
  // One pass of CreateShortcuts; false when a link object could not be made.
  bool CreateShortcutsOnce();
  void RecordShortcut(const std::string& path);
  // Adds the folders MakeDirs reported (its lines) to FDirList.
  void RecordCreatedFolders(const std::string& created);

  InstallObserver& observer_;
  bool running_ = false;
};

}  // namespace kestra
