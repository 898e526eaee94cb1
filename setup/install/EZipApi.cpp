#include "install/EZipApi.h"

#include <cmath>

namespace kestra {

namespace {

template <typename Function>
Function LookUp(HMODULE module, const char* name) {
  return reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
}

}  // namespace

bool EZipLibrary::Load(const std::string& folder, EZipProgressFunc progress) {
  Unload();
  // No system box about a missing or broken library: the caller reports.
  ErrorModeScope quiet(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  library_.reset(::LoadLibraryA((folder + kEZipFileName).c_str()));
  if (!library_) return false;
  auto set_progress = LookUp<EZipSetProgressFuncFn>(library_.get(), "EZipSetProgressFunc");
  if (!set_progress) {
    Unload();
    return false;
  }
  set_progress(progress);
  expand_ = LookUp<EZipExpandLibOnceFn>(library_.get(), "EZipExpandLibOnce");
  if (!expand_) {
    Unload();
    return false;
  }
  return true;
}

void EZipLibrary::Unload() {
  expand_ = nullptr;
  library_.reset();
}

bool EZipLibrary::ExpandLibOnce(const std::string& archive, const std::string& base,
                                const std::string& member) const {
  if (!expand_) return false;
  return !IsFailure(expand_(archive.c_str(), base.c_str(), member.c_str(), 0));
}

bool EZipLibrary::IsFailure(double result) {
  // Rounded half to even: -0.5 becomes 0 and is no failure.
  return !std::isfinite(result) || std::nearbyint(result) < 0;
}

}  // namespace kestra
