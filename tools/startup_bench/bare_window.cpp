// The baseline of the start-up benchmark: a program that shows one window and paints it, and
// marks its first paint the way the installer marks its start-up steps.
#include <windows.h>

#include "base/startup_timeline.h"

LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM w, LPARAM l) {
  if (message == WM_PAINT) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    FillRect(dc, &paint.rcPaint, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    EndPaint(window, &paint);
    static bool painted = false;
    if (!painted) base::MarkStartup("first paint");
    painted = true;
    return 0;
  }
  if (message == WM_DESTROY) PostQuitMessage(0);
  return DefWindowProcW(window, message, w, l);
}

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
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
