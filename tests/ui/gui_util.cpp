// (Helpers for the window tests; no test cases in this file.)
#include "gui_util.h"

#include <cstdio>

#include "support/test_util.h"

namespace ui_test {

namespace {
std::function<void(HWND)> g_action;

void FillHeader(BITMAPINFOHEADER* header, int width, int height) {
  *header = {};
  header->biSize = sizeof(*header);
  header->biWidth = width;
  header->biHeight = -height;  // top-down
  header->biPlanes = 1;
  header->biBitCount = 32;
  header->biCompression = BI_RGB;
}

BOOL CALLBACK FindDialog(HWND window, LPARAM found) {
  wchar_t name[16] = {};
  GetClassNameW(window, name, 16);
  if (IsWindowVisible(window) && std::wstring(name) == L"#32770") {
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
  }
  return TRUE;
}

void CALLBACK OnTimer(HWND, UINT, UINT_PTR id, DWORD) {
  HWND dialog = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), FindDialog, reinterpret_cast<LPARAM>(&dialog));
  if (!dialog) return;
  KillTimer(nullptr, id);
  auto action = std::move(g_action);
  g_action = nullptr;
  if (action) action(dialog);
}
}  // namespace

void WhenDialogShown(std::function<void(HWND)> action, UINT interval_ms) {
  g_action = std::move(action);
  SetTimer(nullptr, 0, interval_ms, OnTimer);
}

Pixels CaptureScreen(const RECT& rect) {
  Pixels pixels;
  pixels.width = rect.right - rect.left;
  pixels.height = rect.bottom - rect.top;
  pixels.bgra.assign(static_cast<size_t>(pixels.width) * pixels.height, 0);
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info = {};
  FillHeader(&info.bmiHeader, pixels.width, pixels.height);
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, pixels.width, pixels.height, screen, rect.left, rect.top, SRCCOPY);
  GdiFlush();
  memcpy(pixels.bgra.data(), bits, pixels.bgra.size() * 4);
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return pixels;
}

Pixels CaptureWindow(HWND window) {
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  MSG msg;
  for (int i = 0; i < 20; ++i) {
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    Sleep(10);
  }
  RECT rect;
  GetWindowRect(window, &rect);
  return CaptureScreen(rect);
}

Pixels Render(int width, int height, const std::function<void(HDC)>& painter) {
  Pixels pixels;
  pixels.width = width;
  pixels.height = height;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info = {};
  FillHeader(&info.bmiHeader, width, height);
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(memory, bitmap);
  painter(memory);
  GdiFlush();
  pixels.bgra.assign(static_cast<uint32_t*>(bits), static_cast<uint32_t*>(bits) + width * height);
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return pixels;
}

bool PumpUntil(HWND dialog, const std::function<bool()>& done, const std::function<void(const MSG&)>& seen) {
  const DWORD deadline = GetTickCount() + 30000;
  while (!done()) {
    if (static_cast<LONG>(GetTickCount() - deadline) >= 0) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (seen) seen(message);
      if (!IsDialogMessageW(dialog, &message)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
      }
    }
  }
  return true;
}

void SaveScreenshot(const Pixels& pixels, const std::wstring& name) {
  std::wstring dir = test::BuildDir() + L"\\screenshots";
  CreateDirectoryW(dir.c_str(), nullptr);
  FILE* out = _wfopen((dir + L"\\" + name + L".bmp").c_str(), L"wb");
  if (!out) return;
  BITMAPFILEHEADER file = {};
  BITMAPINFOHEADER info;
  FillHeader(&info, pixels.width, pixels.height);
  DWORD data_size = static_cast<DWORD>(pixels.bgra.size() * 4);
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof(file) + sizeof(info);
  file.bfSize = file.bfOffBits + data_size;
  fwrite(&file, sizeof(file), 1, out);
  fwrite(&info, sizeof(info), 1, out);
  // GDI leaves the fourth byte undefined; viewers would read it as alpha.
  std::vector<uint32_t> opaque = pixels.bgra;
  for (uint32_t& pixel : opaque) pixel |= 0xFF000000u;
  fwrite(opaque.data(), 1, data_size, out);
  fclose(out);
}

RECT ChildRect(HWND child) {
  RECT rect;
  GetWindowRect(child, &rect);
  MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

}  // namespace ui_test
