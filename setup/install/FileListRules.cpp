#include "install/FileList.h"

#include <algorithm>
#include <charconv>

#include "script/Profile.h"
#include "system/FileSys.h"
#include "system/Mbcs.h"
#include "system/Version.h"

// The file step's decisions on plain data: no system call, so that they build
// natively as well and run under sanitizers there.
namespace kestra {

namespace {

constexpr char kInstallDirMacro[] = "<INSTALLDIR>";
constexpr char kScriptSection[] = "Groups";

std::string GroupKey(int32_t n, const char* what) {
  return "Group" + std::to_string(n) + what;
}
// The text a file name of an application group must occur in to be replaced
// by a program-only update.
constexpr const char* kProgramOnlyFile = kProduct.application;

// The file name part of a script's file value: after its last backslash.
std::string FileNamePart(const std::string& value) {
  std::size_t at = LastDelimiter(value, "\\");
  return at == std::string::npos ? value : value.substr(at + 1);
}

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

void AppendGroupRecords(std::vector<std::string>& records, const ScriptGroup& group,
                        const std::string& base, const std::string& tag) {
  for (const std::string& file : group.files)
    records.push_back(tag + "," + DestinationOf(base, group.dir, file));
}

void AppendKindRecords(std::vector<std::string>& records, const SetupScript& script,
                       GroupKind kind, const std::string& base, const std::string& tag,
                       const std::function<void()>& per_group) {
  for (const ScriptGroup& group : script.groups) {
    if (GroupKindOf(group.name) != kind) continue;
    AppendGroupRecords(records, group, base, tag);
    if (per_group) per_group();
  }
}

// The program-only update replaces the application file alone.
std::vector<std::string> ProgramOnlyRecords(const SetupScript& script,
                                            const FileListInput& input,
                                            const std::function<void()>& pump) {
  std::vector<std::string> records;
  const std::string tag = std::to_string(input.product_index);
  const std::string base = ApplicationBase(input.install_dir);
  for (const ScriptGroup& group : script.groups) {
    if (GroupKindOf(group.name) == GroupKind::Application) {
      for (const std::string& file : group.files) {
        std::string name = AnsiUpperCase(FileNamePart(file));
        if (!name.empty() && Contains(kProgramOnlyFile, name))
          records.push_back(tag + "," + DestinationOf(base, group.dir, file));
      }
    }
    if (pump) pump();
  }
  return records;
}

}  // namespace

const ProductRow& ProductRowOf(int32_t index) {
  if (index < 0 || index >= static_cast<int32_t>(kProductTable.size())) return kProduct;
  return kProductTable[static_cast<std::size_t>(index)];
}

std::string GetScriptPath(const std::string& setup_dir, int32_t row, const std::string& name) {
  if (row < 0 || row >= static_cast<int32_t>(kProductTable.size())) return std::string();
  const std::string folder = setup_dir + kProductTable[static_cast<std::size_t>(row)].key + "\\";
  if (name == kScriptName) return folder + "SETUP_F.INI";
  if (name == kArchiveName) return folder + "SETUP_F.EZP";
  return std::string();
}

SetupScript ReadSetupScript(const ProfileReader& script, const std::function<void()>& pump) {
  SetupScript result;
  int32_t reads = 0;
  auto read = [&](const std::string& key) {
    if (pump && ++reads % kScriptReadsPerPump == 0) pump();
    return ReadProfileString(script, kScriptSection, key);
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
    result.groups.push_back(std::move(group));
  }
  return result;
}

namespace {

// The resolved path lies below the resolved base (both upper-cased, the base
// with its trailing backslash).
bool ResolvedBelow(const std::string& full_base, const std::string& full_path) {
  // A ".." part that the resolution left in place ("..." resolves to "..")
  // names nothing below the base: the system refuses such a name or climbs.
  if (FindOnCharBoundary(full_path + "\\", "\\..\\") != std::string::npos) return false;
  return full_path.size() > full_base.size() &&
         full_path.compare(0, full_base.size(), full_base) == 0;
}

std::string ComparableFolder(const std::string& resolved) {
  return AnsiUpperCase(AddBackslash(resolved));
}

}  // namespace

bool DestinationStaysInBase(const std::string& base, const std::string& path) {
  if (base.empty() || path.size() <= base.size() || path.compare(0, base.size(), base) != 0)
    return false;
  // What the script added after the base: no drive or stream (":"), no second
  // root, and nothing the system would resolve upwards.
  const std::string_view added = std::string_view(path).substr(base.size());
  if (FindChar(added, ':') != std::string_view::npos) return false;
  if (added.front() == '\\' || added.front() == '/') return false;
  // Resolved from the text alone first: the long form expands existing parts
  // one for one (a short name to its long name, in the same folder), so a
  // path that lies below the base here lies below it in long form too. That
  // is every path of a sound script, at no cost to the file system; the long
  // forms, whose lookup walks every folder of both paths, decide the rest
  // (a path that climbs out, or out and back in through a short name).
  if (ResolvedBelow(ComparableFolder(FullPath(base)), AnsiUpperCase(FullPath(path))))
    return true;
  return ResolvedBelow(ComparableFolder(FullLongPath(base)), AnsiUpperCase(FullLongPath(path)));
}

int32_t ScriptInteger(std::string_view text) {
  if (text.empty()) return 0;
  std::string_view digits = text;
  if (digits.front() == '+') digits.remove_prefix(1);
  int32_t value = 0;
  auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  if (error != std::errc() || end != digits.data() + digits.size()) return 0;
  return value;
}

GroupKind GroupKindOf(std::string_view name) {
  const std::string upper = AnsiUpperCase(name);
  if (StartsWith(upper, "LIB")) return GroupKind::Library;
  if (StartsWith(upper, "COM\\")) return GroupKind::Common;
  if (StartsWith(upper, "COM")) return GroupKind::None;
  return GroupKind::Application;
}

std::string ApplicationBase(const std::string& install_dir) { return AddBackslash(install_dir); }

std::string LibraryBase(const std::string& win_drive_root) { return win_drive_root + "ZEL\\"; }

std::string CommonBase(const std::string& win_drive_root) {
  return win_drive_root + "Program Files\\ZEL\\Common Files\\";
}

std::string DestinationOf(const std::string& base, const std::string& dir,
                          const std::string& file_value) {
  std::string folder = dir;
  std::size_t at = FindOnCharBoundary(folder, kInstallDirMacro);
  if (at != std::string::npos) folder.erase(at, sizeof kInstallDirMacro - 1);
  return base + folder + FileNamePart(file_value);
}

bool DvdVersionIsNewer(const std::string& dvd_version, const std::string& installed_version) {
  return ParseVersion(dvd_version) > ParseVersion(installed_version);
}

FileListPlan BuildFileList(const SetupScript& script, const FileListInput& input,
                           const std::function<void()>& pump) {
  FileListPlan plan;
  plan.start_mode = input.install_mode;
  plan.install_mode = input.install_mode;
  if (input.program_only) {
    plan.records = ProgramOnlyRecords(script, input, pump);
    return plan;
  }
  const std::string app_tag = std::to_string(input.product_index);
  for (int32_t pass = 0; pass < input.app_count; ++pass) {
    if (plan.install_mode == 2) {
      plan.app_version = input.dvd_version;
      if (input.dvd_version.empty() || !input.installed_version ||
          DvdVersionIsNewer(input.dvd_version, *input.installed_version))
        plan.install_mode = 1;
    }
    if (plan.install_mode == 1)
      AppendKindRecords(plan.records, script, GroupKind::Application,
                        ApplicationBase(input.install_dir), app_tag, pump);
    if (plan.start_mode != 2 && plan.install_mode == 1)
      AppendKindRecords(plan.records, script, GroupKind::Library,
                        LibraryBase(input.win_drive_root), kLibraryTag, {});
    try {
      AppendKindRecords(plan.records, script, GroupKind::Common,
                        CommonBase(input.win_drive_root), kCommonTag, {});
    } catch (const std::exception&) {
      plan.common_failed = true;
    }
    if (pump) pump();
  }
  return plan;
}

RecordParts SplitRecord(const std::string& record) {
  std::size_t comma = record.find(',');
  if (comma == std::string::npos) return {std::string(), record};
  return {record.substr(0, comma), record.substr(comma + 1)};
}

std::vector<Batch> GroupIntoBatches(const std::vector<std::string>& records) {
  std::vector<Batch> batches;
  Batch collecting;
  std::string collecting_tag;
  for (std::size_t i = 0; i < records.size(); ++i) {
    const std::string tag = SplitRecord(records[i]).tag;
    const bool last = i + 1 == records.size();
    if (collecting.count > 0 && tag != collecting_tag && !last) {
      batches.push_back(collecting);
      collecting = Batch{i, 0};
    }
    if (collecting.count == 0) {
      collecting.first = i;
      collecting_tag = tag;
    }
    ++collecting.count;
  }
  if (collecting.count > 0) batches.push_back(collecting);
  return batches;
}

std::size_t FindOnCharBoundary(std::string_view haystack, std::string_view needle) {
  if (needle.empty() || needle.size() > haystack.size()) return std::string_view::npos;
  std::size_t i = 0;
  while (i + needle.size() <= haystack.size()) {
    if (haystack.compare(i, needle.size(), needle) == 0) return i;
    i += IsLeadByte(static_cast<unsigned char>(haystack[i])) ? 2 : 1;
  }
  return std::string_view::npos;
}

ExpansionCall ExpansionCallFor(const std::string& path, const std::string& base,
                               const std::string& contained) {
  const std::string folder = ExtractFilePath(path);
  const std::string name = ExtractFileName(path);
  if (folder == base) return {folder, name};
  std::size_t at = FindOnCharBoundary(folder, contained);
  if (at == std::string::npos) return {folder, name};
  std::string member = path;
  member.erase(at, base.size());
  return {base, member};
}

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::string line;
  for (char c : text) {
    if (c == '\n') {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (!line.empty()) lines.push_back(line);
      line.clear();
    } else {
      line += c;
    }
  }
  if (!line.empty() && line.back() == '\r') line.pop_back();
  if (!line.empty()) lines.push_back(line);
  return lines;
}

}  // namespace kestra
