// Pictures, fonts and the sprite controls drawn for real through GDI+ and GDI; the scale factor
// of a whole process (child runs of this program with the switch).
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "base/command_line.h"
#include "base/lazy_import.h"
#include "gui_util.h"
#include "logging/log.h"
#include "support/log_capture.h"
#include "support/test_util.h"
#include "ui/control_ids.h"
#include "ui/controls_win.h"
#include "ui/drawing_win.h"
#include "ui/layout_resources_win.h"
#include "ui/message_dialog_win.h"
#include "ui/resource_bitmap.h"
#include "ui/resource_ids.h"
#include "ui/scale.h"

namespace ui {
namespace {

using ui_test::Pixels;
using ui_test::Render;

// GDI+ for the whole test program.
class GdiplusEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    struct Input {
      UINT32 version = 1;
      void* callback = nullptr;
      BOOL no_thread = FALSE, no_codecs = FALSE;
    } input;
    using StartupFn = int WINAPI(ULONG_PTR*, const Input*, void*);
    static base::LazyFunction<StartupFn> startup(base::kGdiplus, "GdiplusStartup");
    ASSERT_NE(startup.Get(), nullptr);
    ASSERT_EQ(startup.Get()(&token_, &input, nullptr), 0);
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
    auto init = LAZY_IMPORT(base::kComctl32, InitCommonControlsEx);
    ASSERT_NE(init.get(), nullptr);
    init(&controls);
  }
  ULONG_PTR token_ = 0;
};
const auto* const kGdiplus = ::testing::AddGlobalTestEnvironment(new GdiplusEnvironment);

TEST(ResourceBitmap, SizesFollowTheDisplayFactor) {
  ASSERT_EQ(ScaleFactor(), 1.0) << "the test display runs at 96 DPI";
  ResourceBitmap background;
  ASSERT_TRUE(background.Load(kFirstScreenBackground));
  EXPECT_EQ(background.width(), 728);
  EXPECT_EQ(background.height(), 400);

  ResourceBitmap logo;
  ASSERT_TRUE(logo.LoadPair(kLogoLight, kLogoLight2x));  // scale 1: the 1x picture
  EXPECT_EQ(logo.width(), 166);
  EXPECT_EQ(logo.height(), 28);
  ResourceBitmap half;
  ASSERT_TRUE(half.Load(kFirstSlidePicture, 2.0));
  EXPECT_EQ(half.width(), 351);
  EXPECT_EQ(half.height(), 268);

  // Copies share the picture and keep it alive.
  ResourceBitmap copy;
  {
    ResourceBitmap sprite;
    ASSERT_TRUE(sprite.Load(kCheckBoxSprite));
    copy = sprite;
  }
  EXPECT_EQ(copy.width(), 96);
  Pixels drawn = Render(16, 16, [&](HDC dc) { copy.Draw(dc, 0, 0, 16, 16, 48, 0, 16, 16); });
  EXPECT_GT(drawn.R(12, 12), 230);  // ticked frame: amber beside the tick
  EXPECT_LT(drawn.B(12, 12), 120);
}

TEST(ResourceBitmap, MissingPictureIsEmptyAndLogged) {
  auto log = std::make_unique<test::LogCapture>();
  ResourceBitmap missing;
  EXPECT_FALSE(missing.Load(4321));
  std::vector<test::LogLine> records = log->lines();
  log.reset();
  EXPECT_TRUE(missing.empty());
  EXPECT_EQ(missing.width(), 0);
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].location, "Load");
  EXPECT_EQ(records[0].severity, logging::LOG_ERROR);
  EXPECT_EQ(records[0].message.rfind("Failed to create the resource 4321 stream", 0), 0u)
      << records[0].message;
  // Drawing it changes nothing.
  Pixels pixels = Render(4, 4, [&](HDC dc) {
    RECT all = {0, 0, 4, 4};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    missing.Draw(dc, 0, 0, 4, 4, 0, 0, 4, 4);
  });
  EXPECT_EQ(pixels.R(1, 1), 255);
}

TEST(ResourceBitmap, FromGdiBitmap) {
  HDC screen = GetDC(nullptr);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, 5, 3);
  HDC memory = CreateCompatibleDC(screen);
  HGDIOBJ old = SelectObject(memory, bitmap);
  HBRUSH red = CreateSolidBrush(RGB(200, 10, 20));
  RECT all = {0, 0, 5, 3};
  FillRect(memory, &all, red);
  SelectObject(memory, old);
  DeleteDC(memory);
  DeleteObject(red);
  ReleaseDC(nullptr, screen);

  ResourceBitmap copy(bitmap);
  DeleteObject(bitmap);  // the image owns its own copy
  EXPECT_EQ(copy.width(), 5);
  EXPECT_EQ(copy.height(), 3);
  Pixels pixels = Render(5, 3, [&](HDC dc) { copy.Draw(dc, 0, 0); });
  EXPECT_NEAR(pixels.R(2, 1), 200, 2);
  EXPECT_NEAR(pixels.B(2, 1), 20, 2);
}

// A draw at the picture's own size, whole or a part, puts every source pixel in its place, the
// edges too: no filter smears them.
TEST(ResourceBitmap, OwnSizeDrawsCopyPixelsExactly) {
  constexpr int kWidth = 6, kHeight = 4;
  auto colour = [](int x, int y) { return RGB(40 * x + 10, 60 * y + 5, (x * 7 + y * 13) * 9 % 256); };
  HDC screen = GetDC(nullptr);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, kWidth, kHeight);
  HDC memory = CreateCompatibleDC(screen);
  HGDIOBJ old = SelectObject(memory, bitmap);
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) SetPixel(memory, x, y, colour(x, y));
  SelectObject(memory, old);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  ResourceBitmap picture(bitmap);
  DeleteObject(bitmap);

  auto white = [](HDC dc, int width, int height) {
    RECT all = {0, 0, width, height};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  };
  auto expect_at = [](const Pixels& pixels, int x, int y, COLORREF expected) {
    EXPECT_EQ(pixels.R(x, y), GetRValue(expected)) << x << "," << y;
    EXPECT_EQ(pixels.G(x, y), GetGValue(expected)) << x << "," << y;
    EXPECT_EQ(pixels.B(x, y), GetBValue(expected)) << x << "," << y;
  };
  Pixels whole = Render(kWidth + 3, kHeight + 2, [&](HDC dc) {
    white(dc, kWidth + 3, kHeight + 2);
    picture.Draw(dc, 2, 1);
  });
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) expect_at(whole, x + 2, y + 1, colour(x, y));
  expect_at(whole, 1, 1, RGB(255, 255, 255));
  expect_at(whole, kWidth + 2, kHeight, RGB(255, 255, 255));

  Pixels part = Render(3, 2, [&](HDC dc) {
    white(dc, 3, 2);
    picture.Draw(dc, 0, 0, 3, 2, 2, 1, 3, 2);
  });
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) expect_at(part, x, y, colour(x + 2, y + 1));
}

TEST(Drawing, FontsLineHeightAndTranslucentText) {
  auto font = CreateUiFont(L"Arial", 12);
  ASSERT_TRUE(font.valid());
  LOGFONTW info = {};
  GetObjectW(font.get(), sizeof(info), &info);
  EXPECT_EQ(info.lfHeight, -12);
  EXPECT_FALSE(info.lfUnderline);
  auto underlined = CreateUiFont(L"Arial", 11, true);
  GetObjectW(underlined.get(), sizeof(info), &info);
  EXPECT_TRUE(info.lfUnderline);
  int line = LineHeight(AsFont(font));
  EXPECT_GE(line, 12);
  EXPECT_LE(line, 18);

  // White text at alpha 128 over black: the ink is grey, never full white; at 255 it is white.
  auto brightest = [&](BYTE alpha) {
    Pixels p = Render(80, 20, [&](HDC dc) {
      RECT rect = {0, 0, 80, 20};
      FillRect(dc, &rect, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
      DrawTranslucentText(dc, rect, L"WWWW", AsFont(font), RGB(255, 255, 255), alpha, 0);
    });
    int best = 0;
    for (int y = 0; y < p.height; ++y)
      for (int x = 0; x < p.width; ++x) best = std::max(best, p.G(x, y));
    return best;
  };
  EXPECT_NEAR(brightest(128), 128, 3);
  EXPECT_EQ(brightest(255), 255);
}

// A plain popup to host controls.
HWND CreateHost(int width, int height) {
  return CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 0, 0, width, height, nullptr,
                         nullptr, GetModuleHandleW(nullptr), nullptr);
}

TEST(SpriteProgressBar, DrawsTrackFillAndSplit) {
  HWND host = CreateHost(300, 20);
  HWND bar = CreateWindowExW(0, PROGRESS_CLASSW, L"", WS_CHILD | WS_VISIBLE, 0, 0, 292, 4, host,
                             nullptr, GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(bar, nullptr);
  SpriteProgressBar progress(bar, kProgressFill, kProgressTrack, nullptr);
  progress.SetRange(0, 100);
  auto paint = [&](int position) {
    progress.SetPosition(position);
    return Render(292, 4, [&](HDC dc) { progress.Paint(dc, {0, 0, 292, 4}); });
  };
  auto is_track = [](const Pixels& p, int x) { return p.R(x, 2) > 200 && p.B(x, 2) > 200; };
  Pixels empty = paint(0);
  for (int x = 4; x < 288; x += 7) EXPECT_TRUE(is_track(empty, x)) << x;
  Pixels full = paint(100);
  for (int x = 4; x < 288; x += 7) EXPECT_FALSE(is_track(full, x)) << x;
  Pixels half = paint(50);
  EXPECT_FALSE(is_track(half, 140));
  EXPECT_TRUE(is_track(half, 150));
  EXPECT_EQ(progress.position(), 50);
  DestroyWindow(host);
}

TEST(SpriteCheckBox, FramesFollowStateAndOwnerDrawKeepsState) {
  HWND host = CreateHost(300, 60);
  HWND box = CreateWindowExW(0, L"Button", L"Pin Omrix to the taskbar",
                             WS_CHILD | WS_VISIBLE | BS_AUTOCHECKBOX | BS_NOTIFY, 0, 0, 260, 24,
                             host, reinterpret_cast<HMENU>(111), GetModuleHandleW(nullptr),
                             nullptr);
  auto font = CreateUiFont(L"Arial", 12);
  SpriteCheckBox check(box, kCheckBoxSprite, RGB(255, 255, 255), 184, AsFont(font), nullptr,
                       true);
  EXPECT_TRUE(check.checked());
  EXPECT_EQ(SendMessageW(box, BM_GETCHECK, 0, 0), BST_CHECKED);
  if (check.owner_draw()) {
    EXPECT_EQ(GetWindowLongW(box, GWL_STYLE) & BS_TYPEMASK, BS_OWNERDRAW);
    check.Toggle();
    EXPECT_FALSE(check.checked());
    EXPECT_EQ(SendMessageW(box, BM_GETCHECK, 0, 0), BST_UNCHECKED);
    check.Toggle();
  } else {
    check.Toggle();  // a themed box has toggled itself already
    EXPECT_TRUE(check.checked());
  }
  EXPECT_EQ(check.frame_width(), 16);

  auto frame_pixel = [&](bool pressed, bool hot) {
    Pixels p = Render(260, 24, [&](HDC dc) {
      RECT rect = {0, 0, 260, 24};
      FillRect(dc, &rect, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
      check.Paint(dc, rect, pressed, hot, false);
    });
    // Frame pixel (12, 12): inside the box, clear of the tick.
    return std::array<int, 3>{p.R(16, 16), p.G(16, 16), p.B(16, 16)};
  };
  auto normal = frame_pixel(false, false);
  auto hot = frame_pixel(false, true);
  auto pressed = frame_pixel(true, false);
  EXPECT_GT(normal[0], 230);   // ticked: amber
  EXPECT_GT(hot[2], normal[2]);  // hot is lighter
  EXPECT_LT(pressed[1], normal[1]);  // pressed is darker
  check.SetChecked(false);
  auto clear = frame_pixel(false, false);
  EXPECT_LT(clear[0], 80);  // the clear box lets the dark background through

  // The statistics sentence wraps: narrower means taller; never below the sprite.
  SetWindowTextW(box, L"I want to help improve Vorlex services by sending browser usage "
                      L"statistics to Vorlex");
  EXPECT_GT(check.HeightForWidth(200), check.HeightForWidth(600));
  EXPECT_GE(check.HeightForWidth(600), 20);
  DestroyWindow(host);
}

TEST(ImageButton, SpriteFramesAndText) {
  HWND host = CreateHost(200, 50);
  HWND button = CreateWindowExW(0, L"Button", L"Install", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON,
                                0, 0, 112, 32, host, reinterpret_cast<HMENU>(1),
                                GetModuleHandleW(nullptr), nullptr);
  auto font = CreateUiFont(L"Arial", 15);
  ImageButton install(button, kInstallButtonSprite, RGB(0, 0, 0), AsFont(font), nullptr);
  EXPECT_EQ(install.frame_width(), 112);
  EXPECT_EQ(install.frame_height(), 32);
  auto paint = [&](bool pressed, bool hot) {
    return Render(112, 32, [&](HDC dc) { install.Paint(dc, {0, 0, 112, 32}, pressed, hot, false); });
  };
  Pixels normal = paint(false, false), hot = paint(false, true), pressed = paint(true, false);
  auto sum = [](const Pixels& p) { return p.R(6, 16) + p.G(6, 16) + p.B(6, 16); };
  EXPECT_GT(sum(hot), sum(normal));
  EXPECT_LT(sum(pressed), sum(normal));
  // Dark text in the middle, none at the edge.
  int ink = 0;
  for (int x = 30; x < 82; ++x)
    for (int y = 8; y < 24; ++y) ink += normal.G(x, y) < 100;
  EXPECT_GT(ink, 20);
  DestroyWindow(host);
}

TEST(LinkButton, HandCursorAndExtent) {
  HWND host = CreateHost(200, 50);
  HWND link = CreateWindowExW(0, L"Button", L"Privacy policy",
                              WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, 0, 0, 100, 20, host,
                              reinterpret_cast<HMENU>(118), GetModuleHandleW(nullptr), nullptr);
  auto font = CreateUiFont(L"Arial", 12, true);
  LinkButton privacy(link, RGB(255, 255, 255), 184, AsFont(font), nullptr);
  SIZE extent = privacy.TextExtent();
  EXPECT_GT(extent.cx, 50);
  EXPECT_GE(extent.cy, 12);
  SendMessageW(link, WM_SETCURSOR, reinterpret_cast<WPARAM>(link), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
  EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_HAND));
  DestroyWindow(host);
  EXPECT_EQ(Window::FromHandle(link), nullptr);  // detached with its window
}

TEST(LayoutResources, LanguagePicturesAndFirstSlide) {
  LayoutResources russian(1049), english(1033);
  EXPECT_EQ(russian.first_screen_logo(), (ImagePair{1011, 1017}));
  EXPECT_EQ(russian.progress_logo(), (ImagePair{1012, 1018}));
  EXPECT_EQ(russian.first_slide_picture(), 1010);
  EXPECT_EQ(english.first_screen_logo(), (ImagePair{1003, 1015}));
  EXPECT_EQ(english.progress_logo(), (ImagePair{1005, 1016}));
  EXPECT_EQ(english.first_slide_picture(), 1004);
  EXPECT_NE(english.white_brush(), nullptr);

  auto title = CreateUiFont(L"Arial", 28), body = CreateUiFont(L"Arial", 15),
       slogan = CreateUiFont(L"Arial", 32);
  ResourceBitmap slide = english.ComposeFirstSlide(AsFont(title), AsFont(body),
                                                   LineHeight(AsFont(slogan)));
  ASSERT_EQ(slide.width(), 728);
  ASSERT_EQ(slide.height(), 400);
  Pixels p = Render(728, 400, [&](HDC dc) { slide.Draw(dc, 0, 0); });
  ui_test::SaveScreenshot(p, L"first_slide_en");
  EXPECT_EQ(p.G(700, 10), 255);  // white
  int title_ink = 0, body_ink = 0, picture = 0;
  for (int y = 126; y < 170; ++y)
    for (int x = 394; x < 698; ++x) title_ink += p.G(x, y) < 100;
  for (int y = 180; y < 330; ++y)
    for (int x = 394; x < 698; ++x) body_ink += p.G(x, y) < 100;
  for (int y = 132; y < 400; y += 4)
    for (int x = 0; x < 351; x += 4) picture += p.G(x, y) < 240;
  EXPECT_GT(title_ink, 50);
  EXPECT_GT(body_ink, 300);
  EXPECT_GT(picture, 100);
}

// Child runs: this program started again with the scale switch and the factor it must find.
TEST(ScaleChild, ProcessWideFactor) {
  auto& command_line = base::CommandLine::ForCurrentProcess();
  if (!command_line.HasSwitch("expect-scale")) GTEST_SKIP() << "run by ScaleFactor.ChildRuns";
  InitScaleFactor(command_line);  // as start-up does
  double expected = std::stod(command_line.GetSwitchValueNarrow("expect-scale"));
  if (expected == 0) {
    HDC screen = GetDC(nullptr);
    expected = GetDeviceCaps(screen, LOGPIXELSX) / 96.0;
    ReleaseDC(nullptr, screen);
  }
  ASSERT_EQ(ScaleFactor(), expected);

  auto font = CreateUiFont(L"Arial", 12);
  LOGFONTW info = {};
  GetObjectW(font.get(), sizeof(info), &info);
  EXPECT_EQ(info.lfHeight, -static_cast<int>(12 * expected));

  ResourceBitmap logo;
  ASSERT_TRUE(logo.LoadPair(kLogoDark, kLogoDark2x));
  ResourceBitmap background;
  ASSERT_TRUE(background.Load(kFirstScreenBackground));
  EXPECT_EQ(background.width(), static_cast<int>(728 * expected));
  if (expected == 1.0) {
    EXPECT_EQ(logo.width(), 166);
  } else {
    // Any factor but 1 uses the 2x logo at factor / 2.
    EXPECT_EQ(logo.display_factor(), expected / 2);
    EXPECT_EQ(logo.width(), static_cast<int>(332 * expected / 2));
  }

  ResumeQuestionDialog question(1033);
  ui_test::WhenDialogShown([&](HWND dialog) {
    RECT rect;
    GetWindowRect(dialog, &rect);
    Size size = MessageDialogSize({ScaleBy(410, expected), ScaleBy(186, expected)}, expected);
    EXPECT_EQ(rect.right - rect.left, size.width);
    EXPECT_EQ(rect.bottom - rect.top, size.height);
    if (expected == 2.0) {
      EXPECT_EQ(rect.right - rect.left, 794);
      EXPECT_EQ(rect.bottom - rect.top, 348);
      ui_test::SaveScreenshot(ui_test::CaptureWindow(dialog), L"dialog_resume_question_x2");
    }
    SendMessageW(GetDlgItem(dialog, ui::ids::kDialogSecondButton), BM_CLICK, 0, 0);
  });
  EXPECT_EQ(question.Run(), 113);
}

TEST(ScaleFactor, ChildRuns) {
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  struct Run {
    const wchar_t* switch_value;
    const wchar_t* expected;  // 0 = the screen decides
  } runs[] = {{L"2", L"2"}, {L"1.5", L"1.5"}, {L"abc", L"0"}, {L"0", L"0"}};
  for (const Run& run : runs) {
    std::wstring command = L"\"" + std::wstring(self) +
                           L"\" --gtest_filter=ScaleChild.* --force-device-scale-factor=" +
                           run.switch_value + L" --expect-scale=" + run.expected;
    EXPECT_EQ(test::RunAndWait(command, 60000), 0u) << run.switch_value;
  }
}

}  // namespace
}  // namespace ui
