#include "startup/StartPlan.h"

#include "startup/InstalledProduct.h"
#include "system/ExitCodes.h"

#include <utility>

namespace kestra {

namespace {

StartPlan EndWith(Message message) { return {StartStep::End, std::move(message), kRunModeNone}; }

}  // namespace

StartPlan PlanStart(const StartFacts& facts) {
  if (facts.options.uninstall) {
    if (facts.viewer_running) return EndWith(Msg::ViewerRunningUninstall);
    if (!facts.admin) return EndWith(Msg::NoRightsUninstall);
    return {StartStep::Uninstall, std::nullopt, kRunModeNone};
  }

  int32_t run_mode = facts.options.run_mode;
  if (run_mode == kRunModeNone) {
    if (facts.detected == kNotInstalled) run_mode = kRunModeInstall;
    else if (facts.detected == kOlderInstalled) run_mode = kRunModeUpgrade;
    else
      return {StartStep::End, std::nullopt, kRunModeNone,
              facts.setup_information_present ? kExitNothingToDo : kExitFailed};
  }

  if (facts.vista_or_later && !facts.drive_letter_found)
    return EndWith({Msg::WrongDrive, {facts.setup_drive}});
  if (facts.viewer_running) return EndWith(Msg::ViewerRunningInstall);
  if (!facts.admin) return EndWith(Msg::NoRightsInstall);
  // Before Vista there is no drive mapping: a start from a UNC path is refused.
  if (!facts.vista_or_later && facts.setup_drive.size() != 2) return EndWith(Msg::DriveInvalid);

  const StartStep step = run_mode == kRunModeUpgrade ? StartStep::Upgrade : StartStep::Install;
  return {step, std::nullopt, run_mode};
}

}  // namespace kestra
