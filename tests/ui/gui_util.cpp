// (Helpers for the window tests; no test cases in this file.)
#include "gui_util.h"

#include <gtest/gtest.h>
#include <oleacc.h>

#include <cstdio>
#include <vector>

#include "support/test_util.h"

namespace ui_test {

namespace {
// IID_IAccessible, spelled out: MinGW's import library gives the address of oleacc's exported
// copy, not the GUID.
constexpr GUID kAccessibleInterface = {0x618736e0, 0x3c3d, 0x11cf, {0x81, 0x0c, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71}};

std::function<void(HWND)> g_action;
HWND g_except = nullptr;

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
  if (window != g_except && IsWindowVisible(window) && std::wstring(name) == L"#32770") {
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
  if (!action) return;
  action(dialog);
  // A step that failed fatally returned early and left the dialog open: end it, so the test
  // reports the failure instead of waiting for a window nobody closes.
  if (::testing::Test::HasFatalFailure() && IsWindow(dialog) && IsWindowVisible(dialog)) EndDialog(dialog, -1);
}
}  // namespace

void WhenDialogShown(std::function<void(HWND)> action, UINT interval_ms) {
  WhenDialogShownOver(nullptr, std::move(action), interval_ms);
}

void WhenDialogShownOver(HWND except, std::function<void(HWND)> action, UINT interval_ms) {
  g_action = std::move(action);
  g_except = except;
  SetTimer(nullptr, 0, interval_ms, OnTimer);
}

void PressKeys(std::initializer_list<WORD> keys) {
  std::vector<INPUT> input;
  for (WORD key : keys) {
    INPUT down = {};
    down.type = INPUT_KEYBOARD;
    down.ki.wVk = key;
    input.push_back(down);
  }
  for (auto key = std::rbegin(keys); key != std::rend(keys); ++key) {
    INPUT up = {};
    up.type = INPUT_KEYBOARD;
    up.ki.wVk = *key;
    up.ki.dwFlags = KEYEVENTF_KEYUP;
    input.push_back(up);
  }
  SendInput(static_cast<UINT>(input.size()), input.data(), sizeof(INPUT));
}

bool BringToForeground(HWND window) {
  const bool own = GetWindowThreadProcessId(window, nullptr) == GetCurrentThreadId();
  for (int attempt = 0; attempt < 100; ++attempt) {
    if (GetForegroundWindow() == window) return true;
    SetForegroundWindow(window);
    if (own) {
      // This thread's own window activates through its messages.
      MSG message;
      while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
    }
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
  }
  return GetForegroundWindow() == window;
}

void Press(HWND dialog, std::initializer_list<WORD> keys) {
  PressKeys(keys);
  bool seen = false;
  PumpUntil(dialog, [&] { return seen && (HIWORD(GetQueueStatus(QS_KEY)) & QS_KEY) == 0; },
            [&](const MSG& message) {
              if (message.message >= WM_KEYFIRST && message.message <= WM_KEYLAST) seen = true;
            });
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (!IsDialogMessageW(dialog, &message)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
}

std::vector<HWND> WalkFocus(HWND dialog, std::initializer_list<WORD> keys) {
  std::vector<HWND> visited;
  HWND start = GetFocus();
  for (int press = 0; press < 20; ++press) {
    HWND before = GetFocus();
    PressKeys(keys);
    if (!PumpUntil(dialog, [&] { return GetFocus() != before; })) break;
    visited.push_back(GetFocus());
    if (GetFocus() == start) break;
  }
  return visited;
}

bool TabTo(HWND dialog, int id) {
  HWND target = GetDlgItem(dialog, id);
  for (int press = 0; press < 20 && GetFocus() != target; ++press) {
    HWND before = GetFocus();
    PressKeys({VK_TAB});
    if (!PumpUntil(dialog, [&] { return GetFocus() != before; })) return false;
  }
  return GetFocus() == target;
}

std::string Ids(const std::vector<HWND>& controls) {
  std::string text;
  for (HWND control : controls) text += std::to_string(control ? GetDlgCtrlID(control) : 0) + " ";
  return text;
}

HWND FocusIn(HWND window) {
  GUITHREADINFO info = {};
  info.cbSize = sizeof(info);
  if (!GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info)) return nullptr;
  return info.hwndFocus;
}

Accessible ReadAccessible(HWND window) {
  Accessible result;
  IAccessible* object = nullptr;
  if (FAILED(AccessibleObjectFromWindow(window, static_cast<DWORD>(OBJID_CLIENT), kAccessibleInterface,
                                        reinterpret_cast<void**>(&object))) ||
      !object)
    return result;
  result.read = true;
  VARIANT self;
  VariantInit(&self);
  self.vt = VT_I4;
  self.lVal = CHILDID_SELF;
  BSTR name = nullptr;
  if (object->get_accName(self, &name) == S_OK && name) result.name.assign(name, SysStringLen(name));
  SysFreeString(name);
  VARIANT value;
  VariantInit(&value);
  if (SUCCEEDED(object->get_accRole(self, &value)) && value.vt == VT_I4) result.role = value.lVal;
  VariantClear(&value);
  if (SUCCEEDED(object->get_accState(self, &value)) && value.vt == VT_I4) result.state = value.lVal;
  VariantClear(&value);
  object->Release();
  return result;
}

std::string AccessibilityProblems(HWND dialog) {
  std::string problems;
  for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    if (!IsWindowVisible(child)) continue;
    const std::string id = "control " + std::to_string(GetDlgCtrlID(child));
    Accessible info = ReadAccessible(child);
    if (!info.read) problems += id + ": no accessible object\n";
    if (info.read && info.name.empty()) problems += id + ": no name\n";
    if (info.read && info.role == 0) problems += id + ": no role\n";
    if (info.state & (STATE_SYSTEM_UNAVAILABLE | STATE_SYSTEM_INVISIBLE)) problems += id + ": unavailable\n";
  }
  return problems;
}

std::wstring DescribeControls(HWND dialog) {
  std::wstring text;
  for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    if (!IsWindowVisible(child)) continue;
    wchar_t class_name[32] = {};
    GetClassNameW(child, class_name, 32);
    Accessible info = ReadAccessible(child);
    wchar_t numbers[64] = {};
    swprintf(numbers, 64, L" role=%ld state=0x%lx", info.role, info.state);
    text += std::to_wstring(GetDlgCtrlID(child)) + L" " + class_name + L" name=\"" + info.name + L"\"" +
            numbers + L"\n";
  }
  return text;
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
