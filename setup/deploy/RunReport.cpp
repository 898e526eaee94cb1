#include "deploy/RunReport.h"

#include <windows.h>

#include <vector>

#include "script/Setupc.h"
#include "system/Changes.h"
#include "system/FileSys.h"
#include "system/RunLog.h"
#include "system/SysQuery.h"

namespace kestra {

namespace {

std::string WindowsDescription() {
  OsVersionRecord version;
  if (!GetOSVersion(version)) return "unknown";
  std::string text = (version.platform == VER_PLATFORM_WIN32_NT ? "Windows NT " : "Windows ") +
                     std::to_string(version.major) + "." + std::to_string(version.minor) +
                     " build " + std::to_string(version.build);
  BOOL wow64 = FALSE;
  using IsWow64ProcessFn = BOOL(WINAPI*)(HANDLE, PBOOL);
  const auto is_wow64 = reinterpret_cast<IsWow64ProcessFn>(reinterpret_cast<void*>(
      ::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "IsWow64Process")));
  if (is_wow64) is_wow64(::GetCurrentProcess(), &wow64);
  if (sizeof(void*) == 8)
    text += ", 64-bit";
  else
    text += wow64 ? ", 64-bit (this 32-bit program under WoW64)" : ", 32-bit";
  return text;
}

std::string AccountName() {
  char name[257] = {};
  DWORD length = sizeof name;
  return ::GetUserNameA(name, &length) ? std::string(name) : std::string("unknown");
}

}  // namespace

bool OpenRunLog(const RunOptions& options) {
  if (!options.plan_file.empty()) {
    // The plan is the run's log of a run that changes nothing.
    changes::StartPlanning();
    if (!runlog::Open(options.plan_file)) return false;
    runlog::Write("Plan: what this run would do, in its order; nothing of it has been done");
  } else {
    if (!options.log) return true;
    if (!runlog::Open(options.log_file.empty() ? runlog::DefaultPath() : options.log_file))
      return true;
  }
  const std::string program = ProgramFilePath();
  runlog::Write(std::string("Command line: ") + ::GetCommandLineA());
  const std::string version = FileVersionText(program);
  runlog::Write("SETUP " + (version.empty() ? std::string("(no version)") : version) + ": " +
                program);
  runlog::Write("Windows: " + WindowsDescription());
  runlog::Write("Account: " + AccountName());
  return true;
}

int FinishRunLog(int exit_code) {
  runlog::Write("Exit code " + std::to_string(exit_code));
  runlog::Close();
  return exit_code;
}

}  // namespace kestra
