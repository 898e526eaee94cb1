#include "script/ScriptSection.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "script/Profile.h"
#include "system/CodePage.h"
#include "system/Mbcs.h"

namespace kestra {

namespace {

// The macro names; only their first six characters are compared.
constexpr std::size_t kMacroWordLength = 6;
constexpr const char* kSetupMacro = "$setup";
constexpr const char* kWindowsMacro = "$windows";
constexpr const char* kSystemMacro = "$system";

bool SameWord(std::string_view word, const char* macro) {
  return SameInInvariantLocale(word, std::string_view(macro, kMacroWordLength));
}

bool Fits(const std::string& text) { return text.size() <= kScriptTextLimit; }

// A part of a path that the system resolves upwards: ".." and, as Windows
// drops trailing dots and blanks from a name, "..." or ".. " as well.
bool ClimbsUp(const std::string& part) {
  return std::count(part.begin(), part.end(), '.') >= 2 &&
         part.find_first_not_of(". ") == std::string::npos;
}

// A place the script may make or write: a full path ("X:\..." or
// "\\server\share\...") that no part leads upwards out of, with no ":"
// after the drive (which would name a stream). The index script names its places
// through the macros; a name relative to whatever folder SETUP was started in
// (a macro cut short, "KSCOLL.INF$set") or one that climbs out of the folder a
// macro names would write where no installation writes.
bool IsPlainFullPath(const std::string& path) {
  if (!IsAbsolutePath(path)) return false;
  if (FindChar(path, ':', 2) != std::string::npos) return false;
  std::string part;
  for (std::size_t i = 0; i <= path.size(); ++i) {
    if (i == path.size() || path[i] == '\\' || path[i] == '/') {
      if (ClimbsUp(part)) return false;
      part.clear();
    } else {
      const std::size_t length = CharLength(path, i);
      part.append(path, i, length);
      i += length - 1;
    }
  }
  return true;
}

std::string ExpandMacros(const std::string& text, const MacroValues& values) {
  return ExpandMacroText(text, values).value_or(std::string());
}

int32_t MakeFolders(const ProfileReader& script, const std::string& section,
                    const MacroValues& macros, ScriptFileSystem& files) {
  for (int32_t n = 1; n <= kScriptLastEntry; ++n) {
    const std::optional<std::string> value =
        ReadScriptValue(script, section, ScriptEntryKey("MakeDir", n));
    if (!value) return -1;
    if (value->empty()) break;
    const std::string folder = ExpandMacros(*value, macros);
    if (!IsPlainFullPath(folder) || files.MakePath(folder) != 0) return -1;
  }
  return 0;
}

// The CopyFile values from CopyFile01 up to the first empty one; nothing when
// one is too long for the buffer.
std::optional<std::vector<std::string>> ReadCopyValues(const ProfileReader& script,
                                                       const std::string& section) {
  std::vector<std::string> values;
  for (int32_t n = 1; n <= kScriptLastEntry; ++n) {
    std::optional<std::string> value =
        ReadScriptValue(script, section, ScriptEntryKey("CopyFile", n));
    if (!value) return std::nullopt;
    if (value->empty()) break;
    values.push_back(std::move(*value));
  }
  return values;
}

// Calls visit(source path, destination path) for each CopyFile value in
// order; false at the first entry that is malformed or too long, or when
// visit answers false.
template <typename Visit>
bool WalkCopyEntries(const std::vector<std::string>& values, const ScriptFolders& folders,
                     Visit visit) {
  for (const std::string& value : values) {
    const std::optional<CopyEntry> entry = SplitCopyEntry(value);
    if (!entry) return false;
    const std::string source = folders.source + entry->source;
    const std::string destination = ExpandMacros(entry->destination, folders.macros);
    // The destination names a file: a full path that does not end in a
    // backslash (a macro alone at the end names its folder).
    if (!Fits(source) || !IsPlainFullPath(destination) || EndsWithChar(destination, '\\'))
      return false;
    if (!visit(source, destination)) return false;
  }
  return true;
}

}  // namespace

std::string ScriptEntryKey(const char* name, int32_t n) {
  char number[16];
  std::snprintf(number, sizeof number, "%2.2d", static_cast<int>(n));
  return std::string(name) + number;
}

std::optional<CopyEntry> SplitCopyEntry(const std::string& value) {
  const std::size_t comma = FindChar(value, ',');
  if (comma == std::string::npos) return std::nullopt;
  CopyEntry entry{value.substr(0, comma), value.substr(comma + 1)};
  if (entry.source.empty() || entry.destination.empty()) return std::nullopt;
  return entry;
}

std::optional<std::string> ExpandMacroText(const std::string& text, const MacroValues& values) {
  std::string result = text;
  const std::size_t dollar = FindChar(text, '$');
  if (dollar != std::string::npos) {
    const std::size_t slash = FindChar(text, '\\', dollar);
    const std::string rest = slash == std::string::npos ? std::string() : text.substr(slash + 1);
    const std::string_view word = std::string_view(text).substr(dollar, kMacroWordLength);
    if (word.size() == kMacroWordLength) {
      if (SameWord(word, kSetupMacro)) result = values.setup + rest;
      else if (SameWord(word, kWindowsMacro)) result = values.windows + rest;
      else if (SameWord(word, kSystemMacro)) result = values.system + rest;
    }
  }
  if (!Fits(result)) return std::nullopt;
  return result;
}

int32_t ProgressPercent(double done, double total) {
  if (total == 0) return 0;
  return static_cast<int32_t>(std::trunc(done / total * 100));
}

bool VersionCopyWanted(const std::string& destination_version, const std::string& source_version,
                       int64_t destination_age, int64_t source_age) {
  // Version texts compare as text, not as numbers: "1.10.0.0" sorts before
  // "1.9.0.0". The scripts this runs rely on that order.
  if (!destination_version.empty() && !source_version.empty() &&
      destination_version < source_version)
    return true;
  return destination_age < source_age;
}

std::optional<std::string> ReadScriptValue(const ProfileReader& script, const std::string& section,
                                           const std::string& key) {
  char buffer[kScriptValueBuffer];
  const std::uint32_t len =
      script.GetString(section.c_str(), key.c_str(), "", buffer, sizeof buffer);
  if (len + 2 < sizeof buffer) return std::string(buffer, len);
  // A full buffer may hold a value of 254 or 255 characters or the start of a
  // longer one: the whole value tells them apart.
  std::string whole = ReadProfileString(script, section.c_str(), key);
  if (whole.size() >= kScriptValueBuffer) return std::nullopt;
  return whole;
}

int32_t RunScriptSection(const ProfileReader& script, const std::string& section,
                         const ScriptFolders& folders, ScriptFileSystem& files,
                         const TSetupcProgress& progress) {
  auto report = [&](const std::string& text, int32_t percent) {
    if (progress) progress(text, percent);
  };
  report(std::string(), 0);
  if (MakeFolders(script, section, folders.macros, files) != 0) return -1;

  // The entries are read once: the copy pass copies exactly what the size pass
  // measured, and the script file is not parsed again for every key.
  const std::optional<std::vector<std::string>> values = ReadCopyValues(script, section);
  if (!values) return -1;
  double total = 0;
  const bool listed =
      WalkCopyEntries(*values, folders, [&](const std::string& source, const std::string&) {
        const int64_t size = files.SourceSize(source);
        if (size < 0) return false;
        total += static_cast<double>(size);
        return true;
      });
  if (!listed) return -1;

  double done = 0;
  const bool copied = WalkCopyEntries(
      *values, folders, [&](const std::string& source, const std::string& destination) {
        const int64_t size = files.OpenSource(source);
        bool copied_one = false;
        if (size >= 0) {
          done += static_cast<double>(size);
          report(destination, ProgressPercent(done - static_cast<double>(size), total));
          copied_one = files.CopySource(source, destination) == 0;
          if (copied_one) report(destination, ProgressPercent(done, total));
        }
        files.CloseSource();
        return copied_one;
      });
  if (!copied) return -1;
  report(std::string(), 100);
  return 0;
}

}  // namespace kestra
