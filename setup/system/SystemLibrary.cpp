#include "system/SystemLibrary.h"

#include <string>

#include "system/FileSys.h"
#include "system/Mbcs.h"

namespace kestra {

void RestrictLibrarySearchToSystemFolder() {
  // Looked up, not imported: Windows before 7 has it only with KB2533623, and
  // an import the system lacks would stop the program before it starts.
  // kernel32 is in every process already; nothing is loaded to ask it.
  using SetDefaultDllDirectoriesFn = decltype(&::SetDefaultDllDirectories);
  HMODULE kernel = ::GetModuleHandleA("kernel32.dll");
  auto set_default_directories =
      kernel ? reinterpret_cast<SetDefaultDllDirectoriesFn>(reinterpret_cast<void*>(
                   ::GetProcAddress(kernel, "SetDefaultDllDirectories")))
             : nullptr;
  if (set_default_directories && set_default_directories(LOAD_LIBRARY_SEARCH_SYSTEM32)) return;
  ::SetDllDirectoryA("");
}

SystemLibrary::SystemLibrary(const char* file_name) {
  const std::string system = SystemFolder();
  if (system.empty()) return;
  library_.reset(::LoadLibraryA((AddBackslash(system) + file_name).c_str()));
}

}  // namespace kestra
