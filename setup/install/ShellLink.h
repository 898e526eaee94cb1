// A shell link (.LNK) made through the shell's own link object, so that the
// desktop and the Start menu read it as they read any other shortcut. The
// thread must be in a COM apartment (the program enters one at start).
#pragma once

#include <objbase.h>
#include <shlobj.h>

#include <optional>
#include <string>

#include "system/ComPtr.h"

namespace kestra {

class ShellLink {
 public:
  // A link to target with no arguments and no working folder; nothing when the
  // shell cannot make the object.
  static std::optional<ShellLink> To(const std::string& target);

  // Saves the link as the file at path (not remembered as the object's file).
  // The shell's answer is not asked for: the installation records the
  // shortcut all the same, and the uninstaller passes over a missing file.
  void SaveAs(const std::string& path) const;

 private:
  ShellLink() = default;
  std::string target_;
  ComPtr<IShellLinkA> link_;
  ComPtr<IPersistFile> file_;
};

}  // namespace kestra
