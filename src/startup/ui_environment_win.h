#pragma once

#include <cstdint>

namespace startup {

// COM, common controls (link and progress classes) and GDI+ for the master's lifetime.
class UiEnvironment {
 public:
  UiEnvironment();
  UiEnvironment(const UiEnvironment&) = delete;
  UiEnvironment& operator=(const UiEnvironment&) = delete;
  ~UiEnvironment();

 private:
  uintptr_t gdiplus_token_ = 0;
  bool com_initialized_ = false;
};

}  // namespace startup
