// Every screen a user can see, in each of the sixteen languages, at scale 1 and at scale 2: the
// first screen with every check-box mask, the progress screen over the first slide (also with the
// license sentence, when the first screen is skipped), and every message dialog. A text wider or
// taller than the box it is drawn in, a control outside the window or on top of another, a piece
// of a license sentence outside its area, or first-slide text outside its column is a fault.
// Each screen is kept as a picture: build/<tree>/screenshots/languages/<tag>_x<scale>_<screen>.png.
// The fonts' Chinese and Japanese glyphs come from the font links of the test prefix
// (cmake/wine-env); a first test proves they are there.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "base/lazy_import.h"
#include "base/strings.h"
#include "base/unique_handle.h"
#include "distrib/brand_info.h"
#include "distrib/distrib_params.h"
#include "distrib/service_urls.h"
#include "gui_util.h"
#include "startup/ui_environment_win.h"
#include "support/test_util.h"
#include "ui/control_ids.h"
#include "ui/drawing_win.h"
#include "ui/layout_resources_win.h"
#include "ui/main_window_win.h"
#include "ui/message_dialog_win.h"
#include "ui/resource_ids.h"
#include "ui/scale.h"
#include "ui/string_table.h"

namespace ui {
namespace {

using ui_test::ChildRect;
using ui_test::Pixels;

// COM, common controls and GDI+, as start-up gives them to the windows.
class UiEnvironmentForTests : public ::testing::Environment {
 public:
  void SetUp() override { environment_ = std::make_unique<startup::UiEnvironment>(); }
  void TearDown() override { environment_.reset(); }

 private:
  std::unique_ptr<startup::UiEnvironment> environment_;
};
const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new UiEnvironmentForTests);

constexpr double kScales[] = {1.0, 2.0};

std::string Narrow(const std::wstring& text) { return base::WideToUtf8(text); }

std::string Describe(const RECT& r) {
  return "(" + std::to_string(r.left) + "," + std::to_string(r.top) + ")-(" + std::to_string(r.right) + "," +
         std::to_string(r.bottom) + ")";
}

// Faults of one screen, each line prefixed with the language, scale and screen.
class Faults {
 public:
  void Begin(const std::string& where) { where_ = where; }
  void Add(const std::string& what) { lines_.push_back(where_ + ": " + what); }
  std::set<std::string> Languages() const {
    std::set<std::string> tags;
    for (const std::string& line : lines_) tags.insert(line.substr(0, line.find(' ')));
    return tags;
  }
  std::string Report() const {
    std::string all;
    for (const std::string& line : lines_) all += line + "\n";
    return all;
  }
  bool empty() const { return lines_.empty(); }

 private:
  std::string where_;
  std::vector<std::string> lines_;
};

// The size DrawTextW needs for the text in `width` (DT_CALCRECT with the drawing's own flags): a
// word longer than the width comes back wider, a wrapped text as tall as its lines.
SIZE NeededSize(HFONT font, const std::wstring& text, int width, UINT format) {
  ScreenDc screen;
  ScopedSelectObject select(screen.get(), font);
  RECT rect = {0, 0, width, 0};
  DrawTextW(screen.get(), text.c_str(), static_cast<int>(text.size()), &rect, DT_CALCRECT | format);
  return {rect.right - rect.left, rect.bottom - rect.top};
}

// The text drawn with `format` in `box` shows whole.
void CheckFits(Faults& faults, const std::string& what, const RECT& box, const std::wstring& text, HFONT font,
               UINT format) {
  if (text.empty()) return;
  const int width = box.right - box.left, height = box.bottom - box.top;
  SIZE need = NeededSize(font, text, width, format);
  if (need.cx > width || need.cy > height)
    faults.Add(what + " \"" + Narrow(text) + "\" needs " + std::to_string(need.cx) + "x" + std::to_string(need.cy) +
               " in a box of " + std::to_string(width) + "x" + std::to_string(height));
}

bool Inside(const RECT& inner, const RECT& outer) {
  return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
         inner.bottom <= outer.bottom;
}

// Every shown control lies inside the window's client area and on no other shown control.
void CheckControls(Faults& faults, HWND window) {
  RECT client;
  GetClientRect(window, &client);
  std::vector<std::pair<int, RECT>> shown;
  for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    RECT rect = ChildRect(child);
    if (!IsWindowVisible(child) || IsRectEmpty(&rect)) continue;
    const int id = GetDlgCtrlID(child);
    if (!Inside(rect, client))
      faults.Add("control " + std::to_string(id) + " at " + Describe(rect) + " leaves the window " +
                 Describe(client));
    for (const auto& [other_id, other] : shown) {
      RECT common;
      if (IntersectRect(&common, &rect, &other))
        faults.Add("controls " + std::to_string(other_id) + " " + Describe(other) + " and " + std::to_string(id) +
                   " " + Describe(rect) + " overlap");
    }
    shown.emplace_back(id, rect);
  }
}

// The main window's fonts, as the window makes them (faces and sizes in design units).
struct MainWindowFonts {
  base::ScopedGdiObject slogan = CreateUiFont(L"Arial", 32);
  base::ScopedGdiObject button = CreateUiFont(L"SegoeUI", 15);
  base::ScopedGdiObject text = CreateUiFont(L"Arial", 12);
  base::ScopedGdiObject link = CreateUiFont(L"Arial", 12, true);
  base::ScopedGdiObject slide_title = CreateUiFont(L"Arial", 28);
  base::ScopedGdiObject slide_body = CreateUiFont(L"Arial", 15);
  base::ScopedGdiObject slide_text = CreateUiFont(L"Arial", 11);
  base::ScopedGdiObject slide_link = CreateUiFont(L"Arial", 11, true);
};

// The texts of the main window against their controls, and the license pieces against their area.
void CheckMainWindowTexts(Faults& faults, HWND window) {
  MainWindowFonts fonts;
  const int box_text_left = 4 + Scale(16) + 8;  // margin and gap in pixels, the check-box frame
  for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    RECT rect = ChildRect(child);
    if (!IsWindowVisible(child) || IsRectEmpty(&rect)) continue;
    const int id = GetDlgCtrlID(child);
    const std::wstring text = WindowText(child);
    const std::string what = "control " + std::to_string(id);
    auto in_area = [&](int left, int width) {
      if (rect.left < Scale(left) || rect.right > Scale(left) + Scale(width))
        faults.Add(what + " \"" + Narrow(text) + "\" at " + Describe(rect) + " leaves its sentence's area " +
                   std::to_string(Scale(left)) + ".." + std::to_string(Scale(left) + Scale(width)));
    };
    switch (id) {
      case ids::kSlogan:
        CheckFits(faults, what, rect, text, AsFont(fonts.slogan), DT_CENTER | DT_WORDBREAK);
        break;
      case ids::kInstall:
        CheckFits(faults, what, rect, text, AsFont(fonts.button), DT_SINGLELINE | DT_CENTER | DT_VCENTER);
        break;
      case ids::kMakeDefault:
      case ids::kSendStatistics:
      case ids::kPinTaskbar: {
        RECT text_box = {rect.left + box_text_left, rect.top + 4, rect.right, rect.bottom};
        CheckFits(faults, what, text_box, text, AsFont(fonts.text), DT_LEFT | DT_WORDBREAK);
        break;
      }
      case ids::kPrivacyLink:
        CheckFits(faults, what, rect, text, AsFont(fonts.link), DT_LEFT | DT_WORDBREAK);
        break;
      case ids::kLicenseText:
      case ids::kLicenseLink:
        CheckFits(faults, what, rect, text, AsFont(id == ids::kLicenseLink ? fonts.link : fonts.text),
                  DT_LEFT | DT_WORDBREAK);
        in_area(400, 267);
        break;
      case ids::kSlideLicenseText:
      case ids::kSlideLicenseLink:
        CheckFits(faults, what, rect, text,
                  AsFont(id == ids::kSlideLicenseLink ? fonts.slide_link : fonts.slide_text), DT_LEFT | DT_WORDBREAK);
        in_area(424, 242);
        break;
      case ids::kPercentage:
        CheckFits(faults, what, rect, text, AsFont(fonts.text), DT_RIGHT | DT_SINGLELINE);
        break;
      default:
        break;
    }
  }
}

// The first slide as the progress screen composes it: its title fits above the body, and the
// body's ink stays in the column (x 394..698), clear of the license sentence that may lie over
// the slide from y = 350.
void CheckFirstSlide(Faults& faults, uint16_t language) {
  MainWindowFonts fonts;
  const int reference = LineHeight(AsFont(fonts.slogan));
  const RECT title_box = {Scale(394), Scale(126), Scale(698), Scale(135) + reference};
  CheckFits(faults, "first slide title", title_box, LoadUiString(strings::kSecurity, language),
            AsFont(fonts.slide_title), DT_CENTER | DT_WORDBREAK);

  LayoutResources layout(language);
  ResourceBitmap slide =
      layout.ComposeFirstSlide(AsFont(fonts.slide_title), AsFont(fonts.slide_body), reference);
  const int width = Scale(728), height = Scale(400);
  Pixels pixels = ui_test::Render(width, height, [&](HDC dc) { slide.Draw(dc, 0, 0); });
  // Right of the picture (351 units wide) and below the title, only the body is dark.
  RECT ink = {width, height, -1, -1};
  for (int y = title_box.bottom; y < height; ++y) {
    for (int x = Scale(360); x < width; ++x) {
      if (pixels.R(x, y) + pixels.G(x, y) + pixels.B(x, y) >= 3 * 128) continue;
      ink = {std::min<LONG>(ink.left, x), std::min<LONG>(ink.top, y), std::max<LONG>(ink.right, x + 1),
             std::max<LONG>(ink.bottom, y + 1)};
    }
  }
  const std::wstring body = LoadUiString(strings::kSentrel, language);
  if (ink.right < 0) {
    faults.Add("first slide: no body text drawn");
  } else if (ink.left < Scale(394) || ink.right > Scale(698) || ink.bottom > Scale(350)) {
    faults.Add("first slide body \"" + Narrow(body) + "\" inked " + Describe(ink) + ", outside the column " +
               Describe(RECT{Scale(394), title_box.bottom, Scale(698), Scale(350)}));
  }
}

// The dialog's title, body and buttons against their controls.
void CheckMessageDialogTexts(Faults& faults, HWND dialog) {
  base::ScopedGdiObject button_font = CreateUiFont(L"Arial", 14);
  for (int id : {ids::kDialogTitle, ids::kDialogBody}) {
    HWND text = GetDlgItem(dialog, id);
    auto font = reinterpret_cast<HFONT>(SendMessageW(text, WM_GETFONT, 0, 0));
    CheckFits(faults, id == ids::kDialogTitle ? "title" : "body", ChildRect(text), WindowText(text), font,
              DT_LEFT | DT_WORDBREAK | DT_EXPANDTABS);
  }
  for (int id : {ids::kDialogMainButton, ids::kDialogSecondButton}) {
    HWND button = GetDlgItem(dialog, id);
    if (!IsWindowVisible(button)) continue;
    CheckFits(faults, "button " + std::to_string(id), ChildRect(button), WindowText(button), AsFont(button_font),
              DT_SINGLELINE | DT_CENTER | DT_VCENTER);
  }
}

// The window's client area as it is painted. A window's pixels exist only where it is on the
// display, and at scale 2 the main window can be larger than the test display: it is moved so
// that each part is on the display in turn, then put back.
Pixels CaptureClient(HWND window) {
  RECT client, placed;
  GetClientRect(window, &client);
  GetWindowRect(window, &placed);
  POINT origin = {0, 0};
  ClientToScreen(window, &origin);
  const SIZE screen = {GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  Pixels whole;
  whole.width = client.right;
  whole.height = client.bottom;
  whole.bgra.assign(static_cast<size_t>(whole.width) * whole.height, 0);
  // The last part of a row or column ends at the window's edge.
  auto part_start = [](int start, int total, int screen_size) {
    return std::min(start, std::max(0, total - screen_size));
  };
  for (int top = 0; top < whole.height; top += screen.cy) {
    for (int left = 0; left < whole.width; left += screen.cx) {
      const int x = part_start(left, whole.width, screen.cx), y = part_start(top, whole.height, screen.cy);
      const int width = std::min<int>(screen.cx, whole.width - x), height = std::min<int>(screen.cy, whole.height - y);
      SetWindowPos(window, nullptr, placed.left - origin.x - x, placed.top - origin.y - y, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
      RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
      base::ScopedWindowDc source(window);
      Pixels part = ui_test::Render(width, height, [&](HDC dc) { BitBlt(dc, 0, 0, width, height, source.get(), x, y, SRCCOPY); });
      for (int row = 0; row < height; ++row)
        std::copy_n(&part.bgra[static_cast<size_t>(row) * width], width,
                    &whole.bgra[static_cast<size_t>(y + row) * whole.width + x]);
    }
  }
  SetWindowPos(window, nullptr, placed.left, placed.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  return whole;
}

// PNG through GDI+'s encoder.
void SavePng(const Pixels& pixels, const std::wstring& name) {
  using CreateFn = int WINAPI(INT, INT, INT, INT, BYTE*, void**);
  using SaveFn = int WINAPI(void*, const WCHAR*, const CLSID*, const void*);
  using DisposeFn = int WINAPI(void*);
  auto create = LAZY_IMPORT_AS(base::kGdiplus, CreateFn, "GdipCreateBitmapFromScan0");
  auto save = LAZY_IMPORT_AS(base::kGdiplus, SaveFn, "GdipSaveImageToFile");
  auto dispose = LAZY_IMPORT_AS(base::kGdiplus, DisposeFn, "GdipDisposeImage");
  constexpr CLSID kPngEncoder = {0x557CF406, 0x1A04, 0x11D3, {0x9A, 0x73, 0x00, 0x00, 0xF8, 0x1E, 0xF3, 0x2E}};
  constexpr int kPixelFormat32bppRGB = 0x00022009;
  const std::wstring dir = test::BuildDir() + L"\\screenshots";
  CreateDirectoryW(dir.c_str(), nullptr);
  CreateDirectoryW((dir + L"\\languages").c_str(), nullptr);
  std::vector<uint32_t> copy = pixels.bgra;
  void* bitmap = nullptr;
  if (create(pixels.width, pixels.height, pixels.width * 4, kPixelFormat32bppRGB,
             reinterpret_cast<BYTE*>(copy.data()), &bitmap) != 0 ||
      !bitmap) {
    ADD_FAILURE() << "no GDI+ bitmap for " << Narrow(name);
    return;
  }
  EXPECT_EQ(save(bitmap, (dir + L"\\languages\\" + name + L".png").c_str(), &kPngEncoder, nullptr), 0)
      << Narrow(name);
  dispose(bitmap);
}

std::wstring Tag(uint16_t language) { return base::Utf8ToWide(distrib::LanguageTagFromId(language)); }

std::string Where(uint16_t language, const std::string& screen) {
  return Narrow(Tag(language)) + " x" + std::to_string(static_cast<int>(ScaleFactor())) + " " + screen;
}

std::wstring ShotName(uint16_t language, const std::wstring& screen) {
  return Tag(language) + L"_x" + base::NumberToWide(static_cast<int>(ScaleFactor())) + L"_" + screen;
}

// Runs `look` on the dialog once it is shown and painted, then lets `close` end it.
void WhenShown(const std::function<void(HWND)>& look) {
  ui_test::WhenDialogShown([look](HWND dialog) { look(dialog); }, USER_TIMER_MINIMUM);
}

// The main window for one language and distribution, with no installation behind it.
class MainWindowRun {
 public:
  MainWindowRun(uint16_t language, const std::string& params) : params_(params) {
    const std::string tag = distrib::LanguageTagFromId(language);
    // Slides from a port that refuses at once: the first slide stays.
    brand_.ParseConfig(R"({"install": {"omrix_taskbar_shortcut_promt": true, "slide_url": "http://127.0.0.1:1/"}})");
    brand_.set_interface_language(tag);
    brand_.ApplyDefaultsFor(tag);
  }
  distrib::BrandInfo& brand() { return brand_; }
  distrib::DistribParams& params() { return params_; }

 private:
  test::ScratchDir scratch_;
  distrib::BrandInfo brand_{scratch_.path() + L"\\"};
  distrib::DistribParams params_;
};

// Distribution data for a check-box mask: a flag that is given takes its box away.
std::string ParamsForMask(int mask) {
  std::string params = "uac=0";
  if (!(mask & 1)) params += "&def=1";
  if (!(mask & 2)) params += "&stat=1";
  if (!(mask & 4)) params += "&omrixshortcut=1";
  return params;
}

class EveryLanguage : public ::testing::Test {
 protected:
  void TearDown() override { OverrideScaleFactor(1.0); }
  Faults faults_;
};

// Every character of the window's CJK texts has a glyph in the faces the window asks for: drawn,
// it differs from the box a font draws for a character it lacks.
TEST_F(EveryLanguage, ChineseAndJapaneseCharactersHaveGlyphs) {
  OverrideScaleFactor(1.0);
  const int size = 32;
  auto draw = [&](HFONT font, wchar_t c) {
    return ui_test::Render(size, size, [&](HDC dc) {
      RECT all = {0, 0, size, size};
      FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
      ScopedSelectObject select(dc, font);
      SetBkMode(dc, TRANSPARENT);
      TextOutW(dc, 2, 2, &c, 1);
    }).bgra;
  };
  for (const wchar_t* face : {L"Arial", L"SegoeUI"}) {
    base::ScopedGdiObject font = CreateUiFont(face, 20);
    const auto missing = draw(AsFont(font), 0x0378);  // unassigned: no font has it
    for (uint16_t language : {2052, 1028, 1041}) {
      std::set<wchar_t> lacking;
      for (int id = kFirstStringId; id <= kLastStringId; ++id) {
        for (wchar_t c : LoadUiString(id, language))
          if (c >= 0x2E80 && draw(AsFont(font), c) == missing) lacking.insert(c);
      }
      EXPECT_TRUE(lacking.empty()) << Narrow(face) << ", language " << language << ": " << lacking.size()
                                   << " characters without a glyph, for example U+" << std::hex
                                   << static_cast<int>(*lacking.begin())
                                   << " (are the fonts of scripts/setup installed and linked by cmake/wine-env?)";
    }
  }
}

TEST_F(EveryLanguage, FirstScreenWithEveryMask) {
  for (double scale : kScales) {
    OverrideScaleFactor(scale);
    for (uint16_t language : kUiLanguages) {
      for (int mask = 0; mask <= 7; ++mask) {
        MainWindowRun run(language, ParamsForMask(mask));
        MainWindow window(&run.brand(), &run.params(), /*create_installer=*/false);
        faults_.Begin(Where(language, "first screen, mask " + std::to_string(mask)));
        int shown_mask = -1;
        WhenShown([&](HWND dialog) {
          shown_mask = window.check_box_mask();
          CheckControls(faults_, dialog);
          CheckMainWindowTexts(faults_, dialog);
          SavePng(CaptureClient(dialog), ShotName(language, L"first_mask" + base::NumberToWide(mask)));
          PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
        });
        EXPECT_EQ(window.RunModal(), kEndSystemClose);
        EXPECT_EQ(shown_mask, mask);
      }
    }
  }
  EXPECT_TRUE(faults_.empty()) << "languages with faults: " << ::testing::PrintToString(faults_.Languages()) << "\n"
                               << faults_.Report();
}

TEST_F(EveryLanguage, ProgressScreenOverTheFirstSlide) {
  for (double scale : kScales) {
    OverrideScaleFactor(scale);
    for (uint16_t language : kUiLanguages) {
      faults_.Begin(Where(language, "first slide"));
      CheckFirstSlide(faults_, language);
      // After Install, and opened directly with the license sentence over the slide.
      for (bool skip_first : {false, true}) {
        MainWindowRun run(language, skip_first ? "first=1&def=1&stat=1" : "");
        MainWindow window(&run.brand(), &run.params(), /*create_installer=*/false, MainWindowOptions{600000});
        faults_.Begin(Where(language, skip_first ? "progress screen, first screen skipped" : "progress screen"));
        bool shown = false;
        WhenShown([&](HWND dialog) {
          if (!skip_first) SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(ids::kInstall, BN_CLICKED), 0);
          shown = window.progress_shown();
          CheckControls(faults_, dialog);
          CheckMainWindowTexts(faults_, dialog);
          SavePng(CaptureClient(dialog), ShotName(language, skip_first ? L"progress_license" : L"progress"));
          PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
        });
        EXPECT_EQ(window.RunModal(), kEndSystemClose);
        EXPECT_TRUE(shown);
      }
    }
  }
  EXPECT_TRUE(faults_.empty()) << "languages with faults: " << ::testing::PrintToString(faults_.Languages()) << "\n"
                               << faults_.Report();
}

TEST_F(EveryLanguage, EveryMessageDialog) {
  struct Variant {
    const wchar_t* name;
    std::function<std::unique_ptr<MessageDialog>(uint16_t)> make;
  };
  const Variant variants[] = {
      {L"resume", [](uint16_t l) { return std::make_unique<ResumeQuestionDialog>(l); }},
      {L"error",
       [](uint16_t l) { return std::make_unique<InstallErrorDialog>(l, "http://127.0.0.1:1/", [](const std::string&) {}); }},
      {L"revocation", [](uint16_t l) { return MakeRevocationProviderNotice(l); }},
      {L"newer", [](uint16_t l) { return MakeNewerVersionNotice(l); }},
      {L"diskspace", [](uint16_t l) { return MakeDiskSpaceNotice(l); }},
  };
  for (double scale : kScales) {
    OverrideScaleFactor(scale);
    for (uint16_t language : kUiLanguages) {
      for (const Variant& variant : variants) {
        std::unique_ptr<MessageDialog> dialog = variant.make(language);
        faults_.Begin(Where(language, Narrow(variant.name) + " dialog"));
        WhenShown([&](HWND shown) {
          CheckControls(faults_, shown);
          CheckMessageDialogTexts(faults_, shown);
          SavePng(CaptureClient(shown), ShotName(language, std::wstring(L"dialog_") + variant.name));
          HWND button = GetDlgItem(shown, ids::kDialogSecondButton);
          if (!IsWindowVisible(button)) button = GetDlgItem(shown, ids::kDialogMainButton);
          PostMessageW(button, BM_CLICK, 0, 0);
        });
        const INT_PTR code = dialog->Run();
        EXPECT_TRUE(code == 1 || code == ids::kDialogSecondButton) << code;
      }
    }
  }
  EXPECT_TRUE(faults_.empty()) << "languages with faults: " << ::testing::PrintToString(faults_.Languages()) << "\n"
                               << faults_.Report();
}

}  // namespace
}  // namespace ui
