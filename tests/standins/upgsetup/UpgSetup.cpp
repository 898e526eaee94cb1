// Stand-in for the DVD's upgrade tool PLUS\UPDATE\UPGSETUP.EXE.
//
// SETUP starts it with "-S" after a successful installation and waits until it
// writes a value other than "0" into "upgSetup" of the product key. This one
// records how it was started and what "upgSetup" held when it started, then
// signals after a delay the test chooses:
//   KESTRA_UPGSETUP_LOG       file the record is appended to
//                             (default: UPGSETUP.LOG beside the program)
//   KESTRA_UPGSETUP_DELAY_MS  milliseconds before the signal (default 0);
//                             "never": the tool ends without signalling
//   KESTRA_UPGSETUP_SIGNAL    the value written (default "1")
// Record lines: "program=<own path>", "command=<command line>",
// "upgSetup=<value>" ("upgSetup-missing" when the value or key is absent),
// then "signalled=<value>" once the signal is written.
#include <windows.h>

#include <cstdlib>
#include <string>

#include "startup/InstalledProduct.h"
#include "system/FileSys.h"
#include "system/Handles.h"
#include "system/Mbcs.h"
#include "system/Registry.h"

namespace {

// The installed product's key, where the installer waits for the signal.
constexpr char kProductKey[] = "SOFTWARE\\ZEL\\ケストラDVD\\";


std::string Environment(const char* name, const std::string& fallback) {
  const char* value = std::getenv(name);
  return value && *value ? std::string(value) : fallback;
}

void Record(const std::string& log, const std::string& line) {
  kestra::FileHandle file(::CreateFileA(log.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                                        OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return;
  const std::string text = line + "\r\n";
  DWORD written = 0;
  ::WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

// Handles window messages for a while, as a GUI program does. The first look
// at the queue also tells WinExec, which waits until the program it started is
// idle, that this one is up and running.
void PumpMessagesFor(DWORD milliseconds) {
  const ULONGLONG deadline = ::GetTickCount64() + milliseconds;
  MSG msg;
  for (;;) {
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageA(&msg);
    const ULONGLONG now = ::GetTickCount64();
    if (now >= deadline) return;
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(deadline - now),
                                QS_ALLINPUT);
  }
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  const std::string program = kestra::ProgramFilePath();
  const std::string log =
      Environment("KESTRA_UPGSETUP_LOG", kestra::ExtractFilePath(program) + "UPGSETUP.LOG");
  Record(log, "program=" + program);
  Record(log, "command=" + std::string(::GetCommandLineA()));

  kestra::RegKey product = kestra::RegKey::Open(HKEY_LOCAL_MACHINE, kProductKey);
  std::optional<std::string> at_start =
      product ? product.ReadString("upgSetup") : std::optional<std::string>();
  Record(log, at_start ? "upgSetup=" + *at_start : std::string("upgSetup-missing"));
  product.Close();

  const std::string delay = Environment("KESTRA_UPGSETUP_DELAY_MS", "0");
  if (delay == "never") {
    PumpMessagesFor(0);
    return 0;
  }
  PumpMessagesFor(static_cast<DWORD>(std::strtoul(delay.c_str(), nullptr, 10)));

  const std::string signal = Environment("KESTRA_UPGSETUP_SIGNAL", "1");
  if (kestra::RegKey key = kestra::RegKey::Open(HKEY_LOCAL_MACHINE, kProductKey)) {
    if (key.WriteString("upgSetup", signal)) Record(log, "signalled=" + signal);
  }
  return 0;
}
