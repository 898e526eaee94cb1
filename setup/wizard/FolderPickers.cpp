#include "wizard/FolderPickers.h"

#include <objbase.h>
#include <shlobj.h>

#include "system/FileSys.h"
#include "system/Mbcs.h"
#include "system/SysQuery.h"

namespace kestra {

namespace {

// The shell's folder browser, preselecting the start folder.
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

bool BrowseForFolder(std::string& folder) { return BrowseShellFolders(folder); }

// Until the desktop-user helper takes its place, Windows 8 and later browse in
// this process too.
bool BrowseAsDesktopUser(HWND, std::string& folder, bool) { return BrowseShellFolders(folder); }

}  // namespace kestra
