// EZip.dll, the archive expander on the DVD, as the install engine uses it:
// loaded at run time from the DVD folder, two functions looked up by their
// plain names, all stdcall, strings zero-terminated ANSI.
#pragma once

#include <windows.h>

#include <string>

#include "system/Handles.h"

namespace kestra {

// Called by the library on our thread while it writes a member; 0 = go on.
using EZipProgressFunc = int(WINAPI*)(DWORD, DWORD);
using EZipSetProgressFuncFn = void(WINAPI*)(EZipProgressFunc);
// (archive, base folder, member path relative to the base, 0): writes
// base + member; a result that rounds to a negative whole number is a failure.
using EZipExpandLibOnceFn = double(WINAPI*)(const char*, const char*, const char*, int);

inline constexpr char kEZipFileName[] = "EZip.dll";

class EZipLibrary {
 public:
  // Loads folder + "EZip.dll", registers progress and looks up the expander.
  // False (and nothing stays loaded) when the library or a function is missing.
  bool Load(const std::string& folder, EZipProgressFunc progress);
  void Unload();
  bool Loaded() const { return static_cast<bool>(library_); }

  // Expands one member; false when the library reports a failure.
  bool ExpandLibOnce(const std::string& archive, const std::string& base,
                     const std::string& member) const;

  // A result that rounds to a negative whole number, or no number at all.
  static bool IsFailure(double result);

 private:
  Library library_;
  EZipExpandLibOnceFn expand_ = nullptr;
};

}  // namespace kestra
