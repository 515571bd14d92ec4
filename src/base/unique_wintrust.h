// The state WinVerifyTrust keeps between a WTD_STATEACTION_VERIFY call and its close (wintrust.dll,
// bound on first use; the close lives in unique_handle_win.cpp).
#pragma once

#include <windows.h>
#include <wintrust.h>

namespace base {

// Owns what a verification leaves in data->hWVTStateData. The data and the action stay the
// caller's and must outlive this owner; the close is a WinVerifyTrust call with the same data
// (the whole of it: a larger structure that begins with the WINTRUST_DATA is passed as it is)
// and the same action, with dwStateAction set to WTD_STATEACTION_CLOSE.
class ScopedTrustState {
 public:
  ScopedTrustState(WINTRUST_DATA* data, GUID* action) : data_(data), action_(action) {}
  ScopedTrustState(const ScopedTrustState&) = delete;
  ScopedTrustState& operator=(const ScopedTrustState&) = delete;
  ~ScopedTrustState() { reset(); }
  // Closes the state a verification left, if any, and clears it, so that the data can verify
  // again.
  void reset();

 private:
  WINTRUST_DATA* data_;
  GUID* action_;
};

}  // namespace base
