#include "install/InstallRun.h"

#include "install/FileList.h"
#include "system/FileSys.h"
#include "system/Mbcs.h"
#include "system/RunValues.h"

namespace kestra {

namespace {

// The index bar's short sweep: the range 0 to 5, six steps of one with a
// pause after each.
constexpr int kSweepRange = 5;
constexpr int kSweepSteps = 6;
constexpr DWORD kSweepPause = 20;

}  // namespace

bool InstallRun::Install() {
  running_ = true;
  SourceDir = AddBackslash(SourceDir);
  bool succeeded = true;

  observer_.ShowStep(StepCopyFiles);
  if (!MakeFileList()) succeeded = false;
  if (succeeded && !ExpandFiles()) succeeded = false;

  if (!IsProgramOnlyUpdate() && succeeded) {
    observer_.ShowStep(StepShortcuts);
    CreateShortcuts();
  }

  // Always, also after a failure or a cancel: the record lists what the run
  // planned, so that a partial installation can be removed.
  observer_.ShowStep(StepBackup);
  WriteUninstallInfo();

  if (!IsProgramOnlyUpdate() && succeeded) {
    observer_.ShowStep(StepIndex);
    CopyCollection();
  }

  observer_.ShowStep(StepRegistry);
  if (succeeded) {
    if (!WriteRegistry()) {
      succeeded = false;
    } else {
      CreateBookmarkFolder();
      CopySyncFiles();
    }
  }

  running_ = false;
  return succeeded;
}

int32_t InstallRun::CopyProgress(const std::string& text, int32_t percent) {
  using Bar = InstallObserver::Bar;
  observer_.ShowDetail(text);
  observer_.MoveBar(Bar::Current, percent);
  if (FIndexProgress != 0 && percent != 0 && FPhase > 0)
    observer_.MoveBar(Bar::Overall, (FPhase - 1) * 100 + percent);
  if (FIndexProgress == 1) {
    // A short sweep, so that the bar moves while a large file is copied.
    observer_.ResetBar(Bar::Current, kSweepRange);
    for (int i = 0; i < kSweepSteps; ++i) {
      observer_.AdvanceBar(Bar::Current);
      observer_.Pause(kSweepPause);
    }
  }
  observer_.MoveBar(Bar::Current, 1);
  observer_.Pump();
  return 0;
}

bool InstallRun::IsProgramOnlyUpdate() const { return ProgramOnlyUpdate != 0; }

void InstallRun::RecordCreatedFolders(const std::string& created) {
  for (std::string& line : SplitLines(created)) FDirList.push_back(std::move(line));
}

void InstallRun::CreateBookmarkFolder() {
  // Without an application folder the name would be relative to whatever the
  // working folder happens to be.
  if (AppInfo.AppInfo.InstallDir.empty()) return;
  for (int32_t pass = 0; pass < AppInfo.AppCount; ++pass)
    ForceDirectories(AddBackslash(AppInfo.AppInfo.InstallDir) + "BookMark");
}

}  // namespace kestra
