// A stand-in for the DVD's archive expander that records what the install
// engine asks of it. Built three times: with both functions, and with either
// one missing (FAKE_EZIP_NO_PROGRESS, FAKE_EZIP_NO_EXPAND).
//
// Behaviour, steered by environment variables of the calling process:
//   KESTRA_FAKE_EZIP_LOG     file that receives one line per event:
//                            "attach", "detach", "progress-set",
//                            "expand|archive|base|member|reserved"
//   KESTRA_FAKE_EZIP_FAIL    a member path that fails (result -1, nothing written)
//   KESTRA_FAKE_EZIP_RESULT  a number every expansion returns instead (nothing written)
//   KESTRA_FAKE_EZIP_CLICK   "member|hwnd": before that member is written, a
//                            click is posted to the window, and the progress
//                            callback runs (so the engine handles the click)
// Otherwise base + member is created holding the text "member", and the
// result is its length. A missing folder makes the expansion fail: the
// engine creates the folders before it calls.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

using ProgressFunc = int(WINAPI*)(DWORD, DWORD);
ProgressFunc progress = nullptr;

// Read through the wide call: Wine's GetEnvironmentVariableA cuts values with
// double-byte characters short (it counts characters, not bytes).
std::string Env(const char* name) {
  wchar_t wide_name[128];
  if (!::MultiByteToWideChar(CP_ACP, 0, name, -1, wide_name, 128)) return std::string();
  wchar_t buffer[1024];
  DWORD got = ::GetEnvironmentVariableW(wide_name, buffer, 1024);
  if (got == 0 || got >= 1024) return std::string();
  char bytes[4096];
  int length = ::WideCharToMultiByte(CP_ACP, 0, buffer, static_cast<int>(got), bytes,
                                     sizeof bytes, nullptr, nullptr);
  return std::string(bytes, static_cast<std::size_t>(length > 0 ? length : 0));
}

void Log(const std::string& line) {
  const std::string path = Env("KESTRA_FAKE_EZIP_LOG");
  if (path.empty()) return;
  HANDLE file = ::CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  const std::string text = line + "\r\n";
  DWORD written = 0;
  ::WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  ::CloseHandle(file);
}

[[maybe_unused]] void ClickIfAsked(const std::string& member) {
  const std::string click = Env("KESTRA_FAKE_EZIP_CLICK");
  const std::size_t bar = click.find('|');
  if (bar == std::string::npos || click.substr(0, bar) != member) return;
  HWND window = reinterpret_cast<HWND>(
      static_cast<INT_PTR>(std::strtoll(click.c_str() + bar + 1, nullptr, 10)));
  ::PostMessageA(window, BM_CLICK, 0, 0);
}

[[maybe_unused]] double WriteMember(const std::string& path, const std::string& member) {
  HANDLE file = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return -1;
  DWORD written = 0;
  BOOL ok = ::WriteFile(file, member.data(), static_cast<DWORD>(member.size()), &written, nullptr);
  ::CloseHandle(file);
  return ok ? static_cast<double>(written) : -1;
}

}  // namespace

extern "C" {

#ifndef FAKE_EZIP_NO_PROGRESS
__declspec(dllexport) void WINAPI EZipSetProgressFunc(ProgressFunc callback) {
  progress = callback;
  Log("progress-set");
}
#endif

#ifndef FAKE_EZIP_NO_EXPAND
__declspec(dllexport) double WINAPI EZipExpandLibOnce(const char* archive, const char* base,
                                                     const char* member, int reserved) {
  Log(std::string("expand|") + archive + "|" + base + "|" + member + "|" +
      std::to_string(reserved));
  ClickIfAsked(member);
  if (progress) progress(0, 1);
  if (Env("KESTRA_FAKE_EZIP_FAIL") == member) return -1;
  const std::string result = Env("KESTRA_FAKE_EZIP_RESULT");
  if (!result.empty()) return std::strtod(result.c_str(), nullptr);
  double written = WriteMember(std::string(base) + member, member);
  if (progress) progress(1, 1);
  return written;
}
#endif

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) Log("attach");
  if (reason == DLL_PROCESS_DETACH) Log("detach");
  return TRUE;
}

}  // extern "C"
