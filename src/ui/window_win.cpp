#include "ui/window_win.h"

#include <map>
#include <mutex>

#include "ui/win32_api_win.h"

namespace ui {

namespace {

std::mutex& MapLock() {
  static std::mutex lock;
  return lock;
}

std::map<HWND, Window*>& WindowMap() {
  static std::map<HWND, Window*> map;
  return map;
}

}  // namespace

Window::~Window() { Detach(); }

Window* Window::FromHandle(HWND window) {
  std::lock_guard<std::mutex> guard(MapLock());
  auto found = WindowMap().find(window);
  return found == WindowMap().end() ? nullptr : found->second;
}

bool Window::Attach(HWND window) {
  if (!window || hwnd_) return false;
  {
    std::lock_guard<std::mutex> guard(MapLock());
    if (!WindowMap().emplace(window, this).second) return false;
  }
  hwnd_ = window;
  previous_ = reinterpret_cast<WNDPROC>(USER32(SetWindowLongPtrW)(
      window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&WindowProcedure)));
  if (!previous_) {
    std::lock_guard<std::mutex> guard(MapLock());
    WindowMap().erase(window);
    hwnd_ = nullptr;
    return false;
  }
  return true;
}

void Window::Detach() {
  if (!hwnd_) return;
  if (USER32(IsWindow)(hwnd_) && previous_) {
    USER32(SetWindowLongPtrW)(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous_));
  }
  {
    std::lock_guard<std::mutex> guard(MapLock());
    WindowMap().erase(hwnd_);
  }
  hwnd_ = nullptr;
  previous_ = nullptr;
}

LRESULT Window::DefaultHandling(UINT message, WPARAM wparam, LPARAM lparam) {
  if (!previous_) return USER32(DefWindowProcW)(hwnd_, message, wparam, lparam);
  return USER32(CallWindowProcW)(previous_, hwnd_, message, wparam, lparam);
}

LRESULT CALLBACK Window::WindowProcedure(HWND window, UINT message, WPARAM wparam,
                                         LPARAM lparam) {
  Window* self = FromHandle(window);
  if (!self) return USER32(DefWindowProcW)(window, message, wparam, lparam);
  LRESULT result = 0;
  if (message == WM_NOTIFY || message == WM_DRAWITEM) {
    HWND child = nullptr;
    if (message == WM_NOTIFY && lparam)
      child = reinterpret_cast<const NMHDR*>(lparam)->hwndFrom;
    else if (message == WM_DRAWITEM && lparam)
      child = reinterpret_cast<const DRAWITEMSTRUCT*>(lparam)->hwndItem;
    if (Window* target = child && child != window ? FromHandle(child) : nullptr) {
      if (target->HandleReflected(message, wparam, lparam, &result)) return result;
    }
  }
  if (self->HandleMessage(message, wparam, lparam, &result)) return result;
  if (message == WM_NCDESTROY) {
    // The window is gone: answer through the previous procedure, then forget the handle.
    WNDPROC previous = self->previous_;
    self->Detach();
    return previous ? USER32(CallWindowProcW)(previous, window, message, wparam, lparam)
                    : USER32(DefWindowProcW)(window, message, wparam, lparam);
  }
  return self->DefaultHandling(message, wparam, lparam);
}

INT_PTR Dialog::RunModal(HWND owner) {
  if (!owner) owner = USER32(GetActiveWindow)();
  return USER32(DialogBoxParamW)(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(template_id_),
                                 owner, &DialogProcedure, reinterpret_cast<LPARAM>(this));
}

void Dialog::End(INT_PTR code) {
  if (hwnd()) USER32(EndDialog)(hwnd(), code);
}

INT_PTR CALLBACK Dialog::DialogProcedure(HWND window, UINT message, WPARAM wparam,
                                         LPARAM lparam) {
  if (message != WM_INITDIALOG) return FALSE;
  auto* self = reinterpret_cast<Dialog*>(lparam);
  if (!self || !self->Attach(window)) return TRUE;
  return self->OnInitDialog() ? TRUE : FALSE;
}

bool Dialog::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) {
  return false;
}

void Dialog::Centre(HWND window) {
  RECT rect;
  if (!USER32(GetWindowRect)(window, &rect)) return;
  int width = rect.right - rect.left;
  int height = rect.bottom - rect.top;
  LONG style = USER32(GetWindowLongW)(window, GWL_STYLE);
  RECT area;
  bool have_area = false;
  if (style & WS_CHILD) {
    HWND parent = USER32(GetParent)(window);
    if (parent && USER32(GetClientRect)(parent, &area)) {
      // Child coordinates are relative to the parent's client area.
      USER32(SetWindowPos)(window, nullptr, (area.right - width) / 2, (area.bottom - height) / 2,
                           0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
      return;
    }
  }
  HWND owner = USER32(GetWindow)(window, GW_OWNER);
  if (owner && USER32(IsWindowVisible)(owner) && !USER32(IsIconic)(owner)) {
    have_area = USER32(GetWindowRect)(owner, &area) != 0;
  }
  if (!have_area) {
    HMONITOR monitor = USER32(MonitorFromWindow)(window, MONITOR_DEFAULTTONEAREST);
    MONITORINFO info = {};
    info.cbSize = sizeof(info);
    if (!USER32(GetMonitorInfoW)(monitor, &info)) return;
    area = info.rcWork;
  }
  int x = area.left + (area.right - area.left - width) / 2;
  int y = area.top + (area.bottom - area.top - height) / 2;
  USER32(SetWindowPos)(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace ui
