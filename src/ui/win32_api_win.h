// Short names for the lazily bound window and drawing functions (user32, gdi32, msimg32,
// uxtheme, shell32): each is a base::LazyCall, which does nothing and returns a zero value when
// the library or entry is missing.
//
//   USER32(InvalidateRect)(hwnd, nullptr, TRUE);
#pragma once

#include <windows.h>

#include "base/lazy_import.h"

#define USER32(fn) LAZY_IMPORT(::base::kUser32, fn)
#define GDI32(fn) LAZY_IMPORT(::base::kGdi32, fn)
#define MSIMG32(fn) LAZY_IMPORT(::base::kMsimg32, fn)
#define UXTHEME(fn) LAZY_IMPORT(::base::kUxtheme, fn)
#define SHELL32(fn) LAZY_IMPORT(::base::kShell32, fn)
