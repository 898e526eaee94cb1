#include "install/FileList.h"

#include <windows.h>

#include "script/Profile.h"
#include "system/FileSys.h"
#include "system/Mbcs.h"
#include "system/Messages.h"
#include "system/SysQuery.h"

namespace kestra {

SetupScript ReadSetupScript(const std::string& path, const std::function<void()>& pump) {
  if (!FileExists(path)) return SetupScript();
  return ReadSetupScript(*ProfileReadOnce(path), pump);
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
      if (!CreateFolder(built)) {
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
