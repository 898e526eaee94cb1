// The uninstaller copy started with -USERSETUP by Windows' Active Setup when a
// user logs on after an installation by the SYSTEM account: the product's
// machine values of its "Collection" and "Service" keys copied into the
// user's own keys, which an installation by a user writes beside them. No
// window, nothing else written.
#pragma once

namespace kestra {

// Copies the values; the exit code of the run (kExitDone, or kExitFailed when
// a value could not be written). Nothing installed: nothing to copy, done.
int CopyMachineValuesToUser();

}  // namespace kestra
