// What a run of SETUP changed on the test drives: every file and folder below
// the watched roots is listed when the watch starts and again when asked, so
// that a test can require that nothing appeared (or vanished) outside the
// places the run is meant to write to. The work folder of the test programs
// that run beside it (testenv::kInProcessWork) is not listed.
#pragma once

#include <set>
#include <string>
#include <vector>

namespace e2e {

class DriveWatch {
 public:
  // Lists everything below each root (a drive root "C:\" or a folder with
  // trailing backslash) now. Links to folders are listed, not followed.
  explicit DriveWatch(std::vector<std::string> roots);

  // Full paths (folders with a trailing backslash) that exist now but did not
  // when the watch started, and that lie in none of the allowed places (full
  // paths of folders with trailing backslash, compared without regard to case).
  std::vector<std::string> AppearedOutside(const std::vector<std::string>& allowed) const;
  // The same for paths that existed then and are gone now.
  std::vector<std::string> VanishedOutside(const std::vector<std::string>& allowed) const;

  // Removes what appeared outside the allowed places (files first, deepest
  // folders first), so that a failing row leaves no trace for the next test.
  void RemoveAppearedOutside(const std::vector<std::string>& allowed) const;

 private:
  std::set<std::string> List() const;
  std::vector<std::string> roots_;
  std::set<std::string> before_;
};

// The places an installation may write to besides the application folder:
// the library and index folders below C:\ZEL, the shared folder with the
// records, the desktop and the Start menu, the temporary folders.
std::vector<std::string> InstallationPlaces(const std::string& install_dir);

// Readable list of paths for failure messages (UTF-8, one per line).
std::string PathList(const std::vector<std::string>& paths);

}  // namespace e2e
