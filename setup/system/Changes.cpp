#include "system/Changes.h"

#include <map>

#include "system/FileSys.h"
#include "system/Mbcs.h"
#include "system/RunLog.h"

namespace kestra::changes {

namespace {

bool g_planning = false;

std::map<std::string, Assumed>& Assumptions() {
  static std::map<std::string, Assumed> assumed;
  return assumed;
}

// One spelling of a path for the assumptions: upper case, no trailing backslash.
std::string KeyOf(const std::string& path) { return AnsiUpperCase(RemoveBackslash(path)); }

void Assume(Kind kind, const std::string& object, int64_t age) {
  switch (kind) {
    case Kind::CreateFolder:
      Assumptions()[KeyOf(object)] = {Assumed::What::Folder};
      return;
    case Kind::ExpandFile:
    case Kind::CopyFile:
    case Kind::WriteFile:
    case Kind::CreateShortcut:
      Assumptions()[KeyOf(object)] = {Assumed::What::File, age};
      return;
    case Kind::DeleteFile:
      Assumptions()[KeyOf(object)] = {Assumed::What::Nothing};
      return;
    case Kind::RemoveFolder:
    case Kind::WriteValue:
    case Kind::DeleteKey:
    case Kind::RunProgram:
      return;
  }
}

std::string Line(const char* verb, const std::string& object, const std::string& detail) {
  return std::string(verb) + ": " + object + (detail.empty() ? "" : " (" + detail + ")");
}

}  // namespace

const char* PlannedText(Kind kind) {
  switch (kind) {
    case Kind::CreateFolder: return "Create folder";
    case Kind::RemoveFolder: return "Remove folder if empty";
    case Kind::ExpandFile: return "Expand";
    case Kind::CopyFile: return "Copy";
    case Kind::WriteFile: return "Write";
    case Kind::DeleteFile: return "Delete";
    case Kind::WriteValue: return "Write registry value";
    case Kind::DeleteKey: return "Delete registry key";
    case Kind::CreateShortcut: return "Create shortcut";
    case Kind::RunProgram: return "Start";
  }
  return "?";
}

const char* MadeText(Kind kind) {
  switch (kind) {
    case Kind::CreateFolder: return "Folder created";
    case Kind::RemoveFolder: return "Folder removed";
    case Kind::ExpandFile: return "Expanded";
    case Kind::CopyFile: return "Copied";
    case Kind::WriteFile: return "Written";
    case Kind::DeleteFile: return "Deleted";
    case Kind::WriteValue: return "Registry value written";
    case Kind::DeleteKey: return "Registry key deleted";
    case Kind::CreateShortcut: return "Shortcut created";
    case Kind::RunProgram: return "Started";
  }
  return "?";
}

void StartPlanning() { g_planning = true; }
bool Planning() { return g_planning; }

void Plan(Kind kind, const std::string& object, const std::string& detail, int64_t age_after) {
  Assume(kind, object, age_after);
  runlog::Write(Line(PlannedText(kind), object, detail));
}

void Made(Kind kind, const std::string& object, const std::string& detail) {
  runlog::Write(Line(MadeText(kind), object, detail));
}

void NotMade(Kind kind, const std::string& object, DWORD error) {
  runlog::WriteFailure(std::string("Not done: ") + PlannedText(kind) + ": " + object, error);
}

std::optional<Assumed> AssumedAt(const std::string& path) {
  if (!g_planning || path.empty()) return std::nullopt;
  const auto found = Assumptions().find(KeyOf(path));
  if (found == Assumptions().end()) return std::nullopt;
  return found->second;
}

}  // namespace kestra::changes
