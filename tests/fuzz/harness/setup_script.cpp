// The setup script and index script readers on arbitrary INI text, read as
// the platform's profile function reads a file (TextProfile): the [Groups]
// reader and the file list built from it, and the copy walk of a section
// ([COLLECTION], and the first section the text names) with its folders and
// copies going to a recording stand-in instead of the disk. Checks: the
// reader's bounds, every destination the file step would accept stays in its
// base, the walk's buffers, progress and order, and the profile reads'
// buffer rules.
#include <algorithm>
#include <cstring>
#include <set>

#include "Harness.h"
#include "install/FileList.h"
#include "install/RecordFile.h"
#include "script/Profile.h"
#include "script/ScriptSection.h"
#include "system/FileSys.h"
#include "system/Mbcs.h"

namespace {

using kestra::ProfileReader;
using kestra::TextProfile;

// ---- The profile reads themselves

void CheckReads(const TextProfile& profile, const char* section, const char* key) {
  const std::string whole = kestra::ReadProfileString(profile, section, key);
  for (std::uint32_t size : {1u, 2u, 3u, 16u, 255u, 256u, 257u}) {
    std::vector<char> buffer(size + 8, '\x7F');
    const std::uint32_t got = profile.GetString(section, key, "", buffer.data(), size);
    fuzz::Require(got < size && buffer[got] == '\0', "a read ends inside its buffer, terminated");
    fuzz::Require(std::all_of(buffer.begin() + size, buffer.end(), [](char c) { return c == '\x7F'; }),
                  "a read writes nothing beyond its buffer");
    if (got + 2 < size)
      fuzz::Require(std::string(buffer.data(), got) == whole,
                    "a value with room to spare is the whole value");
  }
}

// ---- The file list

// A destination the file step accepts lies below its base: with the path
// resolved as the system resolves it, no part climbs above the base and no
// ".." part is left for the file system to climb with.
void CheckDestination(const std::string& base, const std::string& path) {
  if (!kestra::DestinationStaysInBase(base, path)) return;
  fuzz::Require(path.starts_with(base), "an accepted destination starts with its base");
  int depth = 0;
  std::string part;
  const std::string added = path.substr(base.size()) + "\\";
  for (std::size_t i = 0; i < added.size(); ++i) {
    const char c = added[i];
    if (kestra::IsLeadByte(static_cast<unsigned char>(c)) && i + 1 < added.size()) {
      part.append(added, i++, 2);
      continue;
    }
    if (c != '\\' && c != '/') {
      part.push_back(c);
      continue;
    }
    if (part == "..")
      --depth;
    else if (!part.empty() && part != ".")
      ++depth;
    fuzz::Require(depth >= 0, "an accepted destination never climbs above its base");
    part.clear();
  }
  const std::string full = kestra::FullLongPath(path) + "\\";
  fuzz::Require(kestra::FindOnCharBoundary(full, "\\..\\") == std::string::npos,
                "an accepted destination keeps no \"..\" part for the file system");
}

void CheckFileList(const TextProfile& profile) {
  const kestra::SetupScript script = kestra::ReadSetupScript(profile);
  fuzz::Require(script.groups.size() <= static_cast<std::size_t>(kestra::kMaxScriptGroups),
                "no more groups than the bound");
  std::size_t files = 0;
  for (const kestra::ScriptGroup& group : script.groups) files += group.files.size();
  fuzz::Require(files <= static_cast<std::size_t>(kestra::kMaxScriptFiles),
                "no more files than the bound");

  kestra::FileListInput input;
  input.install_dir = "C:\\Program Files\\KESTRA";
  input.win_drive_root = "C:\\";
  const kestra::FileListPlan plan = kestra::BuildFileList(script, input);
  fuzz::Require(plan.records.size() <= files, "no more records than files");
  const std::string tag = std::to_string(kestra::kProductIndex);
  for (const std::string& record : plan.records) {
    const std::string path = kestra::RecordPathOf(record);
    const std::string kind = record.substr(0, record.find(','));
    const std::string base = kind == tag ? kestra::ApplicationBase(input.install_dir)
                             : kind == kestra::kLibraryTag ? kestra::LibraryBase(input.win_drive_root)
                                                           : kestra::CommonBase(input.win_drive_root);
    CheckDestination(base, path);
  }
}

// ---- The copy walk

// Records what the walk asks of the disk: folders are made, sources open
// with a size made of their name, except names holding "?" (no such file) and
// destinations holding "*" (the copy fails).
class RecordingFiles final : public kestra::ScriptFileSystem {
 public:
  std::vector<std::string> folders;
  std::vector<std::string> opened;
  std::vector<std::pair<std::string, std::string>> copies;
  bool open = false;

  int32_t MakePath(const std::string& folder) override {
    fuzz::Require(folder.size() <= kestra::kScriptTextLimit, "a folder fits the working buffer");
    folders.push_back(folder);
    return folder.find('*') == std::string::npos ? 0 : -1;
  }
  int64_t OpenSource(const std::string& source) override {
    fuzz::Require(!open, "one source is open at a time");
    fuzz::Require(source.size() <= kestra::kScriptTextLimit, "a source fits the working buffer");
    opened.push_back(source);
    if (source.find('?') != std::string::npos) return -1;
    open = true;
    return static_cast<int64_t>(source.size() * 1000 + static_cast<unsigned char>(source.back()));
  }
  int32_t CopySource(const std::string& source, const std::string& destination) override {
    fuzz::Require(open && !opened.empty() && opened.back() == source, "the copied source is open");
    fuzz::Require(destination.size() <= kestra::kScriptTextLimit && !destination.empty(),
                  "a destination fits the working buffer");
    copies.emplace_back(source, destination);
    return destination.find('*') == std::string::npos ? 0 : -1;
  }
  void CloseSource() override { open = false; }
};

void CheckWalk(const TextProfile& profile, const std::string& section) {
  const kestra::ScriptFolders folders{"Q:\\DOCS\\",
                                      {"C:\\INDEX\\", "C:\\WINDOWS\\", "C:\\WINDOWS\\system32\\"}};
  RecordingFiles files;
  std::vector<std::pair<std::string, int32_t>> progress;
  const int32_t result = kestra::RunScriptSection(
      profile, section, folders, files, [&](const std::string& text, int32_t percent) {
        progress.emplace_back(text, percent);
        return 0;
      });
  fuzz::Require(result == 0 || result == -1, "a section run ends in 0 or -1");
  fuzz::Require(!files.open, "no source is left open");
  fuzz::Require(!progress.empty() && progress.front() == std::make_pair(std::string(), 0),
                "progress starts at (\"\", 0)");
  fuzz::Require((result == 0) == (progress.back() == std::make_pair(std::string(), 100) &&
                                  progress.size() > 1),
                "progress ends at (\"\", 100) exactly when the run succeeds");
  for (std::size_t i = 1; i + (result == 0 ? 1 : 0) < progress.size(); ++i) {
    fuzz::Require(progress[i].second >= 0 && progress[i].second <= 100, "percent within 0-100");
    fuzz::Require(progress[i].second >= progress[i - 1].second, "percent never goes back");
  }
  fuzz::Require(files.folders.size() <= static_cast<std::size_t>(kestra::kScriptLastEntry) &&
                    files.copies.size() <= static_cast<std::size_t>(kestra::kScriptLastEntry),
                "no more entries than the last number read");
  for (const std::string& source : files.opened)
    fuzz::Require(source.starts_with(folders.source), "sources lie in the source folder");
  // The copy pass opens what the size pass opened, in the same order.
  if (!files.copies.empty()) {
    const std::size_t listed = files.opened.size() - files.copies.size();
    for (std::size_t i = 0; i < files.copies.size(); ++i)
      fuzz::Require(files.opened[listed + i] == files.opened[i],
                    "the copy pass copies what the size pass measured");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text = fuzz::Text(data, size);
  const TextProfile profile(text);

  CheckReads(profile, "Groups", "Groups");
  CheckReads(profile, "COLLECTION", "CopyFile01");
  CheckReads(profile, " collection ", "MakeDir01");
  CheckFileList(profile);
  CheckWalk(profile, "COLLECTION");
  // The first section the text names, whatever it is.
  const std::size_t open = text.find('[');
  const std::size_t close = text.find(']', open == std::string_view::npos ? 0 : open);
  if (open != std::string_view::npos && close != std::string_view::npos && close - open < 64)
    CheckWalk(profile, std::string(text.substr(open + 1, close - open - 1)));
  return 0;
}
