// Owners for COM: an interface pointer released when it goes out of scope, and
// the apartment of the GUI thread, entered for the life of the program.
#pragma once

#include <objbase.h>

#include <utility>

namespace kestra {

// One reference to an interface, released by its owner.
template <typename Interface>
class ComPtr {
 public:
  ComPtr() = default;
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;
  ComPtr(ComPtr&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
  ComPtr& operator=(ComPtr&& o) noexcept {
    if (this != &o) {
      Reset();
      p_ = std::exchange(o.p_, nullptr);
    }
    return *this;
  }
  ~ComPtr() { Reset(); }

  Interface* get() const { return p_; }
  Interface* operator->() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }
  // For a call that hands out a new reference: the old one is released first.
  void** OutAddress() {
    Reset();
    return reinterpret_cast<void**>(&p_);
  }
  void Reset() {
    if (p_) p_->Release();
    p_ = nullptr;
  }

  // Another interface of the same object; empty when it has none.
  template <typename Other>
  ComPtr<Other> As(REFIID iid) const {
    ComPtr<Other> other;
    if (p_ && FAILED(p_->QueryInterface(iid, other.OutAddress()))) other.Reset();
    return other;
  }

 private:
  Interface* p_ = nullptr;
};

// CoInitialize for the calling thread while the object lives. The shell link
// objects of the install engine need the GUI thread in an apartment.
class ComApartment {
 public:
  ComApartment() : entered_(SUCCEEDED(::CoInitialize(nullptr))) {}
  ~ComApartment() {
    if (entered_) ::CoUninitialize();
  }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;

 private:
  bool entered_;
};

}  // namespace kestra
