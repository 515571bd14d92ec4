// Helpers of the window tests: run code inside a modal loop, press keys, read what Active
// Accessibility tells about a control, read pixels from the screen and save them as screenshots
// under the build tree.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

namespace ui_test {

// Calls `action` with the first visible dialog of this thread once it is shown (a thread timer,
// every `interval_ms`, fires inside the modal loop; timer messages come only when no paint is
// pending). The action usually ends the dialog; after a fatal failure (an ASSERT that returned
// early) the dialog is ended with -1.
void WhenDialogShown(std::function<void(HWND)> action, UINT interval_ms = 100);
// The same for the first visible dialog of this thread other than `except` (a dialog opened over
// another one).
void WhenDialogShownOver(HWND except, std::function<void(HWND)> action, UINT interval_ms = 100);

// Presses keys as a keyboard does (SendInput): down in the given order, up in the reverse order,
// so {VK_MENU, VK_F4} is Alt+F4. The keys go to the foreground window's focused control.
void PressKeys(std::initializer_list<WORD> keys);
// Makes `window` (of any process) the foreground window; false when it never becomes it.
bool BringToForeground(HWND window);
// Presses keys and lets `dialog` (of this thread) handle them and what they post. A key may open
// a modal dialog whose own loop takes the rest of the keys.
void Press(HWND dialog, std::initializer_list<WORD> keys);
// Presses `keys` until the focus is back where it started (at most 20 presses): the controls the
// focus visited on the way, in order, ending with the start.
std::vector<HWND> WalkFocus(HWND dialog, std::initializer_list<WORD> keys);
// Presses Tab until control `id` has the focus; false when it never gets it.
bool TabTo(HWND dialog, int id);
// "id id id " of the controls, for comparisons.
std::string Ids(const std::vector<HWND>& controls);
// The control with the keyboard focus in `window`'s thread, whatever process it belongs to.
HWND FocusIn(HWND window);

// What Active Accessibility (oleacc's standard proxies) tells a screen reader about a window.
struct Accessible {
  bool read = false;  // AccessibleObjectFromWindow gave an object
  std::wstring name;
  long role = 0;
  long state = 0;
};
Accessible ReadAccessible(HWND window);
// What a screen reader would miss among the shown children of `dialog`: one line for each
// without an accessible object, a name or a role, or that is unavailable; empty when none.
std::string AccessibilityProblems(HWND dialog);
// One line per visible child of `dialog`: id, class, name, role and state, for failure messages.
std::wstring DescribeControls(HWND dialog);

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
