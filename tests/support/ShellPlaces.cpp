#include "ShellPlaces.h"

#include <objbase.h>
#include <shlobj.h>

#include <stdexcept>

#include "system/ComPtr.h"
#include "system/Handles.h"
#include "system/Registry.h"
#include "system/SysQuery.h"

namespace testenv {

namespace {

std::wstring Wide(const std::string& text) {
  std::wstring wide(text.size() + 1, L'\0');
  int n = ::MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, wide.data(),
                                static_cast<int>(wide.size()));
  wide.resize(n > 0 ? static_cast<std::size_t>(n - 1) : 0);
  return wide;
}

void RemoveTree(const std::string& folder) {
  WIN32_FIND_DATAA data;
  kestra::FindHandle find(::FindFirstFileA((folder + "\\*").c_str(), &data));
  if (find) {
    do {
      const std::string name = data.cFileName;
      if (name == "." || name == "..") continue;
      const std::string path = folder + "\\" + name;
      ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
      if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        RemoveTree(path);
      else
        ::DeleteFileA(path.c_str());
    } while (::FindNextFileA(find.get(), &data));
  }
  ::RemoveDirectoryA(folder.c_str());
}

}  // namespace

LinkFacts ReadShellLink(const std::string& path) {
  kestra::ComApartment com;
  kestra::ComPtr<IShellLinkA> link;
  if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                link.OutAddress())))
    throw std::runtime_error("no shell link object");
  kestra::ComPtr<IPersistFile> file = link.As<IPersistFile>(IID_IPersistFile);
  if (!file || FAILED(file->Load(Wide(path).c_str(), STGM_READ)))
    throw std::runtime_error("not a shell link: " + path);
  LinkFacts facts;
  char text[MAX_PATH * 2] = {};
  if (SUCCEEDED(link->GetPath(text, sizeof text, nullptr, SLGP_RAWPATH))) facts.target = text;
  text[0] = '\0';
  if (SUCCEEDED(link->GetArguments(text, sizeof text))) facts.arguments = text;
  text[0] = '\0';
  if (SUCCEEDED(link->GetWorkingDirectory(text, sizeof text))) facts.working_folder = text;
  return facts;
}

std::string ShellFolder(HKEY root, const char* value) {
  const std::string folder =
      kestra::RegKey::Open(root, kShellFolders, KEY_READ).ReadStringOr(value);
  return folder.empty() ? folder : kestra::AddBackslash(folder);
}
std::string DesktopFolder() { return ShellFolder(HKEY_CURRENT_USER, "Desktop"); }
std::string UserProgramsFolder() { return ShellFolder(HKEY_CURRENT_USER, "Programs"); }
std::string CommonProgramsFolder() { return ShellFolder(HKEY_LOCAL_MACHINE, "Common Programs"); }

void RemoveProductShortcuts() {
  for (const std::string& desktop : {DesktopFolder(), CommonDesktopFolder()})
    if (!desktop.empty()) ::DeleteFileA((desktop + "ケストラDVD.LNK").c_str());
  for (const std::string& menu : {UserProgramsFolder(), CommonProgramsFolder()})
    if (!menu.empty()) RemoveTree(menu + "ケストラ");
}
std::string CommonDesktopFolder() { return ShellFolder(HKEY_LOCAL_MACHINE, "Common Desktop"); }

ShortcutPlacesCleaned::ShortcutPlacesCleaned() { RemoveProductShortcuts(); }
ShortcutPlacesCleaned::~ShortcutPlacesCleaned() { RemoveProductShortcuts(); }

ScopedKeyAway::ScopedKeyAway(HKEY root, std::string path) : root_(root), path_(std::move(path)) {
  kestra::RegKey key = kestra::RegKey::Open(root_, path_, KEY_READ);
  if (!key) throw std::runtime_error("no key " + path_);
  for (DWORD i = 0;; ++i) {
    char name[16384];
    DWORD name_length = sizeof name, type = 0, size = 0;
    if (::RegEnumValueA(key.get(), i, name, &name_length, nullptr, &type, nullptr, &size) !=
        ERROR_SUCCESS)
      break;
    Value value{name, type, std::vector<BYTE>(size)};
    DWORD got = size;
    ::RegQueryValueExA(key.get(), name, nullptr, nullptr, value.data.data(), &got);
    values_.push_back(std::move(value));
  }
  key.Close();
  if (!kestra::DeleteKeyTree(root_, path_)) throw std::runtime_error("cannot delete " + path_);
}

ScopedKeyAway::~ScopedKeyAway() {
  kestra::RegKey key = kestra::RegKey::Create(root_, path_);
  for (const Value& value : values_)
    ::RegSetValueExA(key.get(), value.name.c_str(), 0, value.type, value.data.data(),
                     static_cast<DWORD>(value.data.size()));
}

}  // namespace testenv
