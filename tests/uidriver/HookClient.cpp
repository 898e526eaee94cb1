#include "HookClient.h"

#include <atomic>
#include <string>

#include "UiHookProtocol.h"
#include "system/Handles.h"

namespace uidrv::detail {

namespace {

struct HookTraits {
  using Handle = HHOOK;
  static HHOOK Invalid() { return nullptr; }
  static void Close(HHOOK h) { ::UnhookWindowsHookEx(h); }
};
using HookHandle = kestra::UniqueHandle<HookTraits>;

// The hook library lies beside the program that drives (tests\bin). It stays
// loaded for the driver's lifetime: Windows loads it into the driven program
// by its path, so the path must stay valid while hooks exist.
HMODULE HookLibrary() {
  static const kestra::Library library = [] {
    std::string self(MAX_PATH, '\0');
    DWORD length = ::GetModuleFileNameA(nullptr, self.data(), static_cast<DWORD>(self.size()));
    self.resize(length);
    std::string folder = self.substr(0, self.find_last_of("\\/") + 1);
    return kestra::Library(::LoadLibraryA((folder + hook::kLibraryName).c_str()));
  }();
  if (!library)
    throw std::runtime_error(std::string("the driver's hook library ") + hook::kLibraryName +
                             " is missing beside the driving program");
  return library.get();
}

HOOKPROC HookProcedure(const char* name) {
  auto proc = reinterpret_cast<HOOKPROC>(
      reinterpret_cast<void*>(::GetProcAddress(HookLibrary(), name)));
  if (!proc) throw std::runtime_error(std::string("uihook.dll does not export ") + name);
  return proc;
}

bool IsWow64(HANDLE process) {
  BOOL wow64 = FALSE;
  return ::IsWow64Process(process, &wow64) && wow64;
}

// The library can only be loaded into a program of the driver's own
// architecture; anything else would make every action wait in vain.
void RequireSameArchitecture(DWORD thread_id) {
  DWORD pid = 0;
  kestra::KernelHandle thread(::OpenThread(THREAD_QUERY_LIMITED_INFORMATION, FALSE, thread_id));
  if (thread) pid = ::GetProcessIdOfThread(thread.get());
  kestra::KernelHandle process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
  if (process && IsWow64(process.get()) != IsWow64(::GetCurrentProcess()))
    throw std::runtime_error(
        "the driven program and the driver are built for different architectures; "
        "use the driver of the program's build");
}

// Both procedures hooked into one thread of the driven program. A hook on the
// program's own thread (not a global one) keeps the library out of every other
// process on the desktop.
class ThreadHooks {
 public:
  explicit ThreadHooks(DWORD thread_id) {
    RequireSameArchitecture(thread_id);
    call_.reset(Install(WH_CALLWNDPROC, hook::kCallWndProcName, thread_id));
    get_message_.reset(Install(WH_GETMESSAGE, hook::kGetMsgProcName, thread_id));
    if (!call_ || !get_message_)
      throw std::runtime_error("cannot hook the driven program's thread (error " +
                               std::to_string(::GetLastError()) + ")");
  }

 private:
  static HHOOK Install(int type, const char* procedure, DWORD thread_id) {
    return ::SetWindowsHookExA(type, HookProcedure(procedure), HookLibrary(), thread_id);
  }

  HookHandle call_;
  HookHandle get_message_;
};

UINT Registered(const char* name) { return ::RegisterWindowMessageA(name); }

}  // namespace

LPARAM AskProgram(HWND hwnd, WPARAM query, Millis timeout, LPARAM argument) {
  const DWORD thread = ::GetWindowThreadProcessId(hwnd, nullptr);
  if (!thread) throw std::runtime_error("the window is gone");
  ThreadHooks hooks(thread);
  ::RemovePropA(hwnd, hook::kAnswerProperty);
  DWORD_PTR ignored = 0;
  if (!::SendMessageTimeoutA(hwnd, Registered(hook::kQueryMessage), query, argument, SMTO_NORMAL,
                             static_cast<UINT>(timeout.count()), &ignored)) {
    throw TimeoutError("the program did not answer within " + std::to_string(timeout.count()) +
                       " ms");
  }
  auto answer = reinterpret_cast<LPARAM>(::RemovePropA(hwnd, hook::kAnswerProperty));
  if (answer == 0)
    throw std::runtime_error("the hook library did not answer inside the program");
  return answer - 1;
}

Delivery PostAndAwait(HWND hwnd, const std::function<bool()>& post, Millis timeout) {
  static std::atomic<DWORD> sequence{0};
  const DWORD thread_id = ::GetWindowThreadProcessId(hwnd, nullptr);
  if (!thread_id) throw std::runtime_error("the window is gone");
  kestra::KernelHandle thread(::OpenThread(SYNCHRONIZE, FALSE, thread_id));
  ThreadHooks hooks(thread_id);

  const DWORD number = ++sequence;
  const std::string name = hook::AckEventName(::GetCurrentProcessId(), number);
  kestra::KernelHandle taken(::CreateEventA(nullptr, TRUE, FALSE, name.c_str()));
  if (!taken) throw std::runtime_error("cannot create the acknowledgement event " + name);

  if (!post()) {
    if (thread && ::WaitForSingleObject(thread.get(), 0) == WAIT_OBJECT_0)
      return Delivery::ThreadEnded;
    throw std::runtime_error("cannot post to the window (error " +
                             std::to_string(::GetLastError()) + ")");
  }
  if (!::PostThreadMessageA(thread_id, Registered(hook::kAckMessage), ::GetCurrentProcessId(),
                            number))
    return Delivery::ThreadEnded;

  HANDLE waits[2] = {taken.get(), thread.get()};
  const DWORD count = thread ? 2 : 1;
  switch (::WaitForMultipleObjects(count, waits, FALSE, static_cast<DWORD>(timeout.count()))) {
    case WAIT_OBJECT_0: return Delivery::Taken;
    case WAIT_OBJECT_0 + 1: return Delivery::ThreadEnded;
    default: return Delivery::TimedOut;
  }
}

bool PostCharacter(HWND edit, wchar_t character) {
  return ::PostMessageA(edit, Registered(hook::kCharMessage), static_cast<WPARAM>(character), 0) !=
         FALSE;
}

}  // namespace uidrv::detail
