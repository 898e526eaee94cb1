// The beginning and the end of the run's log: what an administrator needs to
// know about the run before its first event (the command line, SETUP's own
// version, the Windows version and architecture, the account) and its exit
// code as the last line.
#pragma once

#include "deploy/RunOptions.h"

namespace kestra {

// Opens the log -LOG asks for and writes the run's beginning into it.
void OpenRunLog(const RunOptions& options);

// Writes the exit code as the log's last line and returns it.
int FinishRunLog(int exit_code);

}  // namespace kestra
