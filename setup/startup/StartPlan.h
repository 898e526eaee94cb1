// The start-up's decisions as one plain function: from the facts of the machine
// and the command line to what the run does, and which message ends it when it
// cannot go on. TForm1 reads the facts and carries the decision out.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "deploy/RunOptions.h"
#include "system/MessageCatalogue.h"

namespace kestra {

struct StartFacts {
  RunOptions options;
  int32_t detected = 0;            // DetectInstalled: kNothingToDo, kNotInstalled, kOlderInstalled
  bool vista_or_later = false;
  bool drive_letter_found = false;  // the setup folder is reached through a drive letter of the user's
  bool viewer_running = false;
  bool admin = false;
  std::string setup_drive;          // of the setup folder: "Q:", or "\\server\share"
  bool setup_information_present = true;  // SETUP.INF lies beside the program
};

enum class StartStep {
  Uninstall,  // the uninstaller's dialog
  Install,    // the licence agreement, then the settings page and the installation
  Upgrade,    // the upgrade question, then the settings page and the installation
  End,        // nothing to do, or the message says why not
};

struct StartPlan {
  StartStep step = StartStep::End;
  std::optional<Message> message;   // shown before the run ends (step End)
  int32_t run_mode = kRunModeNone;  // handed to the settings page
  // The exit code of an end without a message (the messages carry their own):
  // the same or a newer version installed, or a DVD without SETUP.INF.
  int exit_code = 0;
};

// In this order: "-UNINST" (the viewer must be closed, administrator rights);
// the run mode from "-UPDATA" / "-TRY" or from the installed copy (nothing to
// do ends quietly); from Vista on the setup folder must be reached by a drive
// letter; the viewer closed; administrator rights; before Vista a drive path.
StartPlan PlanStart(const StartFacts& facts);

}  // namespace kestra
