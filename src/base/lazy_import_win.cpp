#include "base/lazy_import.h"

#include <mutex>

#include "base/unique_handle.h"

namespace base {

LazyLibrary kKernel32(L"kernel32.dll"), kAdvapi32(L"advapi32.dll"), kUser32(L"user32.dll"), kGdi32(L"gdi32.dll"),
    kShell32(L"shell32.dll"), kShlwapi(L"shlwapi.dll"), kOle32(L"ole32.dll"),
    kOleAut32(L"oleaut32.dll"), kComctl32(L"comctl32.dll"), kUxtheme(L"uxtheme.dll"),
    kMsimg32(L"msimg32.dll"), kGdiplus(L"gdiplus.dll"), kWininet(L"wininet.dll"),
    kWinhttp(L"winhttp.dll"), kCrypt32(L"crypt32.dll"), kWintrust(L"wintrust.dll"),
    kCabinet(L"cabinet.dll"), kDbghelp(L"dbghelp.dll"), kMpr(L"mpr.dll"), kMsi(L"msi.dll"),
    kNtdll(L"ntdll.dll"), kVersion(L"version.dll"),
    kBcrypt(L"bcrypt.dll");

namespace {

std::mutex& FailureMutex() {
  static std::mutex mutex;
  return mutex;
}
DelayLoadFailure& FailureSlot() {
  static DelayLoadFailure failure;
  return failure;
}

void RecordFailure(const wchar_t* library, const char* procedure, DWORD error) {
  {
    std::lock_guard<std::mutex> lock(FailureMutex());
    DelayLoadFailure& slot = FailureSlot();
    slot.code = kDelayLoadFailureCode;
    slot.library = library;
    slot.procedure = procedure ? procedure : "";
  }
  SetLastError(error);
}

}  // namespace

HMODULE LazyLibrary::Module() {
  HMODULE module = module_.load(std::memory_order_acquire);
  if (module || tried_.load(std::memory_order_acquire)) return module;
  // LoadLibraryExW with LOAD_LIBRARY_SEARCH_SYSTEM32 needs KB2533623 on Windows 7; build the
  // System32 path ourselves instead so that no other directory is ever searched.
  wchar_t system_dir[MAX_PATH];
  UINT length = GetSystemDirectoryW(system_dir, MAX_PATH);
  if (length > 0 && length < MAX_PATH) {
    std::wstring path(system_dir, length);
    path += L'\\';
    path += name_;
    module = LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  }
  if (module) {
    HMODULE expected = nullptr;
    if (!module_.compare_exchange_strong(expected, module)) {
      ScopedModule extra(module);  // another thread won; keep one reference
      module = expected;
    }
  } else {
    RecordFailure(name_, nullptr, ERROR_MOD_NOT_FOUND);
  }
  tried_.store(true, std::memory_order_release);
  return module;
}

FARPROC LazyLibrary::Procedure(const char* name) {
  HMODULE module = Module();
  if (!module) {
    RecordFailure(name_, name, ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  FARPROC proc = GetProcAddress(module, name);
  if (!proc) RecordFailure(name_, name, ERROR_PROC_NOT_FOUND);
  return proc;
}

DelayLoadFailure LastDelayLoadFailure() {
  std::lock_guard<std::mutex> lock(FailureMutex());
  return FailureSlot();
}

}  // namespace base
