// The trace a planted file leaves when it is loaded or run: one line, the path
// of the program it ran in, appended to "<its own file>.TRACE" beside it, so
// that a test sees whether and by whom it was used.
#pragma once

#include <windows.h>

#include <string>

namespace planted {

inline std::string ModulePath(HMODULE module) {
  std::string path(MAX_PATH, '\0');
  const DWORD length = ::GetModuleFileNameA(module, path.data(), MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return std::string();
  path.resize(length);
  return path;
}

// Kernel32 only: safe inside DllMain.
inline void LeaveTrace(HMODULE self) {
  const std::string own = ModulePath(self);
  if (own.empty()) return;
  const HANDLE file = ::CreateFileA((own + ".TRACE").c_str(), FILE_APPEND_DATA, FILE_SHARE_READ,
                                    nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  const std::string line = ModulePath(nullptr) + "\r\n";
  DWORD written = 0;
  ::WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
  ::CloseHandle(file);
}

}  // namespace planted
