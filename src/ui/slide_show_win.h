// The progress screen's background: a growing list of slides (the composed first slide, then
// pictures downloaded one after the other by a thread) and the show that pages through them.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/unique_handle.h"
#include "net/downloader.h"
#include "ui/resource_bitmap.h"

namespace ui {

// "02.jpg" for a list of one slide, "10.jpg" for nine.
std::wstring SlideFileName(size_t count);

class SlideSource {
 public:
  struct Timeouts {
    DWORD connect_ms;
    DWORD receive_ms;
  };
  // A slide that takes longer than 5 s is dropped anyway: neither step may block longer.
  static constexpr Timeouts kTimeouts = {net::kBackgroundTimeoutMs, net::kBackgroundTimeoutMs};
  // What the list may hold: a server that answers every picture number must not fill the
  // memory. Real shows have a handful of pictures of a few hundred KiB.
  struct Limits {
    size_t max_slides;         // the first slide included
    uint64_t max_total_bytes;  // of the downloaded pictures as received
  };
  static constexpr Limits kLimits = {20, 32ull * 1024 * 1024};

  // Starts the download thread at once; names are appended to base_url + "x2/". The time-outs
  // and limits are for tests.
  SlideSource(ResourceBitmap first_slide, std::wstring base_url, Timeouts timeouts = kTimeouts,
              Limits limits = kLimits);
  SlideSource(const SlideSource&) = delete;
  SlideSource& operator=(const SlideSource&) = delete;
  // Stops the thread and releases the slides. It waits only for a picture being decoded, never
  // for the network: a download in progress ends on its own (by its time-outs at the latest)
  // without touching the slides again, so the window's process need not outlive it.
  ~SlideSource();

  // slides[n mod count].
  ResourceBitmap Get(size_t n);
  size_t count();
  [[nodiscard]] bool running() const;
  // Waits until the thread has ended by itself (ten failures in a row, or the list full); false
  // on time-out.
  [[nodiscard]] bool WaitForThread(DWORD timeout_ms);

 private:
  // Shared with the download thread, which keeps it alive for as long as it runs.
  struct State;
  static unsigned __stdcall DownloadImage(void* state);

  std::shared_ptr<State> state_;
  base::ScopedHandle thread_;
};

class SlideShow {
 public:
  static constexpr DWORD kPageMs = 10000;
  using Clock = std::function<uint64_t()>;  // milliseconds, monotonic

  // page_ms and clock are for tests; the product pages every 10 s on the monotonic clock.
  SlideShow(int width, int height, SlideSource* source, HBRUSH background, size_t next_after_first = 1,
            DWORD page_ms = kPageMs, Clock clock = nullptr);

  // Called on every timer tick; true when the window must be repainted (a new page).
  [[nodiscard]] bool Tick();
  void Paint(HDC dc, const RECT& client) const;
  [[nodiscard]] bool past_first() const { return index_ != 0; }
  size_t index() const { return index_; }
  const RECT& page_rect() const { return page_.rect; }

 private:
  void MakePage(ResourceBitmap image);

  struct Page {
    ResourceBitmap image;
    RECT rect = {};
    uint64_t start = 0;
    bool repaint = false;
  };
  int width_, height_;
  SlideSource* source_;
  HBRUSH background_;
  size_t index_ = 0;
  size_t next_after_first_;
  DWORD page_ms_;
  Clock clock_;
  Page page_;
};

}  // namespace ui
