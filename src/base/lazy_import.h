// System libraries other than kernel32 are bound on first use: LoadLibrary from System32 and
// GetProcAddress by name, resolved once per function. A missing library or entry is recorded as
// the delay-load failure (code 0xC06D007E with the library and procedure names) and the call
// site gets a null function, so it fails cleanly instead of jumping to address zero.
//
//   auto argv_fn = LAZY_IMPORT(kShell32, CommandLineToArgvW);
//   if (!argv_fn) return false;   // GetLastError() is ERROR_PROC_NOT_FOUND or ERROR_MOD_NOT_FOUND
//
// This is the only way the program binds a system function at run time:
//   LAZY_IMPORT(library, fn)               a function the SDK headers declare;
//   LAZY_IMPORT_AS(library, Type, "name")  one they do not (or declare for a later system).
// Both yield a LazyCall: it tests false when the function is missing, and calling it then does
// nothing and returns a zero value, so a call site that cannot do better may call it blindly.
#pragma once

#include <windows.h>

#include <atomic>
#include <string>
#include <type_traits>
#include <utility>

namespace base {

inline constexpr DWORD kDelayLoadFailureCode = 0xC06D007E;

class LazyLibrary {
 public:
  explicit constexpr LazyLibrary(const wchar_t* name) : name_(name) {}
  // Null when the library cannot be loaded from the system directory.
  HMODULE Module();
  FARPROC Procedure(const char* name);
  const wchar_t* name() const { return name_; }

 private:
  const wchar_t* name_;
  std::atomic<HMODULE> module_{nullptr};
  std::atomic<bool> tried_{false};
};

struct DelayLoadFailure {
  DWORD code = 0;  // 0 until a failure was recorded
  std::wstring library;
  std::string procedure;
};
// The most recent failure of this process (for diagnostics and tests).
DelayLoadFailure LastDelayLoadFailure();

extern LazyLibrary kKernel32, kAdvapi32, kUser32, kGdi32, kShell32, kShlwapi, kOle32, kOleAut32, kComctl32,
    kUxtheme, kMsimg32, kGdiplus, kWininet, kWinhttp, kCrypt32, kWintrust, kCabinet, kDbghelp,
    kMpr, kMsi, kNtdll, kVersion, kBcrypt;

template <typename Fn>
class LazyFunction {
 public:
  LazyFunction(LazyLibrary& library, const char* name) : library_(library), name_(name) {}
  Fn* Get() {
    Fn* fn = fn_.load(std::memory_order_acquire);
    if (!fn) {
      fn = reinterpret_cast<Fn*>(library_.Procedure(name_));
      if (fn) fn_.store(fn, std::memory_order_release);
    }
    return fn;
  }
  LazyLibrary& library() const { return library_; }
  const char* name() const { return name_; }

 private:
  LazyLibrary& library_;
  const char* name_;
  std::atomic<Fn*> fn_{nullptr};
};

// A bound (or missing) function: false when missing; a call to a missing one returns a zero
// value of the function's result type.
template <typename Fn>
class LazyCall {
 public:
  explicit LazyCall(Fn* fn) : fn_(fn) {}
  explicit operator bool() const { return fn_ != nullptr; }
  Fn* get() const { return fn_; }
  template <typename... Args>
  auto operator()(Args&&... args) const {
    using Result = decltype(fn_(std::forward<Args>(args)...));
    if constexpr (std::is_void_v<Result>) {
      if (fn_) fn_(std::forward<Args>(args)...);
    } else {
      return fn_ ? fn_(std::forward<Args>(args)...) : Result{};
    }
  }

 private:
  Fn* fn_;
};

}  // namespace base

// Resolves ::fn from the given LazyLibrary once.
#define LAZY_IMPORT(library, fn) LAZY_IMPORT_AS(library, decltype(::fn), #fn)

// Resolves the entry `name` of type Type (a function type) from the given LazyLibrary once.
#define LAZY_IMPORT_AS(library, Type, name)                                \
  ([]() -> ::base::LazyCall<Type> {                                        \
    static ::base::LazyFunction<Type> lazy_fn((library), name);            \
    return ::base::LazyCall<Type>(lazy_fn.Get());                          \
  }())
