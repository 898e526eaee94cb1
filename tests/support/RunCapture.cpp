#include "RunCapture.h"

#include <stdexcept>
#include <vector>

#include "system/Handles.h"

namespace testenv {

namespace {

// Reads what is in the pipe now, without waiting for more.
void DrainPipe(HANDLE pipe, std::string& output) {
  DWORD available = 0;
  while (::PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr) && available > 0) {
    std::string chunk(available, '\0');
    DWORD got = 0;
    if (!::ReadFile(pipe, chunk.data(), available, &got, nullptr) || got == 0) return;
    output.append(chunk, 0, got);
  }
}

}  // namespace

RunResult RunAndCapture(const std::string& command_line, DWORD timeout_ms) {
  SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
  HANDLE read_raw = nullptr, write_raw = nullptr;
  if (!::CreatePipe(&read_raw, &write_raw, &inheritable, 0))
    throw std::runtime_error("cannot create a pipe");
  kestra::KernelHandle read_end(read_raw), write_end(write_raw);
  ::SetHandleInformation(read_end.get(), HANDLE_FLAG_INHERIT, 0);

  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = write_end.get();
  startup.hStdError = write_end.get();
  std::vector<char> line(command_line.begin(), command_line.end());
  line.push_back('\0');
  PROCESS_INFORMATION info{};
  if (!::CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                        &startup, &info))
    throw std::runtime_error("cannot start " + command_line);
  kestra::KernelHandle process(info.hProcess), thread(info.hThread);
  write_end.reset();  // only the child writes now

  RunResult result;
  const DWORD start = ::GetTickCount();
  // Read while it runs, so a full pipe never stops it.
  while (::WaitForSingleObject(process.get(), 10) == WAIT_TIMEOUT) {
    DrainPipe(read_end.get(), result.output);
    if (::GetTickCount() - start > timeout_ms) {
      ::TerminateProcess(process.get(), 255);
      throw std::runtime_error("still running after " + std::to_string(timeout_ms) +
                               " ms: " + command_line);
    }
  }
  DrainPipe(read_end.get(), result.output);
  ::GetExitCodeProcess(process.get(), &result.exit_code);
  return result;
}

}  // namespace testenv
