// Libraries of Windows that are not KnownDLLs (MPR, VERSION, LZ32) are loaded
// at run time by their full path in the system folder, never imported: an
// imported one is looked for first in the program's own folder, before any of
// our code runs, and SETUP runs elevated from folders that others can write
// (a copy of the DVD on a share, a downloaded folder). For the same reason the
// first thing each program does is RestrictLibrarySearchToSystemFolder.
#pragma once

#include <windows.h>

#include "system/Handles.h"

namespace kestra {

// From now on a library named without a path is looked for in the system
// folder only (SetDefaultDllDirectories where the system has it; elsewhere
// SetDllDirectoryA("") at least takes the current folder out of the search).
// Called as the very first statement of WinMain, before any library loads.
void RestrictLibrarySearchToSystemFolder();

// One library of the system folder, loaded while the object lives. Callers
// keep it alive for as long as they use its functions or anything they
// handed out (LZ handles are closed by the library's own LZClose).
class SystemLibrary {
 public:
  // Loads system folder + "\" + file_name; empty when the system folder is
  // unknown or the library cannot be loaded there.
  explicit SystemLibrary(const char* file_name);

  explicit operator bool() const { return static_cast<bool>(library_); }

  // The named export as the type its header declares, decltype(&::Name), so
  // that its calling convention and arguments are those of the system's own
  // declaration on either architecture; nullptr when the library did not
  // load or lacks the export.
  template <typename Function>
  Function Find(const char* export_name) const {
    if (!library_) return nullptr;
    return reinterpret_cast<Function>(
        reinterpret_cast<void*>(::GetProcAddress(library_.get(), export_name)));
  }

 private:
  Library library_;
};

}  // namespace kestra
