// The settings of an unattended run: what the settings page would propose on
// this machine (the destination defaults, an installed copy, the recorded
// folders), with the choices of the answer file put in as the page takes them,
// and checked as the page and the DVD selection check a value the user gives.
// The record that comes out is what the page would commit.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "system/AppInfo.h"
#include "wizard/SettingRules.h"

namespace kestra {

struct UnattendedSettings {
  TFInstAppInfo record;            // as the page commits it
  std::vector<std::string> notes;  // each setting and where it came from, for the log
  std::string fault;               // why the run cannot go on with them; "" when it can
};

// handed_in: the start-up's initial record; run_mode: as the page gets it.
UnattendedSettings SettleUnattended(const TFInstAppInfo& handed_in, int32_t run_mode,
                                    const PresetChoices& presets);

}  // namespace kestra
