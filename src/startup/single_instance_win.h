// The master's single-instance mutex and the master's process id, shared by every process
// started from the same executable file.
#pragma once

#include <windows.h>

#include "base/unique_handle.h"

namespace startup {

class SingleInstanceMutex {
 public:
  SingleInstanceMutex();
  SingleInstanceMutex(const SingleInstanceMutex&) = delete;
  SingleInstanceMutex& operator=(const SingleInstanceMutex&) = delete;
  // Only an immediate WAIT_OBJECT_0 counts; a failed creation, a time-out or an abandoned mutex
  // all mean another instance.
  [[nodiscard]] bool acquired() const { return hold_.valid(); }

 private:
  base::ScopedHandle mutex_;
  base::ScopedMutexHold hold_;  // after mutex_: released before the handle is closed
};

DWORD MasterProcessId();
void SetMasterProcessId(DWORD id);

}  // namespace startup
