// The runs of -VERYSILENT, which show no window at all: the installation and
// the uninstaller's removal carried out by the same run objects the dialogs
// drive, reporting to observers that show nothing. Their messages go through
// the application, which answers them for the user and logs them; the pauses
// that only pace a display are not made.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "system/AppInfo.h"

namespace kestra {

struct QuietInstall {
  TFInstAppInfo record;        // as the settings committed it
  std::string source_dir;      // the folder of the running program
  int32_t setup_drive_type = 0;
  bool from_cached_copy = false;  // see InstallRun::FromCachedCopy
};

struct QuietInstallOutcome {
  bool installed = false;
  std::optional<bool> network_index_answer;  // when the index step asked it
};

// Install; on success the hand-off (the upgrade tool) and the PDF control's
// registration, as after the dialog's run.
QuietInstallOutcome InstallQuietly(const QuietInstall& install,
                                   const std::function<void()>& hand_off);

// The uninstaller's run without its dialog: the start question and the
// outcome answered for the user. The index goes too when remove_index is set
// and a copy of it is recorded.
void UninstallQuietly(bool remove_index);

}  // namespace kestra
