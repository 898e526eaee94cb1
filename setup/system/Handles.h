// Owners for Win32 handles: each closes its handle when it goes out of scope.
#pragma once

#include <windows.h>
#include <lzexpand.h>

#include <utility>

namespace kestra {

// A handle owned by one object. Traits give the handle type, the value that
// means "none" and the function that closes it.
template <typename Traits>
class UniqueHandle {
 public:
  using H = typename Traits::Handle;

  UniqueHandle() = default;
  explicit UniqueHandle(H h) : h_(h) {}
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  UniqueHandle(UniqueHandle&& o) noexcept : h_(std::exchange(o.h_, Traits::Invalid())) {}
  UniqueHandle& operator=(UniqueHandle&& o) noexcept {
    if (this != &o) reset(std::exchange(o.h_, Traits::Invalid()));
    return *this;
  }
  ~UniqueHandle() { reset(); }

  H get() const { return h_; }
  explicit operator bool() const { return h_ != Traits::Invalid(); }
  H release() { return std::exchange(h_, Traits::Invalid()); }
  void reset(H h = Traits::Invalid()) {
    if (h_ != Traits::Invalid()) Traits::Close(h_);
    h_ = h;
  }

 private:
  H h_ = Traits::Invalid();
};

// Process, thread, mutex, token, pipe: "none" is NULL.
struct KernelHandleTraits {
  using Handle = HANDLE;
  static HANDLE Invalid() { return nullptr; }
  static void Close(HANDLE h) { ::CloseHandle(h); }
};
// CreateFile: "none" is INVALID_HANDLE_VALUE.
struct FileHandleTraits {
  using Handle = HANDLE;
  static HANDLE Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(HANDLE h) { ::CloseHandle(h); }
};
// FindFirstFile: "none" is INVALID_HANDLE_VALUE, closed by FindClose.
struct FindHandleTraits {
  using Handle = HANDLE;
  static HANDLE Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(HANDLE h) { ::FindClose(h); }
};
struct LibraryTraits {
  using Handle = HMODULE;
  static HMODULE Invalid() { return nullptr; }
  static void Close(HMODULE h) { ::FreeLibrary(h); }
};
struct GdiObjectTraits {
  using Handle = HGDIOBJ;
  static HGDIOBJ Invalid() { return nullptr; }
  static void Close(HGDIOBJ h) { ::DeleteObject(h); }
};

using KernelHandle = UniqueHandle<KernelHandleTraits>;
using FileHandle = UniqueHandle<FileHandleTraits>;
using FindHandle = UniqueHandle<FindHandleTraits>;
using Library = UniqueHandle<LibraryTraits>;
using GdiObject = UniqueHandle<GdiObjectTraits>;

// LZOpenFileA: a file or LZ handle, closed by the LZClose of the LZ32.DLL that
// opened it (loaded at run time, see system/SystemLibrary.h), which must stay
// loaded while the handle lives. Failures are negative, so only a
// non-negative value is ever owned.
class LzHandle {
 public:
  using CloseFunction = decltype(&::LZClose);

  LzHandle() = default;
  LzHandle(INT h, CloseFunction close) : h_(h >= 0 ? h : -1), close_(close) {}
  LzHandle(const LzHandle&) = delete;
  LzHandle& operator=(const LzHandle&) = delete;
  LzHandle(LzHandle&& o) noexcept
      : h_(std::exchange(o.h_, -1)), close_(std::exchange(o.close_, nullptr)) {}
  LzHandle& operator=(LzHandle&& o) noexcept {
    if (this != &o) {
      reset();
      h_ = std::exchange(o.h_, -1);
      close_ = std::exchange(o.close_, nullptr);
    }
    return *this;
  }
  ~LzHandle() { reset(); }

  INT get() const { return h_; }
  explicit operator bool() const { return h_ >= 0; }
  void reset() {
    if (h_ >= 0 && close_) close_(h_);
    h_ = -1;
  }

 private:
  INT h_ = -1;
  CloseFunction close_ = nullptr;
};

// Restores the process error mode it replaced.
class ErrorModeScope {
 public:
  explicit ErrorModeScope(UINT mode) : previous_(::SetErrorMode(mode)) {}
  ErrorModeScope(const ErrorModeScope&) = delete;
  ErrorModeScope& operator=(const ErrorModeScope&) = delete;
  ~ErrorModeScope() { ::SetErrorMode(previous_); }

 private:
  UINT previous_;
};

}  // namespace kestra
