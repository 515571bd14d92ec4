// The main window's drop shadow: a layered popup owned by the window, e = scale(8) pixels larger
// on every side, painted from the eight shadow pieces.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

namespace ui {

// Creates and shows the shadow; null when the window's rectangle cannot be read or the popup
// cannot be created. When its picture cannot be composed the popup stays empty. The shadow goes
// with its owner; hide it whenever the window hides itself.
HWND CreateWindowShadow(HWND window);

// The shadow's premultiplied BGRA pixels (top-down) for a window of the given size: the eight
// pieces stretched over the band of e = scale(8) pixels around it. Empty on failure.
std::vector<uint32_t> ComposeWindowShadow(int window_width, int window_height);

}  // namespace ui
