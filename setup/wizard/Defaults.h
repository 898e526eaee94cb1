// What the destination settings page proposes before the user changes
// anything: the application folder, the index folder choices, the folder of
// every DVD, and whether an installed copy is to be upgraded. Worked out from
// the Program Files folder, the registry entries an earlier installation left
// and the marker file of an earlier index. Reads only; writes nothing.
#pragma once

#include <string>

#include "system/AppInfo.h"

namespace kestra {

// The run-wide values the defaults depend on.
struct DefaultsInputs {
  std::string SetupDir;      // folder of the running installer, with trailing "\"
  std::string SetupDrive;    // "X:" under which the logged-on user sees SetupDir (Vista or later)
  bool VistaOrLater = false;

  // The values of this run (setup/system/RunValues.h).
  static DefaultsInputs FromRunValues();
};

// Values the page keeps besides the record.
struct PageDefaults {
  std::string DefaultIndexDir;     // offered by the page's default-folder button
  std::string DvdIndexDir;         // the index on the DVD itself ("DOCS\" of the setup folder)
  std::string RegisteredIndexDir;  // index folder of an earlier installation, "" if none
  bool RegisteredIndexFound = false;  // RegisteredIndexDir holds the index marker file
  bool DvdFoldersRecorded = false;    // the DVD folders come from an earlier installation
};

struct DestinationDefaults {
  TFInstAppInfo Record;
  PageDefaults Page;
};

// Registry locations an installation writes and the defaults read.
inline constexpr char kCurrentVersionKey[] = "SoftWare\\MicroSoft\\Windows\\CurrentVersion\\";
inline constexpr char kProgramFilesValue[] = "ProgramFilesDir";
inline constexpr char kFallbackProgramFiles[] = "C:\\Program Files\\";

// The record as handed in, filled with the defaults; every field the defaults
// do not decide passes through unchanged.
DestinationDefaults LoadDestinationDefaults(const TFInstAppInfo& handed_in,
                                            const DefaultsInputs& inputs);

}  // namespace kestra
