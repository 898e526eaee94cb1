// The shell's side of an installation: shortcuts read back through the shell's
// own link object, the folders the registry names for the desktop and the
// Start menu, and a registry key taken away for a while.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace testenv {

// What a .LNK file says, as the shell reads it.
struct LinkFacts {
  std::string target;
  std::string arguments;
  std::string working_folder;
  bool operator==(const LinkFacts&) const = default;
};
// Throws std::runtime_error when the file cannot be loaded as a shell link.
LinkFacts ReadShellLink(const std::string& path);

// "Shell Folders" values, written out here rather than taken from SETUP.
inline constexpr char kShellFolders[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
// The folder a value names, with trailing backslash; empty when missing.
std::string ShellFolder(HKEY root, const char* value);
std::string DesktopFolder();        // HKCU "Desktop"
std::string UserProgramsFolder();   // HKCU "Programs"
std::string CommonProgramsFolder(); // HKLM "Common Programs"
std::string CommonDesktopFolder();  // HKLM "Common Desktop"

// Removes the product's shortcuts from both desktops and both Start menus (the
// "ケストラ" folders with whatever they hold), now and when the object goes.
class ShortcutPlacesCleaned {
 public:
  ShortcutPlacesCleaned();
  ~ShortcutPlacesCleaned();
  ShortcutPlacesCleaned(const ShortcutPlacesCleaned&) = delete;
  ShortcutPlacesCleaned& operator=(const ShortcutPlacesCleaned&) = delete;
};
void RemoveProductShortcuts();

// A key without subkeys deleted while the object lives; its values come back
// when it goes.
class ScopedKeyAway {
 public:
  ScopedKeyAway(HKEY root, std::string path);
  ~ScopedKeyAway();
  ScopedKeyAway(const ScopedKeyAway&) = delete;
  ScopedKeyAway& operator=(const ScopedKeyAway&) = delete;

 private:
  struct Value {
    std::string name;
    DWORD type;
    std::vector<BYTE> data;
  };
  HKEY root_;
  std::string path_;
  std::vector<Value> values_;
};

}  // namespace testenv
