// What the main window's files share: its fonts, colours, timer and elevation check. Only
// main_window_win.cpp, first_screen_win.cpp and progress_screen_win.cpp include it.
#pragma once

#include <windows.h>

#include <string>

#include "base/command_line.h"
#include "install/elevation.h"

namespace ui::main_window {

// The window's fonts, by the texts that use them.
enum Font {
  kSloganFont,       // the first screen's slogan; its line height spaces the first slide's text
  kButtonFont,       // the Install button
  kTextFont,         // check boxes, the license sentence, the percentage
  kLinkFont,         // the privacy policy and license links
  kSlideTitleFont,   // the first slide's title
  kSlideBodyFont,    // the first slide's text
  kSlideTextFont,    // the license sentence over the first slide
  kSlideLinkFont,    // its link
  kFontCount
};

inline constexpr UINT_PTR kProgressTimer = 100;
inline constexpr UINT kProgressTimerMs = 20;
// Set again by the first paint: a timer message comes only when no paint is pending, so it
// fires once the window and its controls are painted; until then it waits one second, for a
// window that is never painted.
inline constexpr UINT_PTR kAfterFirstPaintTimer = 101;
inline constexpr UINT kAfterFirstPaintFallbackMs = 1000;

inline constexpr COLORREF kWhite = RGB(255, 255, 255);
inline constexpr COLORREF kBlack = RGB(0, 0, 0);

inline std::wstring Widen(const std::string& text) { return std::wstring(text.begin(), text.end()); }

inline bool NeedElevation(const base::CommandLine& command_line) {
  return install::NeedStartThisProcessAsAdmin(command_line, install::ElevationFacts::Current());
}

}  // namespace ui::main_window
