#include "RunRecords.h"

#include <algorithm>
#include <ostream>
#include <thread>

#include <gtest/gtest.h>

#include "WineTestEnv.h"
#include "system/Handles.h"
#include "system/Registry.h"
#include "system/TextCodec.h"

namespace e2e {

namespace {

constexpr char kProductKey[] = "SOFTWARE\\ZEL\\ケストラDVD";
constexpr char kUninstallKey[] = "SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\UNINSTALL\\ケストラDVD";
constexpr char kAppPathsKey[] = "SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\App Paths\\KESTRA.EXE";

// The verbs of changes, written out here: as planned, and as made.
const std::vector<std::pair<std::string, std::string>> kVerbs = {
    {"Create folder", "Folder created"},
    {"Remove folder if empty", "Folder removed"},
    {"Remove folder if empty", "Folder kept (not empty)"},  // the plan's "if" decided
    {"Expand", "Expanded"},
    {"Copy", "Copied"},
    {"Write", "Written"},
    {"Delete", "Deleted"},
    {"Write registry value", "Registry value written"},
    {"Delete registry key", "Registry key deleted"},
    {"Create shortcut", "Shortcut created"},
    {"Start", "Started"},
};

// The details only a plan or only a log can give; a shortcut's target and a
// copy's source are known to both and stay.
bool IsOneSidedDetail(const std::string& detail) {
  for (const char* head : {"and wait", "exit code ", "WinExec "})
    if (detail.rfind(head, 0) == 0) return true;
  return detail.size() > 6 && detail.compare(detail.size() - 6, 6, " bytes") == 0 &&
         detail.find_first_not_of("0123456789-") == detail.size() - 6;
}

std::string WithoutOneSidedDetail(const std::string& object) {
  if (object.empty() || object.back() != ')') return object;
  const std::size_t open = object.rfind(" (");
  if (open == std::string::npos) return object;
  const std::string detail = object.substr(open + 2, object.size() - open - 3);
  return IsOneSidedDetail(detail) ? object.substr(0, open) : object;
}

std::string RootName(HKEY root) {
  return root == HKEY_LOCAL_MACHINE ? "HKLM" : root == HKEY_CURRENT_USER ? "HKCU" : "HKEY";
}

void SnapshotKey(HKEY root, const std::string& path, const std::string& shown,
                 RegistrySnapshot& snapshot) {
  kestra::RegKey key = kestra::RegKey::Open(root, path, KEY_READ);
  if (!key) return;
  for (DWORD i = 0;; ++i) {
    std::vector<char> name(16384);
    DWORD name_size = static_cast<DWORD>(name.size()), type = 0, size = 0;
    if (::RegEnumValueA(key.get(), i, name.data(), &name_size, nullptr, &type, nullptr, &size) !=
        ERROR_SUCCESS)
      break;
    std::string data(size, '\0');
    name_size = static_cast<DWORD>(name.size());
    ::RegEnumValueA(key.get(), i, name.data(), &name_size, nullptr, &type,
                    reinterpret_cast<BYTE*>(data.data()), &size);
    snapshot[shown + "\\" + std::string(name.data(), name_size)] =
        std::to_string(type) + ":" + data.substr(0, size);
  }
  for (DWORD i = 0;; ++i) {
    std::vector<char> name(256);
    DWORD name_size = static_cast<DWORD>(name.size());
    if (::RegEnumKeyExA(key.get(), i, name.data(), &name_size, nullptr, nullptr, nullptr,
                        nullptr) != ERROR_SUCCESS)
      break;
    const std::string sub(name.data(), name_size);
    snapshot[shown + "\\" + sub + "\\"] = "key";
    SnapshotKey(root, path + "\\" + sub, shown + "\\" + sub, snapshot);
  }
}

void SnapshotFolder(const std::string& folder, FileSnapshot& snapshot) {
  WIN32_FIND_DATAA data;
  kestra::FindHandle find(::FindFirstFileA((folder + "*").c_str(), &data));
  if (!find) return;
  do {
    const std::string name = data.cFileName;
    if (name == "." || name == "..") continue;
    const std::string path = folder + name;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      snapshot[path + "\\"] = "folder";
      if (!(data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) SnapshotFolder(path + "\\", snapshot);
    } else {
      snapshot[path] = std::to_string(data.nFileSizeLow) + " bytes, written " +
                       std::to_string(data.ftLastWriteTime.dwHighDateTime) + ":" +
                       std::to_string(data.ftLastWriteTime.dwLowDateTime) + ", attributes " +
                       std::to_string(data.dwFileAttributes);
    }
  } while (::FindNextFileA(find.get(), &data));
}

}  // namespace

std::vector<std::string> VisibleWindowsUntilExit(const uidrv::Process& program,
                                                 uidrv::Millis timeout) {
  std::vector<std::string> seen;
  const auto end = std::chrono::steady_clock::now() + timeout;
  while (program.Running() && std::chrono::steady_clock::now() < end) {
    for (const uidrv::Window& window : uidrv::VisibleTopLevelWindows(program.Pid()))
      if (std::find(seen.begin(), seen.end(), window.ClassName()) == seen.end())
        seen.push_back(window.ClassName());
    std::this_thread::sleep_for(5ms);
  }
  if (program.Running()) seen.push_back("<still running after the time-out>");
  return seen;
}

DWORD RunWithoutWindows(const std::string& exe, const std::string& args) {
  uidrv::Process program = uidrv::Process::Start(exe, args);
  const std::vector<std::string> windows = VisibleWindowsUntilExit(program);
  EXPECT_TRUE(windows.empty()) << exe << " " << args << " showed " << windows.front();
  return program.ExitCode();
}

std::vector<std::string> LogEvents(const std::string& path) {
  const std::string bytes = testenv::ReadFile(path);
  if (bytes.rfind("\xEF\xBB\xBF", 0) != 0) return {"<no UTF-8 log at " + path + ">"};
  const std::string text = kestra::Utf8ToCp932(bytes.substr(3)).value_or("<not code page 932>");
  std::vector<std::string> events;
  for (std::size_t at = 0; at < text.size();) {
    std::size_t end = text.find("\r\n", at);
    if (end == std::string::npos) end = text.size();
    const std::string line = text.substr(at, end - at);
    // "2026-12-09 03:58:21.636 " before each event.
    events.push_back(line.size() > 24 && line[4] == '-' && line[23] == ' ' ? line.substr(24) : line);
    at = end + 2;
  }
  return events;
}

bool HasEvent(const std::vector<std::string>& events, const std::string& event) {
  return std::find(events.begin(), events.end(), event) != events.end();
}

bool HasEventStarting(const std::vector<std::string>& events, const std::string& head) {
  return std::any_of(events.begin(), events.end(),
                     [&](const std::string& e) { return e.rfind(head, 0) == 0; });
}

void PrintTo(const ChangeEntry& entry, std::ostream* out) {
  *out << uidrv::ToUtf8(entry.what + ": " + entry.object);
}

std::vector<ChangeEntry> ChangesOf(const std::vector<std::string>& events, bool planned) {
  std::vector<ChangeEntry> changes;
  for (const std::string& event : events) {
    for (const auto& [plan_verb, made_verb] : kVerbs) {
      const std::string head = (planned ? plan_verb : made_verb) + ": ";
      if (event.rfind(head, 0) != 0) continue;
      changes.push_back({plan_verb, WithoutOneSidedDetail(event.substr(head.size()))});
      break;
    }
  }
  return changes;
}

RegistrySnapshot SnapshotRegistry(const std::vector<std::pair<HKEY, std::string>>& keys) {
  RegistrySnapshot snapshot;
  for (const auto& [root, path] : keys) SnapshotKey(root, path, RootName(root) + "\\" + path, snapshot);
  return snapshot;
}

RegistrySnapshot ProductValues() {
  return SnapshotRegistry({{HKEY_LOCAL_MACHINE, kProductKey},
                           {HKEY_CURRENT_USER, kProductKey},
                           {HKEY_LOCAL_MACHINE, kUninstallKey},
                           {HKEY_LOCAL_MACHINE, kAppPathsKey}});
}

FileSnapshot SnapshotFiles(const std::vector<std::string>& folders) {
  FileSnapshot snapshot;
  for (const std::string& folder : folders) SnapshotFolder(folder, snapshot);
  return snapshot;
}

std::string Differences(const std::map<std::string, std::string>& before,
                        const std::map<std::string, std::string>& after) {
  std::string text;
  for (const auto& [name, value] : before) {
    const auto now = after.find(name);
    if (now == after.end())
      text += "gone: " + uidrv::ToUtf8(name) + "\n";
    else if (now->second != value)
      text += "changed: " + uidrv::ToUtf8(name) + "\n";
  }
  for (const auto& [name, value] : after)
    if (!before.count(name)) text += "new: " + uidrv::ToUtf8(name) + "\n";
  return text;
}

}  // namespace e2e
