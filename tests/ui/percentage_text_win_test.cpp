// The percentage beside the progress bar, as the window shows it: every value must be readable in
// full, "100%" included, at scale 1 and at scale 2 (a copy of this program with the scale switch).
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "base/command_line.h"
#include "base/unique_handle.h"
#include "distrib/brand_info.h"
#include "distrib/distrib_params.h"
#include "gui_util.h"
#include "support/test_util.h"
#include "ui/control_ids.h"
#include "ui/drawing_win.h"
#include "ui/main_window_win.h"
#include "ui/scale.h"
#include "window_test_util.h"

namespace ui {
namespace {

using ui_test::PumpUntil;

using ui_test::Pixels;

struct InkSpan {
  int left = -1, right = -1;  // columns, right exclusive; -1 when there is no ink
  int width() const { return left < 0 ? 0 : right - left; }
};

// Columns in which the two pictures differ inside the band.
InkSpan ChangedColumns(const Pixels& before, const Pixels& after, int left, int top, int right, int bottom) {
  InkSpan span;
  for (int x = left; x < right && x < after.width; ++x) {
    for (int y = top; y < bottom && y < after.height; ++y) {
      if ((before.At(x, y) & 0xFFFFFF) != (after.At(x, y) & 0xFFFFFF)) {
        if (span.left < 0) span.left = x;
        span.right = x + 1;
        break;
      }
    }
  }
  return span;
}

// The window's pixels that lie on the screen (at scale 2 the window is wider than the test
// display), placed at their window coordinates; the rest stays black.
Pixels CaptureOnScreen(HWND window) {
  Pixels whole = ui_test::CaptureWindow(window);  // lets it paint first
  RECT rect, screen = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}, visible;
  GetWindowRect(window, &rect);
  if (!IntersectRect(&visible, &rect, &screen)) return whole;
  Pixels part = ui_test::CaptureScreen(visible);
  Pixels placed;
  placed.width = rect.right - rect.left;
  placed.height = rect.bottom - rect.top;
  placed.bgra.assign(static_cast<size_t>(placed.width) * placed.height, 0);
  for (int y = 0; y < part.height; ++y)
    for (int x = 0; x < part.width; ++x)
      placed.bgra[static_cast<size_t>(y + visible.top - rect.top) * placed.width + (x + visible.left - rect.left)] =
          part.At(x, y);
  return placed;
}

// Columns of ink when the text is drawn in the window's percentage font on white.
InkSpan ReferenceInk(const std::wstring& text) {
  base::ScopedGdiObject font = CreateUiFont(L"Arial", 12);
  const int width = Scale(200), height = Scale(40);
  Pixels blank = ui_test::Render(width, height, [&](HDC dc) {
    RECT all = {0, 0, width, height};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  });
  Pixels drawn = ui_test::Render(width, height, [&](HDC dc) {
    RECT all = {0, 0, width, height};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    HGDIOBJ old = SelectObject(dc, font.get());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(0, 0, 0));
    RECT at = {Scale(10), 0, width, height};
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &at, DT_SINGLELINE);
    SelectObject(dc, old);
  });
  return ChangedColumns(blank, drawn, 0, 0, width, height);
}

// The window at this process's scale: the progress screen before any percentage, then at 100 %.
TEST(PercentageTextTest, HundredPercentIsShownWhole) {
  InitScaleFactor(base::CommandLine::ForCurrentProcess());  // as start-up does; the copy has the switch
  window_test::Distribution dist;
  ASSERT_TRUE(dist.ok());
  distrib::BrandInfo brand(dist.temp() + L"\\");
  brand.set_interface_language("en");
  brand.ApplyDefaultsFor("en");
  distrib::DistribParams params("");
  // One long page: the first slide stays under the text while the test looks at it.
  MainWindow window(&brand, &params, /*create_installer=*/false, MainWindowOptions{600000});
  const int scale_percent = static_cast<int>(ScaleFactor() * 100);
  const std::string name = "window_percentage_100_x" + std::to_string(scale_percent / 100);
  Pixels empty, full;
  std::wstring text;
  ui_test::WhenDialogShown([&](HWND dialog) {
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(ui::ids::kInstall, BN_CLICKED), 0);
    EXPECT_TRUE(PumpUntil(dialog, [&] { return window.progress_shown(); }));
    empty = CaptureOnScreen(dialog);
    PostMessageW(dialog, WM_APP + 100, 100, 0);
    EXPECT_TRUE(PumpUntil(
        dialog, [&] { return window_test::ControlText(GetDlgItem(dialog, ui::ids::kPercentage)) == L"100%"; }));
    text = window_test::ControlText(GetDlgItem(dialog, ui::ids::kPercentage));
    full = CaptureOnScreen(dialog);
    window_test::Screenshot(name);
    ui_test::SaveScreenshot(full, std::wstring(name.begin(), name.end()));
    PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
  });
  EXPECT_EQ(window.RunModal(), kEndSystemClose);
  ASSERT_EQ(text, L"100%");
  ASSERT_EQ(empty.width, full.width);

  // Left of the bar, in the text's rows: what changed is the percentage text.
  const int bar_left = Scale(392);
  InkSpan shown = ChangedColumns(empty, full, Scale(240), Scale(46), bar_left, Scale(70));
  InkSpan expected = ReferenceInk(L"100%");
  ASSERT_GT(expected.width(), 0);
  EXPECT_GT(shown.width(), 0) << "no percentage text";
  // The whole text, not cut at the box's edge (a cut "100%" reads "100'").
  EXPECT_GE(shown.width(), expected.width() - 1) << "shown " << shown.left << ".." << shown.right;
  EXPECT_LE(shown.width(), expected.width() + 1);
  EXPECT_LT(shown.right, bar_left);
}

// The same window at scale 2, in a copy of this program (the scale is fixed per process).
TEST(PercentageTextTest, HundredPercentIsShownWholeAtScale2) {
  if (ScaleFactor() == 2.0) GTEST_SKIP() << "this is the scale-2 copy";
  wchar_t self[MAX_PATH] = {};
  ASSERT_GT(GetModuleFileNameW(nullptr, self, MAX_PATH), 0u);
  std::wstring command_line = std::wstring(L"\"") + self +
                              L"\" --gtest_filter=PercentageTextTest.HundredPercentIsShownWhole"
                              L" --force-device-scale-factor=2";
  EXPECT_EQ(test::RunAndWait(command_line, 120000), 0u) << "the scale-2 run failed (see its output)";
}

}  // namespace
}  // namespace ui
