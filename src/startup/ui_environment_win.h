#pragma once

#include <cstdint>

#include "base/com_ptr.h"
#include "ui/gdiplus_api_win.h"

namespace startup {

// COM, common controls (link and progress classes) and GDI+ for the master's lifetime.
class UiEnvironment {
 public:
  UiEnvironment();
  UiEnvironment(const UiEnvironment&) = delete;
  UiEnvironment& operator=(const UiEnvironment&) = delete;
  ~UiEnvironment();

 private:
  base::ComApartment com_;  // first in, last out
  ui::gdiplus::ScopedStartupToken gdiplus_token_;
};

}  // namespace startup
