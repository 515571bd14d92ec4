#include "startup/single_instance_win.h"

namespace startup {

namespace {

constexpr wchar_t kMutexName[] = L"Local\\VorlexBrowserLiteInstallerMutex-E523E369-4A72-4B13-AD57-5B956174172A";

// One 32-bit value in a section shared by all processes of this executable; aligned, so plain
// loads and stores are atomic.
__attribute__((section(".mpid"), shared)) volatile DWORD g_master_process_id = 0;

}  // namespace

SingleInstanceMutex::SingleInstanceMutex() : mutex_(CreateMutexW(nullptr, FALSE, kMutexName)) {
  if (mutex_ && WaitForSingleObject(mutex_.get(), 0) == WAIT_OBJECT_0) hold_.reset(mutex_.get());
}

DWORD MasterProcessId() { return g_master_process_id; }
void SetMasterProcessId(DWORD id) { g_master_process_id = id; }

}  // namespace startup
