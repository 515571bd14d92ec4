// Percentage maps of the progress bar, the first screen's check-box table, and the main
// window's shadow drawn on a real screen.
#include <windows.h>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "gui_util.h"
#include "ui/first_screen_layout.h"
#include "ui/progress_map.h"
#include "ui/resource_ids.h"
#include "ui/scale.h"
#include "ui/window_shadow_win.h"

namespace ui {
namespace {

TEST(ProgressMap, DownloadStagesAndImport) {
  EXPECT_EQ(DownloadPercentage(0.0f), 5);
  EXPECT_EQ(DownloadPercentage(0.5f), 22);
  EXPECT_EQ(DownloadPercentage(1.0f), 40);
  EXPECT_EQ(DownloadPercentage(0.999f), 39);
  // Faulty fractions stay inside the download's span.
  EXPECT_EQ(DownloadPercentage(-3.0f), 5);
  EXPECT_EQ(DownloadPercentage(7.0f), 40);
  EXPECT_EQ(DownloadPercentage(std::numeric_limits<float>::quiet_NaN()), 5);

  EXPECT_EQ(InstallStagePercentage(5), 75);
  EXPECT_EQ(InstallStagePercentage(7), 79);
  EXPECT_EQ(InstallStagePercentage(6), 0);
  EXPECT_EQ(InstallStagePercentage(0xFFFFFFFF), 0);

  EXPECT_EQ(ImportPercentage(0), 80);
  EXPECT_EQ(ImportPercentage(50), 90);
  EXPECT_EQ(ImportPercentage(99), 99);
  EXPECT_EQ(ImportPercentage(100), 100);
  EXPECT_EQ(ImportPercentage(250), 100);  // never beyond a full bar

  EXPECT_EQ(RelayedSecondsLeft(100), 340);
  EXPECT_EQ(RelayedSecondsLeft(-1), 239);
  EXPECT_EQ(RelayedSecondsLeft(std::numeric_limits<int>::max()), std::numeric_limits<int>::max());
}

TEST(FirstScreenLayout, MaskAndCheckBoxTable) {
  EXPECT_EQ(CheckBoxMask(false, false, false, true), 7);
  EXPECT_EQ(CheckBoxMask(false, false, false, false), 3);  // brand without the taskbar prompt
  EXPECT_EQ(CheckBoxMask(true, true, true, true), 0);
  EXPECT_EQ(CheckBoxMask(true, false, true, true), 2);

  CheckBoxPlaces all = CheckBoxLayout(7);
  EXPECT_EQ(all.make_default, (BoxPlace{60, 250, 525}));
  EXPECT_EQ(all.omrix, (BoxPlace{60, 280, 525}));
  EXPECT_EQ(all.statistics, (BoxPlace{60, 310, 525}));
  CheckBoxPlaces two = CheckBoxLayout(3);
  EXPECT_EQ(two.make_default, (BoxPlace{314, 305, 537}));
  EXPECT_EQ(two.statistics, (BoxPlace{60, 305, 308}));
  EXPECT_FALSE(two.omrix.has_value());
  CheckBoxPlaces none = CheckBoxLayout(0);
  EXPECT_FALSE(none.make_default || none.statistics || none.omrix);
  EXPECT_FALSE(CheckBoxLayout(9).make_default.has_value());  // not a mask: nothing shown

  EXPECT_EQ(SloganRect(7), (Rect{0, 152, 728, 250}));
  EXPECT_EQ(SloganRect(3), (Rect{0, 182, 728, 260}));
}

TEST(WindowShadow, PiecesFrameTheWindow) {
  auto pieces = ShadowPieces(728, 400, 8);
  ASSERT_EQ(pieces.size(), 8u);
  // The pieces tile the band around the window without overlapping it.
  Rect window = {8, 8, 736, 408};
  long area = 0;
  for (const ShadowPiece& piece : pieces) {
    area += static_cast<long>(piece.rect.width()) * piece.rect.height();
    bool inside = piece.rect.left >= window.left && piece.rect.right <= window.right &&
                  piece.rect.top >= window.top && piece.rect.bottom <= window.bottom;
    EXPECT_FALSE(inside) << piece.image_id;
  }
  EXPECT_EQ(pieces[0].image_id, kShadowTopLeft);
  EXPECT_EQ(pieces[3].rect, (Rect{736, 16, 744, 400}));
  EXPECT_EQ(pieces[5].rect, (Rect{16, 408, 728, 416}));
  // Four 16 x 16 corners and four 8-pixel edges.
  EXPECT_EQ(area, 4 * 256 + 8 * (728 - 16) + 8 * (728 - 16) + 8 * (400 - 16) * 2);
}

TEST(WindowShadow, SoftBandOutsideTheWindow) {
  const int w = 300, h = 150, e = 8;  // the test display runs at scale 1
  std::vector<uint32_t> pixels = ComposeWindowShadow(w, h);
  ASSERT_EQ(pixels.size(), static_cast<size_t>((w + 2 * e) * (h + 2 * e)));
  auto alpha = [&](int x, int y) { return pixels[y * (w + 2 * e) + x] >> 24; };
  // Strongest next to the window, fading outward on every side, nothing under the window.
  EXPECT_GT(alpha(150, 7), 40u);
  EXPECT_GT(alpha(150, 7), alpha(150, 3));
  EXPECT_GT(alpha(150, 3), alpha(150, 0));
  EXPECT_GT(alpha(w + e, 80), alpha(w + 2 * e - 2, 80));
  EXPECT_GT(alpha(150, h + e), alpha(150, h + 2 * e - 2));
  EXPECT_GT(alpha(7, 80), alpha(1, 80));
  EXPECT_LT(alpha(0, 0), 3u);  // the corner rounds off
  EXPECT_EQ(alpha(150, 80), 0u);
  // Premultiplied: colour never exceeds alpha (the shadow is black).
  EXPECT_LE(pixels[7 * (w + 2 * e) + 150] & 0xFF, alpha(150, 7));
}

TEST(WindowShadow, DarkensTheBandAroundTheWindow) {
  // A white backdrop, a window in its middle, and the window's shadow.
  HWND backdrop = CreateWindowExW(WS_EX_TOPMOST, L"STATIC", L"", WS_POPUP | WS_VISIBLE | SS_WHITERECT,
                                  100, 100, 600, 400, nullptr, nullptr, GetModuleHandleW(nullptr),
                                  nullptr);
  HWND window = CreateWindowExW(WS_EX_TOPMOST, L"STATIC", L"", WS_POPUP | WS_VISIBLE | SS_GRAYRECT,
                                200, 200, 300, 150, nullptr, nullptr, GetModuleHandleW(nullptr),
                                nullptr);
  SetActiveWindow(window);
  HWND shadow = CreateWindowShadow(window);
  ASSERT_NE(shadow, nullptr);
  // Shown, but the shaded window keeps the activation (and with it the keyboard focus).
  EXPECT_TRUE(IsWindowVisible(shadow));
  EXPECT_EQ(GetActiveWindow(), window);
  RECT rect;
  GetWindowRect(shadow, &rect);
  EXPECT_EQ(rect.left, 200 - Scale(8));
  EXPECT_EQ(rect.right, 500 + Scale(8));
  EXPECT_EQ(GetWindow(shadow, GW_OWNER), window);

  RECT around = {150, 150, 550, 400};
  ui_test::Pixels p = ui_test::CaptureWindow(backdrop);
  p = ui_test::CaptureScreen(around);
  ui_test::SaveScreenshot(p, L"window_shadow");
  // Screen (350, 198): 2 pixels above the window; (350, 191) just outside the 8-pixel band.
  // Without a compositing manager Wine shows every pixel of nonzero alpha opaque, so only
  // "darker than the backdrop" can be checked here, not the soft gradient.
  auto grey = [&](int x, int y) { return p.G(x - 150, y - 150); };
  EXPECT_LT(grey(350, 198), 235);
  EXPECT_EQ(grey(350, 191), 255);
  EXPECT_EQ(grey(350, 160), 255);
  EXPECT_LT(grey(502, 275), 235);   // right edge
  EXPECT_LT(grey(350, 352), 235);   // bottom edge
  EXPECT_LT(grey(198, 198), 245);   // top-left corner
  DestroyWindow(window);  // takes the shadow with it
  EXPECT_FALSE(IsWindow(shadow));
  DestroyWindow(backdrop);
}

}  // namespace
}  // namespace ui

#include "ui/drawing_win.h"
#include "ui/sentence_windows_win.h"
#include "ui/string_table.h"

namespace ui {
namespace {

TEST(LicenseSentence, PiecesAsChildWindowsInEveryLanguage) {
  HWND host = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 728, 400, nullptr, nullptr,
                              GetModuleHandleW(nullptr), nullptr);
  auto font = CreateUiFont(L"Arial", 12);
  const int line_height = LineHeight(AsFont(font));
  for (uint16_t language : kUiLanguages) {
    std::wstring sentence = LoadUiString(strings::kLicenseSentence, language);
    auto windows = CreateSentenceWindows(host, sentence, 400, 38, 267, AsFont(font), false, 122,
                                         123);
    ASSERT_FALSE(windows.empty()) << language;
    int links = 0;
    std::wstring joined;
    for (const SentenceWindow& piece : windows) {
      RECT rect = ui_test::ChildRect(piece.window);
      EXPECT_EQ(GetDlgCtrlID(piece.window), piece.link ? 123 : 122);
      EXPECT_EQ((rect.top - 38) % line_height, 0) << language;
      EXPECT_EQ(rect.bottom - rect.top, line_height);
      EXPECT_GE(rect.left, 400);
      EXPECT_LE(rect.right, 400 + 267) << language;  // the sentence keeps inside its column
      links += piece.link;
      wchar_t text[256] = {};
      GetWindowTextW(piece.window, text, 256);
      joined += text;
      DestroyWindow(piece.window);
    }
    EXPECT_EQ(links, 1) << language;
    // Nothing lost but the link markers.
    std::wstring expected = sentence;
    for (const wchar_t* marker : {L"((", L"))"}) expected.erase(expected.find(marker), 2);
    EXPECT_EQ(joined, expected) << language;
  }
  // English: the link closes the sentence on its second line, centred layout moves it right.
  auto english = CreateSentenceWindows(host, LoadUiString(strings::kLicenseSentence, 1033), 424,
                                       350, 242, AsFont(font), true, 1013, 1014);
  ASSERT_GE(english.size(), 2u);
  EXPECT_GT(ui_test::ChildRect(english.front().window).left, 424);
  DestroyWindow(host);
}

}  // namespace
}  // namespace ui
