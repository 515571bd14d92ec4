// Owners for WinINet and WinHTTP handles. Both SDK headers define HINTERNET as void* and collide
// with each other, so this header includes neither: the close functions are bound in
// unique_handle_win.cpp.
#pragma once

#include "base/unique_handle.h"

namespace base {

// InternetCloseHandle (wininet.dll).
struct InternetHandleTraits {
  using Handle = void*;
  static Handle Invalid() { return nullptr; }
  [[nodiscard]] static bool Close(Handle h);
};
// WinHttpCloseHandle (winhttp.dll).
struct WinHttpHandleTraits {
  using Handle = void*;
  static Handle Invalid() { return nullptr; }
  [[nodiscard]] static bool Close(Handle h);
};

using ScopedInternet = UniqueHandle<InternetHandleTraits>;
using ScopedWinHttp = UniqueHandle<WinHttpHandleTraits>;

}  // namespace base
