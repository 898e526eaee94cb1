#include "OpenFolder.h"

#include <shlobj.h>

#include "system/FileSys.h"
#include "system/Mbcs.h"
#include "system/ShellMemory.h"
#include "system/SysQuery.h"

namespace dirpick {

using kestra::ShellAllocator;
using kestra::ShellBlock;

namespace {

constexpr char kTitle[] = "フォルダを選択して下さい。";
constexpr std::size_t kPathBlock = 260;  // SHGetPathFromIDListA writes at most MAX_PATH

}  // namespace

UINT BrowseFlags(bool allow_new_folder) {
  return allow_new_folder ? BIF_RETURNONLYFSDIRS | BIF_STATUSTEXT | BIF_NEWDIALOGSTYLE
                          : BIF_RETURNONLYFSDIRS | BIF_STATUSTEXT;
}

int CALLBACK FolderDialogCallback(HWND dialog, UINT message, LPARAM item, LPARAM data) {
  switch (message) {
    case BFFM_INITIALIZED:
      ::SendMessageA(dialog, BFFM_SETSELECTIONA, TRUE, data);
      ::SetWindowPos(dialog, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
      break;
    case BFFM_SELCHANGED: {
      char path[kPathBlock] = {};
      ::SHGetPathFromIDListA(reinterpret_cast<LPCITEMIDLIST>(item), path);
      ::SendMessageA(dialog, BFFM_SETSTATUSTEXTA, 0, reinterpret_cast<LPARAM>(path));
      break;
    }
    default:
      break;
  }
  return 0;
}

bool BrowseFolder(std::string& folder, bool allow_new_folder) {
  ShellAllocator allocator;
  if (!allocator) return false;
  // Preselected without a trailing backslash (a drive root keeps its own): the
  // shell's browser may not find "C:\\Apps\\" where it finds "C:\\Apps".
  std::string start = kestra::RemoveBackslash(folder);
  if (start.size() == 2 && start[1] == ':') start += '\\';
  if (kestra::IsDriveReady(start) && !kestra::DirectoryExists(start))
    start = kestra::ExtractFileDrive(start);

  char display_name[261] = {};
  BROWSEINFOA info{};
  info.hwndOwner = ::GetForegroundWindow();
  info.pidlRoot = nullptr;
  info.pszDisplayName = display_name;
  info.lpszTitle = kTitle;
  info.ulFlags = BrowseFlags(allow_new_folder);
  info.lpfn = FolderDialogCallback;
  info.lParam = reinterpret_cast<LPARAM>(start.c_str());
  for (;;) {
    ShellBlock items(allocator.get(), ::SHBrowseForFolderA(&info));
    if (!items.get()) return false;
    ShellBlock path(allocator.get(), allocator.get()->Alloc(kPathBlock));
    if (!path.get()) return false;
    char* text = static_cast<char*>(path.get());
    if (::SHGetPathFromIDListA(static_cast<LPCITEMIDLIST>(items.get()), text)) {
      folder.assign(text, ::strnlen(text, kPathBlock));
      return true;
    }
  }
}

}  // namespace dirpick
