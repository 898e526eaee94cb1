// Helpers of the start-up suites: machine-wide registry values kept as they
// were, a folder of test data per suite, and programs run to their end.
#pragma once

#include <windows.h>

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "WineTestEnv.h"
#include "system/Handles.h"
#include "system/Registry.h"

namespace startup_test {

// One registry value as it was: type and bytes, or absent.
struct RegistryValue {
  DWORD type = REG_NONE;
  std::vector<BYTE> data;
};

inline std::optional<RegistryValue> ReadValue(HKEY root, const std::string& key,
                                              const std::string& name) {
  kestra::RegKey open = kestra::RegKey::Open(root, key, KEY_READ);
  if (!open) return std::nullopt;
  RegistryValue value;
  DWORD size = 0;
  if (::RegQueryValueExA(open.get(), name.c_str(), nullptr, &value.type, nullptr, &size) !=
      ERROR_SUCCESS)
    return std::nullopt;
  value.data.resize(size);
  if (::RegQueryValueExA(open.get(), name.c_str(), nullptr, &value.type, value.data.data(),
                         &size) != ERROR_SUCCESS)
    return std::nullopt;
  value.data.resize(size);
  return value;
}

inline void WriteValue(HKEY root, const std::string& key, const std::string& name,
                       DWORD type, const std::string& bytes) {
  kestra::RegKey open = kestra::RegKey::Create(root, key);
  if (!open || ::RegSetValueExA(open.get(), name.c_str(), 0, type,
                                reinterpret_cast<const BYTE*>(bytes.data()),
                                static_cast<DWORD>(bytes.size())) != ERROR_SUCCESS)
    throw std::runtime_error("cannot write the registry value " + key + "\\" + name);
}

// A text value with its terminating NUL, as Windows stores REG_SZ.
inline void WriteText(HKEY root, const std::string& key, const std::string& name,
                      const std::string& text, DWORD type = REG_SZ) {
  WriteValue(root, key, name, type, std::string(text.c_str(), text.size() + 1));
}

inline void DeleteValue(HKEY root, const std::string& key, const std::string& name) {
  if (kestra::RegKey open = kestra::RegKey::Open(root, key)) open.DeleteValue(name);
}

// Keeps a value of the test prefix as it was: saved now, put back (or deleted
// again) when the object goes, whatever the test did to it meanwhile.
class SavedRegistryValue {
 public:
  SavedRegistryValue(HKEY root, std::string key, std::string name)
      : root_(root), key_(std::move(key)), name_(std::move(name)),
        saved_(ReadValue(root_, key_, name_)) {}
  ~SavedRegistryValue() {
    if (saved_) {
      WriteValue(root_, key_, name_, saved_->type,
                 std::string(saved_->data.begin(), saved_->data.end()));
    } else {
      DeleteValue(root_, key_, name_);
    }
  }
  SavedRegistryValue(const SavedRegistryValue&) = delete;
  SavedRegistryValue& operator=(const SavedRegistryValue&) = delete;

 private:
  HKEY root_;
  std::string key_;
  std::string name_;
  std::optional<RegistryValue> saved_;
};

// A scratch folder of a suite in the build tree, with trailing backslash.
inline std::string WorkFolder(const std::string& suite) {
  return testenv::BuildDir() + "tests\\work\\" + suite + "\\";
}

// Runs a command line to its end (at most one minute) and returns its exit code.
inline DWORD RunToEnd(const std::string& command_line) {
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  std::vector<char> line(command_line.begin(), command_line.end());
  line.push_back('\0');
  if (!::CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &info))
    throw std::runtime_error("cannot start " + command_line);
  kestra::KernelHandle process(info.hProcess);
  kestra::KernelHandle thread(info.hThread);
  if (::WaitForSingleObject(process.get(), 60000) != WAIT_OBJECT_0) {
    ::TerminateProcess(process.get(), 1);
    throw std::runtime_error("no end within a minute: " + command_line);
  }
  DWORD exit_code = 0;
  ::GetExitCodeProcess(process.get(), &exit_code);
  return exit_code;
}

// Seconds a call took.
// (The performance counter, not <chrono>: the standard header does not
// compile with code page 932 as execution character set.)
template <typename F>
double SecondsOf(F&& call) {
  LARGE_INTEGER frequency{}, start{}, end{};
  ::QueryPerformanceFrequency(&frequency);
  ::QueryPerformanceCounter(&start);
  call();
  ::QueryPerformanceCounter(&end);
  return static_cast<double>(end.QuadPart - start.QuadPart) /
         static_cast<double>(frequency.QuadPart);
}

}  // namespace startup_test
