// Owners of the shell's allocator and of the blocks it hands out (item lists
// of the folder browser, path buffers): released on every path.
#pragma once

#include <windows.h>

#include <objidl.h>
#include <shlobj.h>

namespace kestra {

class ShellAllocator {
 public:
  ShellAllocator() {
    if (FAILED(::SHGetMalloc(&malloc_))) malloc_ = nullptr;
  }
  ~ShellAllocator() {
    if (malloc_) malloc_->Release();
  }
  ShellAllocator(const ShellAllocator&) = delete;
  ShellAllocator& operator=(const ShellAllocator&) = delete;
  explicit operator bool() const { return malloc_ != nullptr; }
  IMalloc* get() const { return malloc_; }

 private:
  IMalloc* malloc_ = nullptr;
};

// One block of the allocator, freed through it.
class ShellBlock {
 public:
  ShellBlock(IMalloc* malloc, void* block) : malloc_(malloc), block_(block) {}
  ~ShellBlock() {
    if (block_) malloc_->Free(block_);
  }
  ShellBlock(const ShellBlock&) = delete;
  ShellBlock& operator=(const ShellBlock&) = delete;
  void* get() const { return block_; }

 private:
  IMalloc* malloc_;
  void* block_;
};

}  // namespace kestra
