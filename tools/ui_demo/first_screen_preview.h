// A preview of the first screen built from the drawing resources alone (no installation behind
// it), so the pictures, sprites and translucent texts can be judged together on screen.
#pragma once

#include <windows.h>

#include <cstdint>

INT_PTR RunFirstScreenPreview(uint16_t language, int mask);
