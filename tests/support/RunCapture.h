// Runs a program to its end and captures what it printed (standard output and
// standard error together) and its exit code.
#pragma once

#include <windows.h>

#include <string>

namespace testenv {

struct RunResult {
  DWORD exit_code = 0;
  std::string output;  // as the program wrote it (code page 932 for text)
};

// command_line: the program (quoted as needed) and its arguments. A program
// still running after timeout_ms is killed and the call throws.
RunResult RunAndCapture(const std::string& command_line, DWORD timeout_ms = 30000);

}  // namespace testenv
