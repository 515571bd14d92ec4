// The close functions of the owners whose library is bound on first use. The WinINet and WinHTTP
// entries are bound by name with their own types: their SDK headers cannot share a file.
#include <windows.h>
#include <objbase.h>
#include <wincrypt.h>
#include <wintrust.h>

#include "base/com_ptr.h"
#include "base/lazy_import.h"
#include "base/unique_crypt.h"
#include "base/unique_handle.h"
#include "base/unique_internet.h"
#include "base/unique_wintrust.h"

namespace base {

namespace {
using CloseInternetFn = BOOL WINAPI(void*);
using FdiDestroyFn = BOOL __cdecl(void*);
}  // namespace

bool RegKeyTraits::Close(HKEY key) {
  return LAZY_IMPORT(kAdvapi32, RegCloseKey)(key) == ERROR_SUCCESS;
}
bool GdiObjectTraits::Close(HGDIOBJ object) { return LAZY_IMPORT(kGdi32, DeleteObject)(object) != FALSE; }
bool MemoryDcTraits::Close(HDC dc) { return LAZY_IMPORT(kGdi32, DeleteDC)(dc) != FALSE; }
bool WindowTraits::Close(HWND window) { return LAZY_IMPORT(kUser32, DestroyWindow)(window) != FALSE; }
bool AnyThreadWindowTraits::Close(HWND window) {
  // DestroyWindow fails on any thread but the window's own.
  auto thread_of = LAZY_IMPORT(kUser32, GetWindowThreadProcessId);
  if (thread_of && thread_of(window, nullptr) != GetCurrentThreadId()) {
    auto post = LAZY_IMPORT(kUser32, PostMessageW);
    return post && post(window, WM_CLOSE, 0, 0) != FALSE;
  }
  return WindowTraits::Close(window);
}
bool CabinetContextTraits::Close(void* context) {
  return LAZY_IMPORT_AS(kCabinet, FdiDestroyFn, "FDIDestroy")(context) != FALSE;
}

bool InternetHandleTraits::Close(void* handle) {
  return LAZY_IMPORT_AS(kWininet, CloseInternetFn, "InternetCloseHandle")(handle) != FALSE;
}
bool WinHttpHandleTraits::Close(void* handle) {
  return LAZY_IMPORT_AS(kWinhttp, CloseInternetFn, "WinHttpCloseHandle")(handle) != FALSE;
}

bool CryptProviderTraits::Close(HCRYPTPROV provider) {
  return LAZY_IMPORT(kAdvapi32, CryptReleaseContext)(provider, 0) != FALSE;
}
bool CryptHashTraits::Close(HCRYPTHASH hash) { return LAZY_IMPORT(kAdvapi32, CryptDestroyHash)(hash) != FALSE; }
bool CryptKeyTraits::Close(HCRYPTKEY key) { return LAZY_IMPORT(kAdvapi32, CryptDestroyKey)(key) != FALSE; }
bool BcryptAlgorithmTraits::Close(BCRYPT_ALG_HANDLE algorithm) {
  return BCRYPT_SUCCESS(LAZY_IMPORT(kBcrypt, BCryptCloseAlgorithmProvider)(algorithm, 0));
}
bool BcryptHashTraits::Close(BCRYPT_HASH_HANDLE hash) {
  return BCRYPT_SUCCESS(LAZY_IMPORT(kBcrypt, BCryptDestroyHash)(hash));
}

bool CoTaskMemoryTraits::Close(void* memory) {
  auto free_memory = LAZY_IMPORT(kOle32, CoTaskMemFree);
  free_memory(memory);
  return static_cast<bool>(free_memory);
}

ScopedWindowDc::ScopedWindowDc(HWND window)
    : window_(window), dc_(LAZY_IMPORT(kUser32, GetDC)(window)) {}
ScopedWindowDc::~ScopedWindowDc() {
  if (dc_) LAZY_IMPORT(kUser32, ReleaseDC)(window_, dc_);
}

PaintScope::PaintScope(HWND window) : window_(window), dc_(LAZY_IMPORT(kUser32, BeginPaint)(window, &paint_)) {}
PaintScope::~PaintScope() {
  if (dc_) LAZY_IMPORT(kUser32, EndPaint)(window_, &paint_);
}

void ScopedTrustState::reset() {
  if (data_->hWVTStateData) {
    data_->dwStateAction = WTD_STATEACTION_CLOSE;
    LAZY_IMPORT(kWintrust, WinVerifyTrust)(static_cast<HWND>(INVALID_HANDLE_VALUE), action_, data_);
  }
  data_->hWVTStateData = nullptr;
}

ComApartment::ComApartment(DWORD flags) {
  auto initialize = LAZY_IMPORT(kOle32, CoInitializeEx);
  result_ = initialize ? initialize(nullptr, flags) : E_FAIL;
}
ComApartment::~ComApartment() {
  if (SUCCEEDED(result_)) LAZY_IMPORT(kOle32, CoUninitialize)();
}

}  // namespace base
