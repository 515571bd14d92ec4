// Lazily bound window and drawing functions (user32, gdi32, msimg32, uxtheme, comctl32, shell32)
// as callables that do nothing and return a zero value when the library or entry is missing.
//
//   USER32(InvalidateRect)(hwnd, nullptr, TRUE);
#pragma once

#include <windows.h>

#include <type_traits>
#include <utility>

#include "base/lazy_import.h"

namespace ui {

template <typename FnPtr>
struct SafeFn {
  FnPtr fn;
  explicit operator bool() const { return fn != nullptr; }
  template <typename... Args>
  auto operator()(Args&&... args) const {
    using Result = decltype(fn(std::forward<Args>(args)...));
    if constexpr (std::is_void_v<Result>) {
      if (fn) fn(std::forward<Args>(args)...);
    } else {
      return fn ? fn(std::forward<Args>(args)...) : Result{};
    }
  }
};

}  // namespace ui

#define VORLEX_SAFE_IMPORT(library, fn) (::ui::SafeFn<decltype(&::fn)>{LAZY_IMPORT(library, fn)})
#define USER32(fn) VORLEX_SAFE_IMPORT(::base::kUser32, fn)
#define GDI32(fn) VORLEX_SAFE_IMPORT(::base::kGdi32, fn)
#define MSIMG32(fn) VORLEX_SAFE_IMPORT(::base::kMsimg32, fn)
#define UXTHEME(fn) VORLEX_SAFE_IMPORT(::base::kUxtheme, fn)
#define SHELL32(fn) VORLEX_SAFE_IMPORT(::base::kShell32, fn)
