// Helpers of the window tests: run code inside a modal loop, read pixels from the screen and
// save them as screenshots under the build tree.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace ui_test {

// Calls `action` with the first visible dialog of this thread once it is shown (a thread timer,
// every `interval_ms`, fires inside the modal loop; timer messages come only when no paint is
// pending). The action usually ends the dialog.
void WhenDialogShown(std::function<void(HWND)> action, UINT interval_ms = 100);

// Runs this thread's messages (a modal loop is below us) until `done` holds; `seen` looks at each
// message first. False when `done` never holds (a 30 s limit bounds a failure only).
bool PumpUntil(HWND dialog, const std::function<bool()>& done,
               const std::function<void(const MSG&)>& seen = nullptr);

// Lets the window and its children paint, then copies its screen pixels.
struct Pixels {
  int width = 0, height = 0;
  std::vector<uint32_t> bgra;  // top-down rows
  uint32_t At(int x, int y) const { return bgra[static_cast<size_t>(y) * width + x]; }
  int R(int x, int y) const { return (At(x, y) >> 16) & 0xFF; }
  int G(int x, int y) const { return (At(x, y) >> 8) & 0xFF; }
  int B(int x, int y) const { return At(x, y) & 0xFF; }
};
Pixels CaptureScreen(const RECT& screen_rect);
Pixels CaptureWindow(HWND window);
// Renders through a painter into a memory bitmap of the given size.
Pixels Render(int width, int height, const std::function<void(HDC)>& painter);
// build/win/screenshots/<name>.bmp
void SaveScreenshot(const Pixels& pixels, const std::wstring& name);

// Client rectangle of a child in its parent's client coordinates.
RECT ChildRect(HWND child);

}  // namespace ui_test
