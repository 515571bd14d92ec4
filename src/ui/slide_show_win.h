// The progress screen's background: a growing list of slides (the composed first slide, then
// pictures downloaded one after the other by a thread) and the show that pages through them.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "base/unique_handle.h"
#include "ui/resource_bitmap.h"

namespace ui {

// "02.jpg" for a list of one slide, "10.jpg" for nine.
std::wstring SlideFileName(size_t count);

class SlideSource {
 public:
  // Starts the download thread at once; names are appended to base_url + "x2/".
  SlideSource(ResourceBitmap first_slide, std::wstring base_url);
  SlideSource(const SlideSource&) = delete;
  SlideSource& operator=(const SlideSource&) = delete;
  // Stops the thread between steps and waits for its current step to end.
  ~SlideSource();

  // slides[n mod count].
  ResourceBitmap Get(size_t n);
  size_t count();
  bool running() const { return running_.load(); }
  // Waits until the thread has ended by itself (ten failures in a row); false on time-out.
  bool WaitForThread(DWORD timeout_ms);

 private:
  static unsigned __stdcall DownloadImage(void* self);
  bool DownloadOne(const std::wstring& url);

  std::vector<ResourceBitmap> slides_;
  SRWLOCK list_lock_ = SRWLOCK_INIT;
  std::wstring base_url_;
  std::atomic<bool> running_{true};
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
  bool Tick();
  void Paint(HDC dc, const RECT& client) const;
  bool past_first() const { return index_ != 0; }
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
