// The baselines of the start-up benchmark (startup_bench.cpp measures them from outside):
// - bare_window.exe shows one window and paints it;
// - floor_window.exe (built from this file with VORLEX_FLOOR_WINDOW and the installer's manifest)
//   first does the system start-up the installer must do before its window, in the same order
//   (the crash handler, then COM, common controls and GDI+), and paints a line of text in the
//   installer's face. It is the least any installer bound to that order can take to its first
//   window: its own work (log, parameters, brand, pictures, controls) comes on top.
#include <windows.h>

#ifdef VORLEX_FLOOR_WINDOW
#include <memory>

#include "base/unique_handle.h"
#include "crash/crash_reporter.h"
#include "startup/ui_environment_win.h"
#endif

LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM w, LPARAM l) {
  if (message == WM_PAINT) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    FillRect(dc, &paint.rcPaint, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
#ifdef VORLEX_FLOOR_WINDOW
    base::ScopedGdiObject font(
        CreateFontW(-15, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, 0, 0, 0, 0, L"Arial"));
    HGDIOBJ previous = SelectObject(dc, font.get());
    TextOutW(dc, 20, 20, L"Install", 7);
    SelectObject(dc, previous);
#endif
    EndPaint(window, &paint);
    return 0;
  }
  if (message == WM_DESTROY) PostQuitMessage(0);
  return DefWindowProcW(window, message, w, l);
}

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
#ifdef VORLEX_FLOOR_WINDOW
  std::unique_ptr<crash::CrashReporter> crash_reporter = crash::CrashReporter::Create();
  startup::UiEnvironment ui_environment;
#endif
  WNDCLASSW window_class = {};
  window_class.lpfnWndProc = Proc;
  window_class.hInstance = instance;
  window_class.lpszClassName = L"BareWindow";
  RegisterClassW(&window_class);
  HWND window = CreateWindowExW(0, L"BareWindow", L"bare", WS_POPUP | WS_VISIBLE, 100, 100, 728, 400, nullptr,
                                nullptr, instance, nullptr);
  UpdateWindow(window);
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
  return 0;
}
