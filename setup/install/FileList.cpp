#include "install/FileList.h"

#include <windows.h>

#include "system/FileSys.h"
#include "system/Mbcs.h"
#include "system/Messages.h"
#include "system/SysQuery.h"

namespace kestra {

namespace {

constexpr char kScriptSection[] = "Groups";

std::string GroupKey(int32_t n, const char* what) {
  return "Group" + std::to_string(n) + what;
}

}  // namespace

std::string ReadIniString(const std::string& file, const char* section, const std::string& key) {
  std::vector<char> buffer(512);
  for (;;) {
    DWORD got = ::GetPrivateProfileStringA(section, key.c_str(), "", buffer.data(),
                                           static_cast<DWORD>(buffer.size()), file.c_str());
    // A value that filled the buffer may have been cut: read it again, larger.
    if (got + 1 < buffer.size()) return std::string(buffer.data(), got);
    buffer.resize(buffer.size() * 2);
  }
}

SetupScript ReadSetupScript(const std::string& path, const std::function<void()>& pump) {
  SetupScript script;
  if (!FileExists(path)) return script;
  int32_t reads = 0;
  auto read = [&](const std::string& key) {
    if (pump && ++reads % kScriptReadsPerPump == 0) pump();
    return ReadIniString(path, kScriptSection, key);
  };
  // The counts come from the DVD: a damaged or hostile script may claim
  // 2147483647 groups or files, one profile read each, hours of reading.
  const int32_t groups = std::min(ScriptInteger(read("Groups")), kMaxScriptGroups);
  int32_t files_left = kMaxScriptFiles;
  for (int32_t n = 1; n <= groups; ++n) {
    ScriptGroup group;
    group.name = read(GroupKey(n, "Name"));
    group.dir = read(GroupKey(n, "Dir"));
    const int32_t files = std::min(ScriptInteger(read(GroupKey(n, "grpFiles"))), files_left);
    for (int32_t m = 1; m <= files; ++m)
      group.files.push_back(read(GroupKey(n, "File") + std::to_string(m)));
    files_left -= std::max(files, 0);
    script.groups.push_back(std::move(group));
  }
  return script;
}

bool DestinationStaysInBase(const std::string& base, const std::string& path) {
  if (base.empty() || path.size() <= base.size() || path.compare(0, base.size(), base) != 0)
    return false;
  // What the script added after the base: no drive or stream (":"), no second
  // root, and nothing the system would resolve upwards.
  const std::string_view added = std::string_view(path).substr(base.size());
  if (FindChar(added, ':') != std::string_view::npos) return false;
  if (added.front() == '\\' || added.front() == '/') return false;
  const std::string full_base = AnsiUpperCase(AddBackslash(FullLongPath(base)));
  const std::string full_path = AnsiUpperCase(FullLongPath(path));
  return full_path.size() > full_base.size() &&
         full_path.compare(0, full_base.size(), full_base) == 0;
}

namespace {

// The components of a path, each with its trailing backslash (the last may
// lack one): "\\srv\share\a" → "\", "\", "srv\", "share\", "a".
std::vector<std::string> PathComponents(const std::string& path) {
  std::vector<std::string> components;
  std::string current;
  std::size_t i = 0;
  while (i < path.size()) {
    const bool lead = IsLeadByte(static_cast<unsigned char>(path[i])) && i + 1 < path.size();
    const std::size_t length = lead ? 2 : 1;
    current.append(path, i, length);
    if (!lead && path[i] == '\\') {
      components.push_back(current);
      current.clear();
    }
    i += length;
  }
  if (!current.empty()) components.push_back(current);
  return components;
}

std::string CreatedRecord(const std::string& prefix, const std::string& folder) {
  return prefix.empty() ? folder : prefix + "," + folder;
}

}  // namespace

bool MakeDirs(const std::string& prefix, const std::string& path, std::string& created) {
  std::vector<std::string> made;
  bool ok = true;
  if (!DirectoryExists(path)) {
    std::string built;
    bool skip_next = false;
    for (const std::string& component : PathComponents(path)) {
      ProcessMessages();
      built += component;
      // A lone backslash starts a network path: the server name that follows
      // is no folder to test or create.
      if (component == "\\") {
        skip_next = true;
        continue;
      }
      if (skip_next) {
        skip_next = false;
        continue;
      }
      if (DirectoryExists(built)) continue;
      if (!::CreateDirectoryA(built.c_str(), nullptr)) {
        ok = false;
        break;
      }
      made.push_back(CreatedRecord(prefix, built));
    }
  }
  if (created != "-1") {
    created.clear();
    for (const std::string& line : made) created += line + "\r\n";
  }
  return ok;
}

}  // namespace kestra
