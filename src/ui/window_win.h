// Window and dialog wrappers. Attaching an object to a window subclasses it: a process-wide map
// from window handle to object routes each message to the object, and what the object does not
// handle goes to the window's previous procedure. A parent passes WM_NOTIFY and WM_DRAWITEM of a
// child to the child's object (reflection), so custom-drawn controls paint themselves.
#pragma once

#include <windows.h>

namespace ui {

class Window {
 public:
  Window() = default;
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;
  virtual ~Window();  // detaches

  // False leaves the object detached (hwnd() stays null), which the controls that attach in
  // their constructors rely on: a control without its window does nothing.
  bool Attach(HWND window);
  // Restores the previous window procedure. Also done when the window is destroyed.
  void Detach();
  HWND hwnd() const { return hwnd_; }

  // The object attached to a window, if any.
  static Window* FromHandle(HWND window);

 protected:
  // Return true when the message is handled; *result is then the window procedure's answer.
  [[nodiscard]] virtual bool HandleMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) {
    return false;
  }
  // WM_NOTIFY / WM_DRAWITEM sent to the parent about this window.
  [[nodiscard]] virtual bool HandleReflected(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) {
    return false;
  }
  // The previous window procedure's answer.
  LRESULT DefaultHandling(UINT message, WPARAM wparam, LPARAM lparam);

 private:
  static LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wparam,
                                          LPARAM lparam);

  HWND hwnd_ = nullptr;
  WNDPROC previous_ = nullptr;
};

class Dialog : public Window {
 public:
  explicit Dialog(int template_id) : template_id_(template_id) {}

  // DialogBoxParamW on the template; owner = the active window when none is given. The object
  // is attached at WM_INITDIALOG and detached when the dialog window goes, so it can run again.
  INT_PTR RunModal(HWND owner = nullptr);
  void End(INT_PTR code);

  // A child window centres on its parent; an owned popup on its owner when that is visible and
  // not minimised; anything else on the work area of the nearest monitor.
  static void Centre(HWND window);

 protected:
  [[nodiscard]] virtual bool OnInitDialog() { return true; }
  bool HandleMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) override;

 private:
  static INT_PTR CALLBACK DialogProcedure(HWND window, UINT message, WPARAM wparam,
                                          LPARAM lparam);
  int template_id_;
};

}  // namespace ui
