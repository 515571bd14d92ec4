#include "install/delayed_params.h"

namespace install {

namespace {
// Shared by every process of this executable file and zero-filled at load; separate from the
// section that holds the master's process id.
__attribute__((section(".dparams"), shared)) DelayedParams g_delayed_params = {};
}  // namespace

DelayedParams* SharedDelayedParams() { return &g_delayed_params; }

}  // namespace install
