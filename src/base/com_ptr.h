// A small COM interface pointer (one reference, released once), COM task memory and the COM
// apartment of a thread.
#pragma once

#include <windows.h>

#include <utility>

#include "base/unique_handle.h"

namespace base {

template <typename T>
class ComPtr {
 public:
  ComPtr() = default;
  // Takes over a reference the caller already holds.
  explicit ComPtr(T* object) : object_(object) {}
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;
  ComPtr(ComPtr&& other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
  ComPtr& operator=(ComPtr&& other) noexcept {
    if (this != &other) reset(std::exchange(other.object_, nullptr));
    return *this;
  }
  ~ComPtr() { reset(); }

  T* get() const { return object_; }
  T* operator->() const { return object_; }
  explicit operator bool() const { return object_ != nullptr; }
  void reset(T* object = nullptr) {
    T* old = std::exchange(object_, object);
    if (old) old->Release();
  }
  [[nodiscard]] T* release() { return std::exchange(object_, nullptr); }
  // For creation functions: releases what is held and hands out the slot.
  T** receive() {
    reset();
    return &object_;
  }
  // The same slot for functions that take a void** (CoCreateInstance, QueryInterface).
  void** receive_void() { return reinterpret_cast<void**>(receive()); }

 private:
  T* object_ = nullptr;
};

// Memory a COM method allocated for its caller (CoTaskMemFree, ole32).
struct CoTaskMemoryTraits {
  using Handle = void*;
  static Handle Invalid() { return nullptr; }
  [[nodiscard]] static bool Close(Handle h);
};
using ScopedCoTaskMemory = UniqueHandle<CoTaskMemoryTraits>;

// CoInitializeEx for the current thread; CoUninitialize at scope end when it succeeded.
class ComApartment {
 public:
  explicit ComApartment(DWORD flags);
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;
  ~ComApartment();
  [[nodiscard]] HRESULT result() const { return result_; }
  [[nodiscard]] bool initialized() const { return SUCCEEDED(result_); }

 private:
  HRESULT result_;
};

}  // namespace base
