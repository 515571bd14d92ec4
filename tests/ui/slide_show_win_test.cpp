// The slide show: the download thread against the loopback server (over HTTPS), the paging rules
// on a test clock, and the progress screen showing a downloaded slide.
#include <gtest/gtest.h>

#include <windows.h>

#include "base/file_path.h"
#include "base/file_util.h"
#include "base/strings.h"
#include "distrib/brand_info.h"
#include "distrib/distrib_params.h"
#include "gui_util.h"
#include "ui/control_ids.h"
#include "ui/layout_resources_win.h"
#include "ui/main_window_win.h"
#include "ui/resource_bitmap.h"
#include "ui/scale.h"
#include "ui/slide_show_win.h"
#include "window_test_util.h"

namespace ui {
namespace {

using ui_test::PumpUntil;
using window_test::Distribution;

size_t RequestsFor(Distribution& dist, const std::string& name) {
  return dist.server().Requests(dist.prefix() + "/browser/installer/en/x2/" + name).size();
}

ResourceBitmap FirstSlide() {
  LayoutResources layout(1033);
  ResourceBitmap first;
  first.Load(layout.first_slide_picture(), 2.0);
  return first;
}

TEST(SlideNamesTest, TwoDigitsWithALeadingZero) {
  EXPECT_EQ(SlideFileName(1), L"02.jpg");
  EXPECT_EQ(SlideFileName(8), L"09.jpg");
  EXPECT_EQ(SlideFileName(9), L"10.jpg");
  EXPECT_EQ(SlideFileName(99), L"100.jpg");
}

TEST(SlideSourceTest, GrowsWhileThePicturesLastAndCyclesThroughThem) {
  Distribution dist;
  ASSERT_TRUE(dist.ok());
  ASSERT_TRUE(dist.ServeSlide(L"full.jpg", "02.jpg"));
  ASSERT_TRUE(dist.ServeSlide(L"small.jpg", "03.jpg"));
  // From an https origin, as the production CDN serves them.
  const std::string https = dist.server().HttpsOrigin(test::Certificate::kGood);
  ASSERT_FALSE(https.empty()) << "the loopback server answers no HTTPS";
  std::wstring base = base::Utf8ToWide(https + dist.prefix() + "/browser/installer/en/");
  SlideSource source(FirstSlide(), base);
  ASSERT_TRUE(source.WaitForThread(60000));
  EXPECT_FALSE(source.running());
  EXPECT_EQ(source.count(), 3u);
  EXPECT_EQ(RequestsFor(dist, "02.jpg"), 1u);
  EXPECT_EQ(RequestsFor(dist, "03.jpg"), 1u);
  EXPECT_EQ(RequestsFor(dist, "04.jpg"), 10u);  // ten failures in a row end the thread
  EXPECT_EQ(RequestsFor(dist, "05.jpg"), 0u);
  for (const test::CapturedRequest& request : dist.server().Requests(dist.prefix()))
    EXPECT_EQ(request.tls, "good") << request.path;

  // Pages on a test clock: slide 0 for the first page only, then 1, 2, 0, 1, 2 (index mod
  // count); exactly one repaint per change.
  uint64_t now = 1000;
  const int width = Scale(728), height = Scale(400);
  LayoutResources layout(1033);
  SlideShow show(width, height, &source, layout.white_brush(), 1, SlideShow::kPageMs, [&] { return now; });
  std::vector<size_t> shown;
  int repaints = 0;
  for (int page = 0; page < 6; ++page) {
    for (int tick = 0; tick < 50; ++tick) {
      if (show.Tick()) {
        ++repaints;
        shown.push_back(show.index() % source.count());
      }
      now += SlideShow::kPageMs / 50;
    }
  }
  EXPECT_EQ(shown, (std::vector<size_t>{0, 1, 2, 0, 1, 2}));
  EXPECT_EQ(repaints, 6);
  EXPECT_TRUE(show.past_first());

  // A 1456 x 800 picture covers the window at scale 1; the smaller one sits bottom-left.
  SlideShow paged(width, height, &source, layout.white_brush(), 1, 1, [&] { return now++; });
  static_cast<void>(paged.Tick());  // slide 1 (the first page lasted its one millisecond)
  if (ScaleFactor() == 1.0) {
    EXPECT_EQ(paged.page_rect().left, 0);
    EXPECT_EQ(paged.page_rect().top, 0);
    EXPECT_EQ(paged.page_rect().right, 728);
    EXPECT_EQ(paged.page_rect().bottom, 400);
  }
  static_cast<void>(paged.Tick());  // slide 2: 900 x 500 pixels shown at half size
  EXPECT_EQ(paged.page_rect().bottom, height);
  EXPECT_EQ(paged.page_rect().right - paged.page_rect().left, ScaleBy(450, ScaleFactor()));
}

TEST(SlideSourceTest, NoPictureKeepsTheFirstSlide) {
  Distribution dist;
  ASSERT_TRUE(dist.ok());
  ASSERT_TRUE(dist.server().PutFile(dist.prefix().substr(1) + "/browser/installer/en/x2/02.jpg", "not a picture"));
  std::wstring base = base::Utf8ToWide(dist.SlideBase());
  SlideSource source(FirstSlide(), base);
  ASSERT_TRUE(source.WaitForThread(60000));
  EXPECT_EQ(source.count(), 1u);
  EXPECT_EQ(RequestsFor(dist, "02.jpg"), 10u);
  EXPECT_FALSE(source.Get(5).empty());  // index mod 1: the first slide
}

// A server with a picture for every number does not grow the list without end: it stops at its
// number of slides, or earlier at the bytes of its pictures, and the thread ends by itself.
TEST(SlideSourceTest, ListStopsAtItsLimits) {
  Distribution dist;
  ASSERT_TRUE(dist.ok());
  for (const char* name : {"02.jpg", "03.jpg", "04.jpg", "05.jpg", "06.jpg", "07.jpg"})
    ASSERT_TRUE(dist.ServeSlide(L"small.jpg", name));
  std::wstring base = base::Utf8ToWide(dist.SlideBase());
  {
    SlideSource source(FirstSlide(), base, SlideSource::kTimeouts, SlideSource::Limits{4, UINT64_MAX});
    ASSERT_TRUE(source.WaitForThread(60000));
    EXPECT_FALSE(source.running());
    EXPECT_EQ(source.count(), 4u);
    EXPECT_EQ(RequestsFor(dist, "04.jpg"), 1u);
    EXPECT_EQ(RequestsFor(dist, "05.jpg"), 0u);
  }
  auto picture = base::ReadFileToString(base::AppendPath(base::AppendPath(test::BuildDir(), L"test_slides"), L"small.jpg"));
  ASSERT_TRUE(picture);
  // Room for two pictures and a half: the third is fetched but not kept.
  SlideSource source(FirstSlide(), base, SlideSource::kTimeouts, SlideSource::Limits{100, picture->size() * 5 / 2});
  ASSERT_TRUE(source.WaitForThread(60000));
  EXPECT_EQ(source.count(), 3u);
  EXPECT_EQ(RequestsFor(dist, "04.jpg"), 2u);
  EXPECT_EQ(RequestsFor(dist, "05.jpg"), 0u);
}

// A server that accepts but never answers: every attempt ends at the receive time-out and
// counts as a failure, so the thread ends by itself after ten of them. Without time-outs it
// would wait for the answer and never end.
TEST(SlideSourceTest, SilentServerEndsAtTheTimeouts) {
  Distribution dist;
  ASSERT_TRUE(dist.ok());
  ASSERT_TRUE(dist.ServeSlide(L"full.jpg", "02.jpg"));
  ASSERT_TRUE(dist.server().AddRule(R"({"path": ")" + dist.prefix() + R"(/browser/installer/", "delay_ms": 300000})"));
  SlideSource source(FirstSlide(), base::Utf8ToWide(dist.SlideBase()), SlideSource::Timeouts{300, 300});
  ASSERT_TRUE(source.WaitForThread(120000));
  EXPECT_EQ(source.count(), 1u);
  EXPECT_EQ(RequestsFor(dist, "02.jpg"), 10u);
}

// Destruction while a download waits for a silent server returns without waiting for it (if
// it waited, this test would hang until CTest's time-out); the thread finishes later on its own
// and touches nothing of the destroyed source.
TEST(SlideSourceTest, DestructionDoesNotWaitForTheNetwork) {
  Distribution dist;
  ASSERT_TRUE(dist.ok());
  ASSERT_TRUE(dist.ServeSlide(L"full.jpg", "02.jpg"));
  ASSERT_TRUE(dist.server().AddRule(R"({"path": ")" + dist.prefix() + R"(/browser/installer/", "delay_ms": 3600000})"));
  auto source = std::make_unique<SlideSource>(FirstSlide(), base::Utf8ToWide(dist.SlideBase()),
                                              SlideSource::Timeouts{3600000, 3600000});
  ASSERT_EQ(dist.server().WaitForRequests(dist.prefix() + "/browser/installer/", 1).size(), 1u);
  source.reset();
  EXPECT_EQ(RequestsFor(dist, "02.jpg"), 1u);
}

// The progress screen over a downloaded slide (short pages), as the demo shows it.
TEST(MainWindowSlidesTest, ProgressScreenShowsADownloadedSlide) {
  Distribution dist;
  ASSERT_TRUE(dist.ok());
  ASSERT_TRUE(dist.ServeSlide(L"full.jpg", "02.jpg"));
  distrib::BrandInfo brand(dist.temp() + L"\\");
  brand.set_interface_language("en");
  brand.ApplyDefaultsFor("en");
  distrib::DistribParams params("cancel=1");
  MainWindow window(&brand, &params, /*create_installer=*/false, MainWindowOptions{1500});
  bool saw_slide = false, percentage_ok = false;
  int paints = 0, changes = 0;
  ui_test::WhenDialogShown([&](HWND dialog) {
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(ui::ids::kInstall, BN_CLICKED), 0);
    PostMessageW(dialog, WM_APP + 100, 42, 0);
    EXPECT_TRUE(PumpUntil(dialog, [&] {
      return window.slide_show() && window.slide_show()->past_first() && window.slide_show()->index() == 1;
    }));
    saw_slide = window.slide_show() && window.slide_show()->index() == 1;
    // From here on the window repaints once per page, not on every 20 ms tick: the paints over the
    // next two page changes.
    size_t last_index = window.slide_show() ? window.slide_show()->index() : 0;
    EXPECT_TRUE(PumpUntil(
        dialog,
        [&] {
          if (window.slide_show() && window.slide_show()->index() != last_index) {
            last_index = window.slide_show()->index();
            ++changes;
          }
          return changes >= 2;
        },
        [&](const MSG& message) { paints += message.message == WM_PAINT && message.hwnd == dialog; }));
    wchar_t text[16] = {};
    GetDlgItemTextW(dialog, 124, text, 16);
    percentage_ok = std::wstring(text) == L"42%";
    UpdateWindow(dialog);
    window_test::Screenshot("window_progress_with_slide");
    ui_test::SaveScreenshot(ui_test::CaptureWindow(dialog), L"window_progress_with_slide");
    PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
  });
  EXPECT_EQ(window.RunModal(), kEndSystemClose);
  EXPECT_TRUE(saw_slide);
  EXPECT_TRUE(percentage_ok);
  EXPECT_TRUE(window.progress_shown());
  EXPECT_GE(changes, 2);
  EXPECT_LE(paints, changes + 1) << "the window repainted between slide changes";
}

// With the first screen skipped, the license sentence stands under the first slide until another
// picture replaces it; pages that show the first slide again keep it.
TEST(MainWindowSlidesTest, LicenseSentenceStaysUntilAnotherPictureShows) {
  for (bool with_picture : {false, true}) {
    SCOPED_TRACE(with_picture ? "a second picture" : "no second picture");
    Distribution dist;
    ASSERT_TRUE(dist.ok());
    if (with_picture) {
      ASSERT_TRUE(dist.ServeSlide(L"full.jpg", "02.jpg"));
    }
    distrib::BrandInfo brand(dist.temp() + L"\\");
    brand.set_interface_language("en");
    brand.ApplyDefaultsFor("en");
    distrib::DistribParams params("first=1&def=1&stat=1");
    MainWindow window(&brand, &params, /*create_installer=*/false, MainWindowOptions{300});
    bool sentence_at_start = false, sentence_later = false;
    ui_test::WhenDialogShown([&](HWND dialog) {
      sentence_at_start =
          GetDlgItem(dialog, ui::ids::kSlideLicenseLink) && GetDlgItem(dialog, ui::ids::kSlideLicenseText);
      if (with_picture) {
        // Gone once the downloaded picture is on the screen.
        EXPECT_TRUE(PumpUntil(dialog, [&] { return GetDlgItem(dialog, ui::ids::kSlideLicenseLink) == nullptr; }));
      } else {
        // Several pages later, each the first slide again.
        EXPECT_TRUE(PumpUntil(dialog, [&] { return window.slide_show() && window.slide_show()->index() >= 3; }));
      }
      sentence_later = GetDlgItem(dialog, ui::ids::kSlideLicenseLink) &&
                       GetDlgItem(dialog, ui::ids::kSlideLicenseText) &&
                       IsWindowVisible(GetDlgItem(dialog, ui::ids::kSlideLicenseLink));
      PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
    });
    EXPECT_EQ(window.RunModal(), kEndSystemClose);
    EXPECT_TRUE(sentence_at_start);
    EXPECT_EQ(sentence_later, !with_picture);
  }
}

// The real installer: its setup runs and closes the window while the slide server stays
// silent for an hour; the process still ends with the setup's code instead of waiting for the
// slide download.
TEST(MainWindowSlidesTest, InstallerEndsWhileASlideDownloadWaits) {
  Distribution dist;
  ASSERT_TRUE(dist.ok());
  ASSERT_TRUE(dist.ServeSetup());
  ASSERT_TRUE(dist.server().AddRule(R"({"path": ")" + dist.prefix() + R"(/browser/installer/", "delay_ms": 3600000})"));
  dist.env().Set("VORLEX_STAND_IN_PROGRESS", "install:5,close");
  dist.env().Set("VORLEX_STAND_IN_STEP_DELAY", "1000");
  dist.env().Set("VORLEX_STAND_IN_EXIT_CODE", "7");
  window_test::InstallerProcess process;
  ASSERT_TRUE(process.Start(L"--distr-info-params=uac=2&lang=en"));
  HWND window = process.WaitForWindow(L"Vorlex");
  ASSERT_NE(window, nullptr) << dist.Log();
  window_test::Click(window, 1);
  // The progress screen's slide thread has asked for its first picture, which never comes.
  ASSERT_EQ(dist.server().WaitForRequests(dist.prefix() + "/browser/installer/", 1, 30000).size(), 1u);
  EXPECT_EQ(process.Wait(120000), 7u) << dist.Log();
}

}  // namespace
}  // namespace ui
