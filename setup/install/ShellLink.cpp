#include "install/ShellLink.h"

#include <vector>

#include "system/Changes.h"

namespace kestra {

namespace {

// The ANSI path as the shell's file interfaces take it, in UTF-16. CP_ACP is
// the code page every "A" call of the program interprets its paths in.
std::wstring WidePath(const std::string& path) {
  const int length = ::MultiByteToWideChar(CP_ACP, 0, path.data(), static_cast<int>(path.size()),
                                           nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  ::MultiByteToWideChar(CP_ACP, 0, path.data(), static_cast<int>(path.size()), wide.data(),
                        length);
  return wide;
}

}  // namespace

std::optional<ShellLink> ShellLink::To(const std::string& target) {
  ShellLink made;
  if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                made.link_.OutAddress())))
    return std::nullopt;
  made.file_ = made.link_.As<IPersistFile>(IID_IPersistFile);
  if (!made.file_) return std::nullopt;
  made.link_->SetArguments("");
  made.link_->SetPath(target.c_str());
  made.link_->SetWorkingDirectory("");
  made.target_ = target;
  return made;
}

void ShellLink::SaveAs(const std::string& path) const {
  if (changes::Planning()) {
    changes::Plan(changes::Kind::CreateShortcut, path, "to " + target_);
    return;
  }
  file_->Save(WidePath(path).c_str(), FALSE);
  changes::Made(changes::Kind::CreateShortcut, path, "to " + target_);
}

}  // namespace kestra
