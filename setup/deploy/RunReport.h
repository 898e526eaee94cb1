// The beginning and the end of the run's log: what an administrator needs to
// know about the run before its first event (the command line, SETUP's own
// version, the Windows version and architecture, the account) and its exit
// code as the last line.
#pragma once

#include "deploy/RunOptions.h"

namespace kestra {

// Opens the log -LOG asks for (or the plan -PLAN asks for, which makes the
// run one that only plans) and writes the run's beginning into it. False
// when a plan was asked for and its file cannot be written.
bool OpenRunLog(const RunOptions& options);

// Writes the exit code as the log's last line and returns it.
int FinishRunLog(int exit_code);

}  // namespace kestra
