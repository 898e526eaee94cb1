// The command line of SETUP and of its uninstaller copy KSUINST.EXE.
//
// The run modes of the first argument keep their old rule: "-UNINST",
// "-UPDATA" and "-TRY" are case-sensitive substrings of it ("-TRY" wins over
// "-UPDATA"). The options of unattended runs are whole arguments in any
// position, written with "-" or "/" in any letter case; a value follows "="
// (quoted as Windows programs quote: -LOG="C:\ログ\a b.log"):
//   -SILENT  -VERYSILENT  -LOG[=file]  -LOADINF=file  -SAVEINF=file
//   -REMOVEINDEX  -PLAN=file  -USERSETUP  -HELP  -?
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "system/AppInfo.h"

namespace kestra {

// What a run shows: everything (the wizard), only its progress (-SILENT), or
// nothing at all (-VERYSILENT).
enum class RunDisplay { Wizard, ProgressOnly, Nothing };

struct RunOptions {
  bool uninstall = false;           // "-UNINST"
  int32_t run_mode = kRunModeNone;  // kRunModeUpgrade "-UPDATA", kRunModeTry "-TRY" (wins)

  RunDisplay display = RunDisplay::Wizard;
  bool log = false;
  std::string log_file;       // "" with -LOG: the default name in the temporary folder
  std::string load_inf;       // the answer file to take the settings from
  std::string save_inf;       // the answer file to write the settings of this run to
  bool remove_index = false;  // the uninstaller removes the copied index too
  // The run only plans: every decision made, nothing changed, the plan
  // written to this file (the run shows no window, as -VERYSILENT).
  std::string plan_file;
  // The uninstaller copy at a user's logon (Active Setup): the machine's
  // values of the product copied into the user's keys.
  bool user_setup = false;
  bool help = false;

  // "-X" or "/X" arguments after the first that name no option: an error of an
  // unattended run, ignored by one with the wizard.
  std::vector<std::string> unknown;
  // Options given wrongly (a file option without its file, a value where none
  // belongs): an error of every run.
  std::vector<std::string> malformed;

  // No wizard and no question: the settings come from the machine and the
  // answer file, every message is answered by its silent answer.
  bool Unattended() const { return display != RunDisplay::Wizard; }
  // What makes the command line unusable for this run: "" when nothing does.
  std::string Fault() const;
};

// args: the arguments after the program name, as the C runtime split them.
RunOptions ParseRunOptions(const std::vector<std::string>& args);

}  // namespace kestra
