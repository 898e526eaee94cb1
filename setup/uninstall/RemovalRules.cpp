#include "uninstall/RemovalRules.h"

#include <string_view>

#include "install/RecordFile.h"
#include "system/FileSys.h"
#include "system/Mbcs.h"
#include "system/ProductTable.h"

namespace kestra {

namespace {

constexpr char kLinkExtension[] = ".LNK";

// needle occurs in haystack starting on a character boundary (code page 932):
// a match that began on the second byte of a double-byte character would be
// text the user never wrote.
bool ContainsOnCharBoundary(std::string_view haystack, std::string_view needle) {
  if (needle.empty()) return true;
  std::size_t at = 0;
  while (at < haystack.size()) {
    if (haystack.compare(at, needle.size(), needle) == 0) return true;
    const bool lead = IsLeadByte(static_cast<unsigned char>(haystack[at]));
    at += (lead && at + 1 < haystack.size()) ? 2 : 1;
  }
  return false;
}

bool EndsWithText(const std::string& text, std::string_view tail) {
  return text.size() >= tail.size() &&
         text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

}  // namespace

std::string RecordLinePath(const std::string& line) {
  // "=" is never the second byte of a double-byte character.
  const std::size_t eq = line.find('=');
  return eq == std::string::npos ? line : line.substr(eq + 1);
}

bool IsSharedPath(const std::string& path) {
  // Recognised however the record spells it: in other letter case, in 8.3
  // short form, or with "." and ".." parts. The folder itself counts too.
  // A line that is no full path (the section header, a damaged line) is not
  // resolved: it would be taken relative to the folder the uninstaller runs
  // in, which is the records folder inside the shared folder, and the line
  // would be dropped from the rewritten record.
  const std::string shared = AnsiUpperCase(kSharedSubfolder);
  return ContainsOnCharBoundary(AnsiUpperCase(AddBackslash(path)), shared) ||
         (IsAbsolutePath(path) &&
          ContainsOnCharBoundary(AnsiUpperCase(AddBackslash(FullLongPath(path))), shared));
}

bool NamesApplicationFile(const std::string& path) {
  return ContainsOnCharBoundary(AnsiUpperCase(path), AnsiUpperCase(kProduct.application));
}

std::string ShortcutFolderOf(const std::string& path) {
  if (!IsAbsolutePath(path)) return std::string();
  const std::string name = ExtractFileName(path);
  const std::string folder = ExtractFilePath(path);
  if (name == std::string(kProduct.program_folder) + kLinkExtension) return folder;
  // The Start-menu shortcuts are named after the product, inside a folder named
  // as the program folder: that folder is the one to remove once emptied.
  if (EndsWithText(AnsiUpperCase(name), kLinkExtension) &&
      ExtractFileName(RemoveBackslash(folder)) == kProduct.program_folder)
    return folder;
  return std::string();
}

std::vector<std::string> SplitTextLines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(std::move(line));
    start = end + 1;
  }
  return lines;
}

std::string JoinTextLines(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  return text;
}

RecordPass RemoveRecordedFiles(std::vector<std::string>& lines, RecordFileActions& actions) {
  RecordPass pass;
  for (std::string& line : lines) {
    const std::string path = RecordLinePath(line);
    if (std::string folder = ShortcutFolderOf(path); !folder.empty())
      pass.shortcut_folder = std::move(folder);
    actions.Step(path);
    if (IsSharedPath(path)) {
      // Shared with other products: never deleted, and forgotten by the record.
      line.clear();
      actions.KeptShared(path);
      continue;
    }
    // A file that is already gone stays recorded, as do the section header and
    // the folder entries.
    if (!IsAbsolutePath(path) || !actions.FileExists(path)) continue;
    if (NamesApplicationFile(path)) pass.install_folder = ExtractFilePath(path);
    if (actions.Delete(path))
      line.clear();
    else
      pass.failed.push_back(path);
    actions.Pump();
  }
  return pass;
}

std::vector<std::string> KeptRecordLines(const std::vector<std::string>& lines) {
  std::vector<std::string> kept;
  for (const std::string& line : lines)
    if (!line.empty()) kept.push_back(line);
  return kept;
}

}  // namespace kestra
