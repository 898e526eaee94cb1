#include "folderpick/W8UserSHBrowser.h"

#include <shlobj.h>

#include <stdexcept>
#include <vector>

#include "system/FileSys.h"
#include "system/Mbcs.h"
#include "system/Messages.h"
#include "system/ShellMemory.h"
#include "system/SysQuery.h"
#include "ui/Application.h"

namespace kestra {

namespace {

constexpr char kDirPick[] = "DIRPICK.EXE";
constexpr char kSharedSubfolder[] = "Program Files\\ZEL\\Common Files\\";
constexpr char kNoFolder[] = "NG";
constexpr char kBrowseTitle[] = "フォルダを選択して下さい。";
constexpr DWORD kPipeSize = 8192;
constexpr DWORD kPollPause = 100;
constexpr DWORD kOwnTokenAccess = 0xF00FF;  // TOKEN_ALL_ACCESS without TOKEN_ADJUST_SESSIONID
constexpr std::size_t kPathBlock = 260;

#if defined(__i386__)
// The start-up information DIRPICK gets is the 32-bit structure.
static_assert(sizeof(STARTUPINFOW) == 68);
#endif

std::wstring Wide(const std::string& text) {
  const int length = ::MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
  std::wstring wide(length > 0 ? length : 1, L'\0');
  ::MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, wide.data(), length);
  wide.resize(wide.size() - 1);
  return wide;
}

// The system drive root ("C:\"), read afresh for each launch.
std::string SystemDriveRoot() {
  const std::string windows = WindowsFolder();
  return windows.size() >= 3 ? windows.substr(0, 3) : std::string();
}

// One anonymous pipe whose two ends are inheritable when made.
struct Pipe {
  KernelHandle read;
  KernelHandle write;
};

Pipe MakeInheritablePipe() {
  SECURITY_ATTRIBUTES attributes{sizeof attributes, nullptr, TRUE};
  HANDLE read = nullptr, write = nullptr;
  if (!::CreatePipe(&read, &write, &attributes, kPipeSize)) return {};
  return {KernelHandle(read), KernelHandle(write)};
}

// The same handle, no longer inheritable: the child must not hold the parent's
// end of its input, or that input would never reach its end.
KernelHandle NonInheritableCopy(const KernelHandle& handle) {
  HANDLE copy = nullptr;
  const HANDLE self = ::GetCurrentProcess();
  if (!::DuplicateHandle(self, handle.get(), self, &copy, 0, FALSE, DUPLICATE_SAME_ACCESS))
    return KernelHandle();
  return KernelHandle(copy);
}

// Appends what the pipe holds now, without waiting.
void ReadAvailable(const KernelHandle& pipe, std::string& collected) {
  for (;;) {
    DWORD available = 0;
    if (!::PeekNamedPipe(pipe.get(), nullptr, 0, nullptr, &available, nullptr) || available == 0)
      return;
    std::vector<char> buffer(kPipeSize);
    DWORD got = 0;
    if (!::ReadFile(pipe.get(), buffer.data(), kPipeSize, &got, nullptr) || got == 0) return;
    collected.append(buffer.data(), got);
  }
}

// The owner is disabled while DIRPICK runs and enabled again on every path.
class DisabledOwner {
 public:
  explicit DisabledOwner(HWND owner) : owner_(owner) { ::EnableWindow(owner_, FALSE); }
  ~DisabledOwner() { ::EnableWindow(owner_, TRUE); }
  DisabledOwner(const DisabledOwner&) = delete;
  DisabledOwner& operator=(const DisabledOwner&) = delete;

 private:
  HWND owner_;
};

// The owner of the current launch (one launch runs at a time).
HWND launch_owner = nullptr;

using CreateProcessWithTokenWFn = BOOL(WINAPI*)(HANDLE, DWORD, LPCWSTR, LPWSTR, DWORD, LPVOID,
                                                 LPCWSTR, LPSTARTUPINFOW, LPPROCESS_INFORMATION);

// Runs the started child to its end, collecting both pipes, and answers the
// collected text.
std::string CollectUntilEnd(const PROCESS_INFORMATION& child, const KernelHandle& output,
                            const KernelHandle& error) {
  std::string collected;
  DisabledOwner disabled(launch_owner);
  DWORD state = WAIT_TIMEOUT;
  while (state == WAIT_TIMEOUT) {
    ProcessMessages();
    ::Sleep(kPollPause);
    ReadAvailable(output, collected);
    ReadAvailable(error, collected);
    state = ::WaitForSingleObject(child.hProcess, 0);
  }
  // What the child wrote just before it ended is still in the pipes.
  ReadAvailable(output, collected);
  ReadAvailable(error, collected);
  return collected;
}

}  // namespace

std::string FindDirPick(const std::string& setup_folder, const std::string& system_drive_root) {
  const std::string shared = system_drive_root + kSharedSubfolder;
  for (const std::string& candidate :
       {setup_folder + kDirPick, setup_folder + "UTILITY\\" + kDirPick,
        setup_folder + "PLUS\\" + kDirPick, shared + "UTILITY\\" + kDirPick, shared + kDirPick}) {
    if (FileExists(candidate)) return candidate;
  }
  return std::string();
}

std::string DirPickStartFolder(const std::string& folder, const std::string& system_drive_root) {
  if (folder.empty() || folder.compare(0, 2, "\\\\") == 0) return system_drive_root;
  return folder;
}

std::string DirPickCommandLine(const std::string& dirpick, const std::string& folder,
                               bool allow_new_folder) {
  // A backslash before the closing quote would escape it ("C:\Apps\" -cmd
  // reads as one argument, and DIRPICK would never see -cmd): a trailing
  // backslash is doubled, which the command-line rules read as one.
  std::string quoted = folder;
  if (EndsWithChar(quoted, '\\')) quoted += '\\';
  std::string line = "\"" + dirpick + "\" -C -S \"" + quoted + "\" -cmd";
  if (allow_new_folder) line += " -CreateDir";
  return line;
}

std::string DirPickAnswer(const std::string& output) {
  std::string answer;
  for (std::size_t i = 0; i < output.size(); ++i) {
    if (output[i] == '\r' && i + 1 < output.size() && output[i + 1] == '\n') {
      ++i;
      continue;
    }
    answer += output[i];
  }
  return answer;
}

bool AnswerNamesFolder(const std::string& answer) {
  return !answer.empty() && answer.compare(0, 2, kNoFolder) != 0;
}

KernelHandle GetDesktopUserToken() {
  DWORD shell_process_id = 0;
  ::GetWindowThreadProcessId(::GetShellWindow(), &shell_process_id);
  KernelHandle shell(::OpenProcess(MAXIMUM_ALLOWED, FALSE, shell_process_id));
  if (!shell) return KernelHandle();
  HANDLE shell_token = nullptr;
  if (!::OpenProcessToken(shell.get(), TOKEN_DUPLICATE, &shell_token)) return KernelHandle();
  KernelHandle shell_token_owner(shell_token);
  HANDLE duplicate = nullptr;
  if (!::DuplicateTokenEx(shell_token, MAXIMUM_ALLOWED, nullptr, SecurityDelegation, TokenPrimary,
                          &duplicate))
    return KernelHandle();
  return KernelHandle(duplicate);
}

std::string RunAsDesktopUser(const std::string& program, const std::string& command_line) {
  const std::string system = SystemFolder();
  if (system.empty()) {
    Application.Show({Msg::SystemFolderMissing});
    return kNoFolder;
  }
  const std::string library_path = AddBackslash(system) + "Advapi32.dll";
  if (!FileExists(library_path)) {
    Application.Show({Msg::AdvapiMissing, {library_path}});
    return kNoFolder;
  }
  HANDLE own_token_handle = nullptr;
  if (!::OpenProcessToken(::GetCurrentProcess(), kOwnTokenAccess, &own_token_handle)) {
    Application.Show({Msg::OwnTokenFailed});
    return kNoFolder;
  }
  KernelHandle own_token(own_token_handle);
  KernelHandle desktop_token = GetDesktopUserToken();
  if (!desktop_token) {
    Application.Show({Msg::DesktopTokenFailed});
    return kNoFolder;
  }

  Pipe input = MakeInheritablePipe(), output = MakeInheritablePipe(),
       error = MakeInheritablePipe();
  if (!input.write || !output.write || !error.write)
    throw std::runtime_error("cannot make the pipes for DIRPICK");
  KernelHandle parent_input = NonInheritableCopy(input.write);
  input.write.reset();
  if (!parent_input) throw std::runtime_error("cannot keep the input pipe of DIRPICK");

  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW | STARTF_USESTDHANDLES;
  startup.wShowWindow = SW_HIDE;
  startup.hStdInput = input.read.get();
  startup.hStdOutput = output.write.get();
  startup.hStdError = error.write.get();

  Library advapi(::LoadLibraryA(library_path.c_str()));
  if (!advapi) return kNoFolder;
  auto create_with_token = reinterpret_cast<CreateProcessWithTokenWFn>(
      reinterpret_cast<void*>(::GetProcAddress(advapi.get(), "CreateProcessWithTokenW")));
  if (!create_with_token) throw std::runtime_error("no CreateProcessWithTokenW");
  const std::wstring application = Wide(program);
  std::wstring mutable_line = Wide(command_line);
  PROCESS_INFORMATION child{};
  if (!create_with_token(desktop_token.get(), 0, application.c_str(), mutable_line.data(),
                         CREATE_NEW_CONSOLE, nullptr, nullptr, &startup, &child))
    throw std::runtime_error("DIRPICK did not start");
  KernelHandle process(child.hProcess), thread(child.hThread);

  // Nothing to say to DIRPICK: its input ends at once.
  parent_input.reset();
  ::WaitForInputIdle(child.hProcess, 1000);
  // Our copies of the child's ends go, so that the pipes end with the child.
  const std::string collected = CollectUntilEnd(child, output.read, error.read);
  input.read.reset();
  return DirPickAnswer(collected);
}

bool BrowseAsDesktopUser(HWND owner, std::string& folder, bool allow_new_folder) {
  try {
    const std::string root = SystemDriveRoot();
    const std::string dirpick = FindDirPick(AddBackslash(ExtractFilePath(ProgramFilePath())), root);
    if (dirpick.empty()) {
      Application.Show({Msg::DirPickMissing, {kDirPick}});
      return false;
    }
    const std::string start = DirPickStartFolder(folder, root);
    launch_owner = owner ? owner : Application.Handle();
    ::EnableWindow(launch_owner, TRUE);
    const std::string answer =
        RunAsDesktopUser(dirpick, DirPickCommandLine(dirpick, start, allow_new_folder));
    if (!AnswerNamesFolder(answer)) return false;
    folder = answer;
    return true;
  } catch (...) {
    return false;
  }
}

int CALLBACK BrowseCallback(HWND dialog, UINT message, LPARAM item, LPARAM data) {
  if (message == BFFM_INITIALIZED) {
    ::SendMessageA(dialog, BFFM_SETSELECTIONA, TRUE, data);
  } else if (message == BFFM_SELCHANGED) {
    char path[kPathBlock] = {};
    ::SHGetPathFromIDListA(reinterpret_cast<LPCITEMIDLIST>(item), path);
    ::SendMessageA(dialog, BFFM_SETSTATUSTEXTA, 0, reinterpret_cast<LPARAM>(path));
  }
  return 0;
}

bool BrowseForFolder(std::string& folder) {
  ShellAllocator allocator;
  if (!allocator) return false;
  std::string start = folder;
  if (IsDriveReady(start) && !DirectoryExists(start)) start = ExtractFileDrive(start);
  char display_name[MAX_PATH + 1] = {};
  BROWSEINFOA info{};
  info.hwndOwner = ::GetForegroundWindow();
  info.pszDisplayName = display_name;
  info.lpszTitle = kBrowseTitle;
  info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_STATUSTEXT;
  info.lpfn = BrowseCallback;
  info.lParam = reinterpret_cast<LPARAM>(start.c_str());
  ShellBlock items(allocator.get(), ::SHBrowseForFolderA(&info));
  if (!items.get()) return false;
  ShellBlock path(allocator.get(), allocator.get()->Alloc(kPathBlock));
  if (!path.get()) return false;
  char* text = static_cast<char*>(path.get());
  // An item with no file-system path leaves the folder as it was.
  if (!::SHGetPathFromIDListA(static_cast<LPCITEMIDLIST>(items.get()), text)) return false;
  folder.assign(text, ::strnlen(text, kPathBlock));
  return true;
}

}  // namespace kestra
