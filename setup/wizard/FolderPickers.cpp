#include "wizard/FolderPickers.h"

#include <objbase.h>
#include <shlobj.h>

#include "system/FileSys.h"
#include "system/Mbcs.h"
#include "system/SysQuery.h"
#include "ui/Form.h"

namespace kestra {

namespace {

// The shell's folder browser, preselecting the start folder. It serves every
// kind of system until the directory dialog, the desktop-user picker and the
// DVD selection dialog take their places behind the functions below.
class ComScope {
 public:
  ComScope() : initialized_(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
  ~ComScope() {
    if (initialized_) ::CoUninitialize();
  }
  ComScope(const ComScope&) = delete;
  ComScope& operator=(const ComScope&) = delete;

 private:
  bool initialized_;
};

int CALLBACK PreselectStartFolder(HWND dialog, UINT msg, LPARAM, LPARAM data) {
  if (msg == BFFM_INITIALIZED) ::SendMessageA(dialog, BFFM_SETSELECTIONA, TRUE, data);
  return 0;
}

bool BrowseShellFolders(std::string& folder) {
  ComScope com;
  std::string start = folder;
  // A folder that does not exist yet starts the browser at its drive.
  if (IsDriveReady(start) && !DirectoryExists(start)) start = ExtractFileDrive(start);
  char display_name[MAX_PATH] = {};
  BROWSEINFOA info{};
  info.hwndOwner = ::GetForegroundWindow();
  info.pszDisplayName = display_name;
  info.lpszTitle = "フォルダを選択して下さい。";
  info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_STATUSTEXT;
  info.lpfn = PreselectStartFolder;
  info.lParam = reinterpret_cast<LPARAM>(start.c_str());
  PIDLIST_ABSOLUTE chosen = ::SHBrowseForFolderA(&info);
  if (!chosen) return false;
  char path[MAX_PATH] = {};
  const bool has_path = ::SHGetPathFromIDListA(chosen, path) != FALSE;
  ::CoTaskMemFree(chosen);
  if (!has_path || !path[0]) return false;
  folder = path;
  return true;
}

}  // namespace

bool PickFolderOldWindows(HWND, int, std::string& folder) { return BrowseShellFolders(folder); }

bool PickFolderInProcess(std::string& folder) { return BrowseShellFolders(folder); }

bool PickFolderAsDesktopUser(HWND, std::string& folder, bool) {
  return BrowseShellFolders(folder);
}

int ShowDvdSelection(HWND, std::vector<std::string>& work_list, const std::vector<std::string>&,
                     const std::string&, int) {
  // Every DVD number is selected at first, so one pick sets them all.
  if (work_list.size() < 2) return mrOk;
  std::string folder = work_list[1];
  if (BrowseShellFolders(folder)) {
    for (std::size_t i = 1; i < work_list.size(); ++i) work_list[i] = AddBackslash(folder);
  }
  return mrOk;
}

}  // namespace kestra
