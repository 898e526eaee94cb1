#include "system/ExitCodes.h"

namespace kestra {

namespace {
int g_exit_code = kExitDone;
}  // namespace

void EndRunWith(int code) {
  if (g_exit_code == kExitDone) g_exit_code = code;
}

int RunExitCode() { return g_exit_code; }

void ResetRunExitCode() { g_exit_code = kExitDone; }

}  // namespace kestra
