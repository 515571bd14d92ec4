// One owner for every Windows handle: a move-only wrapper whose traits name the invalid value
// and the close function. Copying does not compile.
//
// The owners are split by API family so that a file pays only for the headers it needs:
//   unique_handle.h    kernel objects, files, modules, memory blocks, mapped views, registry keys,
//                      windows, device contexts, GDI objects and the paint scope, and the scopes
//                      that give back what a thread holds: an SRW lock, a mutex, a locked memory
//                      block, a locked file range (windows.h only)
//   unique_internet.h  WinINet and WinHTTP handles (neither SDK header: they collide)
//   unique_crypt.h     CryptoAPI providers, hashes and keys; CNG algorithms and hashes
//   unique_wintrust.h  the state WinVerifyTrust keeps between a verification and its close
//   com_ptr.h          COM interface pointers, COM task memory, the COM apartment
// Close functions of lazily bound libraries live in unique_handle_win.cpp; nothing else in the
// program calls a release function directly.
#pragma once

#include <windows.h>

#include <utility>

namespace base {

template <typename Traits>
class UniqueHandle {
 public:
  using Handle = typename Traits::Handle;

  UniqueHandle() = default;
  explicit UniqueHandle(Handle handle) : handle_(handle) {}
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.release()) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  ~UniqueHandle() { reset(); }

  [[nodiscard]] bool valid() const { return handle_ != Traits::Invalid(); }
  explicit operator bool() const { return valid(); }
  Handle get() const { return handle_; }
  [[nodiscard]] Handle release() { return std::exchange(handle_, Traits::Invalid()); }
  void reset(Handle handle = Traits::Invalid()) {
    Handle old = std::exchange(handle_, handle);
    if (old != Traits::Invalid()) static_cast<void>(Traits::Close(old));
  }
  // Closes now and says whether the close function succeeded (true when nothing was held), for
  // the callers that log a failed close.
  [[nodiscard]] bool close() {
    Handle old = std::exchange(handle_, Traits::Invalid());
    return old == Traits::Invalid() || Traits::Close(old);
  }
  // For out-parameters of creation functions: closes what is held and hands out the slot.
  Handle* receive() {
    reset();
    return &handle_;
  }

 private:
  Handle handle_ = Traits::Invalid();
};

struct KernelHandleTraits {
  using Handle = HANDLE;
  static Handle Invalid() { return nullptr; }
  [[nodiscard]] static bool Close(Handle h) { return ::CloseHandle(h) != FALSE; }
};
struct FileHandleTraits {
  using Handle = HANDLE;
  static Handle Invalid() { return INVALID_HANDLE_VALUE; }
  [[nodiscard]] static bool Close(Handle h) { return ::CloseHandle(h) != FALSE; }
};
struct FindHandleTraits {
  using Handle = HANDLE;
  static Handle Invalid() { return INVALID_HANDLE_VALUE; }
  [[nodiscard]] static bool Close(Handle h) { return ::FindClose(h) != FALSE; }
};
struct ModuleTraits {
  using Handle = HMODULE;
  static Handle Invalid() { return nullptr; }
  [[nodiscard]] static bool Close(Handle h) { return ::FreeLibrary(h) != FALSE; }
};
struct LocalMemoryTraits {
  using Handle = HLOCAL;
  static Handle Invalid() { return nullptr; }
  [[nodiscard]] static bool Close(Handle h) { return ::LocalFree(h) == nullptr; }
};
struct GlobalMemoryTraits {
  using Handle = HGLOBAL;
  static Handle Invalid() { return nullptr; }
  [[nodiscard]] static bool Close(Handle h) { return ::GlobalFree(h) == nullptr; }
};
struct MappedViewTraits {
  using Handle = const void*;
  static Handle Invalid() { return nullptr; }
  [[nodiscard]] static bool Close(Handle h) { return ::UnmapViewOfFile(h) != FALSE; }
};
// Not the mutex handle but this thread's hold on the mutex, taken by a wait that returned
// WAIT_OBJECT_0 or WAIT_ABANDONED: ReleaseMutex gives it back. Declare it after the owner of the
// mutex handle, so that the hold ends before the handle is closed.
struct HeldMutexTraits {
  using Handle = HANDLE;
  static Handle Invalid() { return nullptr; }
  [[nodiscard]] static bool Close(Handle h) { return ::ReleaseMutex(h) != FALSE; }
};

// Handles whose close function lives in a lazily bound library (advapi32, gdi32, user32,
// cabinet) close through it; see lazy_import.h.
struct RegKeyTraits {
  using Handle = HKEY;
  static Handle Invalid() { return nullptr; }
  [[nodiscard]] static bool Close(Handle h);
};
struct GdiObjectTraits {
  using Handle = HGDIOBJ;
  static Handle Invalid() { return nullptr; }
  [[nodiscard]] static bool Close(Handle h);
};
struct MemoryDcTraits {
  using Handle = HDC;
  static Handle Invalid() { return nullptr; }
  [[nodiscard]] static bool Close(Handle h);
};
// A window this code created and destroys itself (DestroyWindow works only on the window's own
// thread).
struct WindowTraits {
  using Handle = HWND;
  static Handle Invalid() { return nullptr; }
  [[nodiscard]] static bool Close(Handle h);
};
// A plain window that may be let go of from any thread: destroyed on its own thread, and from any
// other asked to close (WM_CLOSE, which the window's own thread answers by destroying it). The
// close reports whether the window was destroyed or the message posted.
struct AnyThreadWindowTraits {
  using Handle = HWND;
  static Handle Invalid() { return nullptr; }
  [[nodiscard]] static bool Close(Handle h);
};
// An FDI context (HFDI is an opaque pointer; fdi.h stays out of this header).
struct CabinetContextTraits {
  using Handle = void*;
  static Handle Invalid() { return nullptr; }
  [[nodiscard]] static bool Close(Handle h);
};

using ScopedHandle = UniqueHandle<KernelHandleTraits>;
using ScopedFile = UniqueHandle<FileHandleTraits>;
using ScopedFind = UniqueHandle<FindHandleTraits>;
using ScopedModule = UniqueHandle<ModuleTraits>;
using ScopedLocalMemory = UniqueHandle<LocalMemoryTraits>;
using ScopedGlobalMemory = UniqueHandle<GlobalMemoryTraits>;
using ScopedMappedView = UniqueHandle<MappedViewTraits>;
using ScopedMutexHold = UniqueHandle<HeldMutexTraits>;
using ScopedRegKey = UniqueHandle<RegKeyTraits>;
using ScopedGdiObject = UniqueHandle<GdiObjectTraits>;
using ScopedMemoryDc = UniqueHandle<MemoryDcTraits>;
using ScopedWindow = UniqueHandle<WindowTraits>;
using ScopedAnyThreadWindow = UniqueHandle<AnyThreadWindowTraits>;
using ScopedCabinetContext = UniqueHandle<CabinetContextTraits>;

// A device context from GetDC, given back with ReleaseDC for the same window (null: the screen).
class ScopedWindowDc {
 public:
  explicit ScopedWindowDc(HWND window);
  ScopedWindowDc(const ScopedWindowDc&) = delete;
  ScopedWindowDc& operator=(const ScopedWindowDc&) = delete;
  ~ScopedWindowDc();
  HDC get() const { return dc_; }
  explicit operator bool() const { return dc_ != nullptr; }

 private:
  HWND window_;
  HDC dc_;
};

// BeginPaint for WM_PAINT; EndPaint at scope end when painting began (dc() is not null).
class PaintScope {
 public:
  explicit PaintScope(HWND window);
  PaintScope(const PaintScope&) = delete;
  PaintScope& operator=(const PaintScope&) = delete;
  ~PaintScope();
  HDC dc() const { return dc_; }
  const PAINTSTRUCT& paint() const { return paint_; }

 private:
  HWND window_;
  PAINTSTRUCT paint_ = {};
  HDC dc_;
};

// An SRW lock held exclusively from construction to the end of the scope.
class ScopedSrwExclusive {
 public:
  explicit ScopedSrwExclusive(SRWLOCK* lock) : lock_(lock) { ::AcquireSRWLockExclusive(lock_); }
  ScopedSrwExclusive(const ScopedSrwExclusive&) = delete;
  ScopedSrwExclusive& operator=(const ScopedSrwExclusive&) = delete;
  ~ScopedSrwExclusive() { ::ReleaseSRWLockExclusive(lock_); }

 private:
  SRWLOCK* lock_;
};

// GlobalLock for the scope: get() is the block's memory, or null when it could not be locked
// (then nothing is unlocked).
class ScopedGlobalLock {
 public:
  explicit ScopedGlobalLock(HGLOBAL block) : block_(block), data_(::GlobalLock(block)) {}
  ScopedGlobalLock(const ScopedGlobalLock&) = delete;
  ScopedGlobalLock& operator=(const ScopedGlobalLock&) = delete;
  ~ScopedGlobalLock() {
    if (data_) ::GlobalUnlock(block_);
  }
  void* get() const { return data_; }

 private:
  HGLOBAL block_;
  void* data_;
};

// LockFile over length bytes from offset; UnlockFile of the same range at the end of the scope
// when the lock was taken.
class ScopedFileRangeLock {
 public:
  ScopedFileRangeLock(HANDLE file, LARGE_INTEGER offset, DWORD length)
      : file_(file), offset_(offset), length_(length),
        locked_(::LockFile(file, offset.LowPart, static_cast<DWORD>(offset.HighPart), length, 0) != FALSE) {}
  ScopedFileRangeLock(const ScopedFileRangeLock&) = delete;
  ScopedFileRangeLock& operator=(const ScopedFileRangeLock&) = delete;
  ~ScopedFileRangeLock() {
    if (locked_) ::UnlockFile(file_, offset_.LowPart, static_cast<DWORD>(offset_.HighPart), length_, 0);
  }
  [[nodiscard]] bool locked() const { return locked_; }

 private:
  HANDLE file_;
  LARGE_INTEGER offset_;
  DWORD length_;
  bool locked_;
};

}  // namespace base
