#include "deploy/RunOptions.h"

#include <optional>

#include "system/Mbcs.h"

namespace kestra {

namespace {

// An argument "-NAME" or "/NAME=value": its name upper-cased and its value.
struct Switch {
  std::string name;
  std::optional<std::string> value;
};

std::optional<Switch> SwitchOf(const std::string& argument) {
  if (argument.size() < 2 || (argument[0] != '-' && argument[0] != '/')) return std::nullopt;
  const std::size_t equals = argument.find('=');
  Switch result;
  result.name = AnsiUpperCase(argument.substr(1, equals == std::string::npos ? std::string::npos
                                                                             : equals - 1));
  if (equals != std::string::npos) result.value = argument.substr(equals + 1);
  return result;
}

enum class Taken { Known, Unknown, Malformed };

// Takes one whole-argument option into the options.
Taken TakeSwitch(const Switch& option, RunOptions& options) {
  const std::string& name = option.name;
  const bool has_value = option.value.has_value();
  const bool plain = !has_value;
  if (name == "SILENT" && plain) {
    if (options.display == RunDisplay::Wizard) options.display = RunDisplay::ProgressOnly;
  } else if (name == "VERYSILENT" && plain) {
    options.display = RunDisplay::Nothing;
  } else if (name == "LOG") {
    if (has_value && option.value->empty()) return Taken::Malformed;
    options.log = true;
    options.log_file = option.value.value_or(std::string());
  } else if (name == "LOADINF" || name == "SAVEINF") {
    if (!has_value || option.value->empty()) return Taken::Malformed;
    (name == "LOADINF" ? options.load_inf : options.save_inf) = *option.value;
  } else if (name == "PLAN") {
    if (!has_value || option.value->empty()) return Taken::Malformed;
    options.plan_file = *option.value;
    options.display = RunDisplay::Nothing;
  } else if (name == "USERSETUP" && plain) {
    options.user_setup = true;
    options.display = RunDisplay::Nothing;  // at a user's logon: no window
  } else if (name == "REMOVEINDEX" && plain) {
    options.remove_index = true;
  } else if ((name == "HELP" || name == "?") && plain) {
    options.help = true;
  } else if (name == "SILENT" || name == "VERYSILENT" || name == "REMOVEINDEX" ||
             name == "USERSETUP" || name == "HELP" || name == "?") {
    return Taken::Malformed;  // a value where none belongs
  } else {
    return Taken::Unknown;
  }
  return Taken::Known;
}

// The run modes of the first argument, tested as they always were.
void TakeRunMode(const std::string& first, RunOptions& options) {
  if (Contains(first, "-UNINST")) {
    options.uninstall = true;
    return;
  }
  if (Contains(first, "-UPDATA")) options.run_mode = kRunModeUpgrade;
  if (Contains(first, "-TRY")) options.run_mode = kRunModeTry;
}

}  // namespace

std::string RunOptions::Fault() const {
  if (!malformed.empty()) return malformed.front();
  if (Unattended() && !unknown.empty()) return unknown.front();
  return std::string();
}

RunOptions ParseRunOptions(const std::vector<std::string>& args) {
  RunOptions options;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::optional<Switch> option = SwitchOf(args[i]);
    const Taken taken = option ? TakeSwitch(*option, options) : Taken::Unknown;
    if (taken == Taken::Malformed) options.malformed.push_back(args[i]);
    if (i == 0) {
      // A first argument that is one of the whole options is no run mode: a
      // log file named "C:\-TRY\x.log" must not turn the run into a try.
      if (taken != Taken::Known && taken != Taken::Malformed && !args[i].empty())
        TakeRunMode(args[i], options);
    } else if (taken == Taken::Unknown && option) {
      options.unknown.push_back(args[i]);
    }
  }
  return options;
}

}  // namespace kestra
