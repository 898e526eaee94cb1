#include "DriveWatch.h"

#include <windows.h>

#include <algorithm>

#include "ShellPlaces.h"
#include "UiDriver.h"
#include "WineTestEnv.h"
#include "system/Handles.h"
#include "system/Mbcs.h"

namespace e2e {

namespace {

void ListBelow(const std::string& folder, std::set<std::string>& paths) {
  // The test programs that run beside SETUP's (ctest -j) work there.
  if (kestra::AnsiUpperCase(folder) == kestra::AnsiUpperCase(testenv::kInProcessWork)) return;
  WIN32_FIND_DATAA data;
  kestra::FindHandle find(::FindFirstFileA((folder + "*").c_str(), &data));
  if (!find) return;
  do {
    const std::string name = data.cFileName;
    if (name == "." || name == "..") continue;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      const std::string sub = folder + name + "\\";
      paths.insert(sub);
      if (!(data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) ListBelow(sub, paths);
    } else {
      paths.insert(folder + name);
    }
  } while (::FindNextFileA(find.get(), &data));
}

bool Inside(const std::string& path, const std::vector<std::string>& places) {
  const std::string upper = kestra::AnsiUpperCase(path);
  return std::any_of(places.begin(), places.end(), [&](const std::string& place) {
    const std::string folder = kestra::AnsiUpperCase(kestra::AddBackslash(place));
    return upper.compare(0, folder.size(), folder) == 0;
  });
}

std::vector<std::string> Outside(const std::set<std::string>& paths,
                                 const std::set<std::string>& minus,
                                 const std::vector<std::string>& allowed) {
  std::vector<std::string> outside;
  for (const std::string& path : paths)
    if (!minus.count(path) && !Inside(path, allowed)) outside.push_back(path);
  return outside;
}

std::string TempFolder() {
  char buffer[MAX_PATH + 1];
  const DWORD length = ::GetTempPathA(sizeof buffer, buffer);
  return length > 0 && length < sizeof buffer ? std::string(buffer, length) : std::string();
}

}  // namespace

DriveWatch::DriveWatch(std::vector<std::string> roots) : roots_(std::move(roots)) {
  before_ = List();
}

std::set<std::string> DriveWatch::List() const {
  std::set<std::string> paths;
  for (const std::string& root : roots_) ListBelow(kestra::AddBackslash(root), paths);
  return paths;
}

std::vector<std::string> DriveWatch::AppearedOutside(
    const std::vector<std::string>& allowed) const {
  return Outside(List(), before_, allowed);
}

std::vector<std::string> DriveWatch::VanishedOutside(
    const std::vector<std::string>& allowed) const {
  return Outside(before_, List(), allowed);
}

void DriveWatch::RemoveAppearedOutside(const std::vector<std::string>& allowed) const {
  std::vector<std::string> appeared = AppearedOutside(allowed);
  // Longest first: what lies in a folder goes before the folder.
  std::sort(appeared.begin(), appeared.end(),
            [](const std::string& a, const std::string& b) { return a.size() > b.size(); });
  for (const std::string& path : appeared) {
    ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (kestra::EndsWithChar(path, '\\'))
      ::RemoveDirectoryA(path.c_str());
    else
      ::DeleteFileA(path.c_str());
  }
}

std::vector<std::string> InstallationPlaces(const std::string& install_dir) {
  std::vector<std::string> places = {
      install_dir,
      "C:\\ZEL\\",                              // libraries, the proposed index folder
      "C:\\Program Files\\ZEL\\Common Files\\",  // common files, sync files, records
      testenv::DesktopFolder(),
      testenv::CommonProgramsFolder() + "ケストラ\\",
      "C:\\windows\\temp\\",
  };
  if (const std::string temp = TempFolder(); !temp.empty()) places.push_back(temp);
  // The folders on the way to them appear too when they are made.
  places.push_back("C:\\Program Files\\ZEL\\");
  return places;
}

std::string PathList(const std::vector<std::string>& paths) {
  std::string text;
  for (const std::string& path : paths) text += uidrv::ToUtf8(path) + "\n";
  return text;
}

}  // namespace e2e
