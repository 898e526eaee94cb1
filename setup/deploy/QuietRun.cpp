#include "deploy/QuietRun.h"

#include <iterator>

#include "install/InstallRun.h"
#include "system/FileSys.h"
#include "system/Messages.h"
#include "system/RunLog.h"
#include "ui/Application.h"
#include "uninstall/Removal.h"

namespace kestra {

namespace {

constexpr const char* kStepNames[] = {"copying the files", "writing the registry",
                                      "writing the uninstall record", "creating the shortcuts",
                                      "copying the search index"};

class QuietInstallObserver final : public InstallObserver {
 public:
  void ShowStep(int32_t step) override {
    if (step >= 0 && step < static_cast<int32_t>(std::size(kStepNames)))
      runlog::Write(std::string("Step: ") + kStepNames[step]);
  }
  void ShowHeading(const std::string&) override {}
  void ShowDetail(const std::string&) override {}
  void ResetBar(Bar, int) override {}
  void MoveBar(Bar, int) override {}
  void AdvanceBar(Bar) override {}
  void Pump() override { ProcessMessages(); }
  int Ask(const Message& message) override { return Application.Show(message); }
  void AllowCancel(bool) override {}
  void Pause(DWORD) override {}
};

class QuietRemovalObserver final : public RemovalObserver {
 public:
  void Begin(int) override {}
  void Step(const std::string&) override {}
  void Pump() override { ProcessMessages(); }
  void KeyNotDeleted(const std::string& key_path) override {
    Application.Show({Msg::KeyNotDeleted, {key_path}});
  }
  void End() override {}
};

}  // namespace

QuietInstallOutcome InstallQuietly(const QuietInstall& install,
                                   const std::function<void()>& hand_off) {
  QuietInstallObserver observer;
  InstallRun run(observer);
  run.AppInfo = install.record;
  run.SourceDir = install.source_dir;
  run.SetupDriveType = install.setup_drive_type;
  run.FromCachedCopy = install.from_cached_copy;
  QuietInstallOutcome outcome;
  outcome.installed = run.Install();
  outcome.network_index_answer = run.NetworkIndexAnswer;
  if (outcome.installed) {
    hand_off();
    run.RegisterPDFViewer();
  }
  return outcome;
}

void UninstallQuietly(bool remove_index) {
  if (Application.Show({Msg::UninstallStartQuestion}) != IDYES) return;
  RemovalSettings settings = ProductRemovalSettings(WindowsFolder().substr(0, 3));
  const std::optional<std::string> index = RecordedIndexCopy(settings.records_folder);
  settings.delete_index = remove_index && index.has_value();
  settings.index_folder = index.value_or("");
  QuietRemovalObserver observer;
  Application.Show(OutcomeMessage(RemoveInstalledFiles(settings, observer)));
}

}  // namespace kestra
