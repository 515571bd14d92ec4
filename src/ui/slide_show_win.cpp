#include "ui/slide_show_win.h"

#include <objidl.h>
#include <process.h>
#include <shlwapi.h>

#include <algorithm>

#include "base/clock.h"
#include "base/com_ptr.h"
#include "base/lazy_import.h"
#include "base/strings.h"
#include "base/unique_handle.h"
#include "logging/log.h"
#include "net/download_sink.h"
#include "net/downloader.h"
#include "ui/scale.h"
#include "ui/win32_api_win.h"

namespace ui {
namespace {

constexpr DWORD kSlideDownloadLimitMs = 5000;
constexpr int kMaxFailuresInARow = 10;
// The pictures are JPEGs of 1456 x 800 pixels, a few hundred KiB; each is held in memory.
constexpr uint32_t kMaxSlideSize = 4 * 1024 * 1024;

}  // namespace

std::wstring SlideFileName(size_t count) {
  size_t number = count + 1;
  return (number < 10 ? L"0" : L"") + base::NumberToWide(number) + L".jpg";
}

struct SlideSource::State {
  std::wstring base_url;
  Timeouts timeouts;
  Limits limits;
  std::atomic<bool> running{true};
  // Held by the thread while it decodes and appends a picture (never while it waits for the
  // network); the destructor takes it, so after that the thread touches no slide.
  SRWLOCK run_lock = SRWLOCK_INIT;
  SRWLOCK list_lock = SRWLOCK_INIT;
  std::vector<ResourceBitmap> slides;
};

namespace {

// The picture's bytes, or nothing when the download fails, takes too long or is stopped.
bool FetchSlide(const std::wstring& url, const SlideSource::Timeouts& timeouts, const std::atomic<bool>& running,
                std::string* bytes) {
  net::Downloader downloader;
  downloader.SetTimeouts(timeouts.connect_ms, timeouts.receive_ms);
  net::StringDownloadSink sink(kMaxSlideSize);
  if (!downloader.OpenDownload(url, &sink)) return false;
  DWORD opened = GetTickCount();
  while (downloader.ReadChunk() != 0) {
    if (GetTickCount() - opened > kSlideDownloadLimitMs || !running) return false;
  }
  uint32_t status = 0;
  if (!running || !downloader.FinalizeDownload(&status)) return false;
  *bytes = sink.Take();
  return true;
}

}  // namespace

SlideSource::SlideSource(ResourceBitmap first_slide, std::wstring base_url, Timeouts timeouts, Limits limits)
    : state_(std::make_shared<State>()) {
  state_->base_url = std::move(base_url);
  state_->timeouts = timeouts;
  state_->limits = limits;
  state_->slides.push_back(std::move(first_slide));
  auto* thread_state = new std::shared_ptr<State>(state_);
  thread_.reset(
      reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, &SlideSource::DownloadImage, thread_state, 0, nullptr)));
  if (!thread_) {
    delete thread_state;
    state_->running = false;
  }
}

SlideSource::~SlideSource() {
  state_->running = false;
  base::ScopedSrwExclusive run(&state_->run_lock);
  // The pictures go now, on this thread, while the drawing library is surely still there.
  base::ScopedSrwExclusive list(&state_->list_lock);
  state_->slides.clear();
}

bool SlideSource::running() const { return state_->running.load(); }

bool SlideSource::WaitForThread(DWORD timeout_ms) {
  return !thread_ || WaitForSingleObject(thread_.get(), timeout_ms) == WAIT_OBJECT_0;
}

ResourceBitmap SlideSource::Get(size_t n) {
  base::ScopedSrwExclusive list(&state_->list_lock);
  return state_->slides[n % state_->slides.size()];
}

size_t SlideSource::count() {
  base::ScopedSrwExclusive list(&state_->list_lock);
  return state_->slides.size();
}

unsigned __stdcall SlideSource::DownloadImage(void* param) {
  std::unique_ptr<std::shared_ptr<State>> owned(static_cast<std::shared_ptr<State>*>(param));
  State& state = **owned;
  int failures = 0;
  uint64_t total_bytes = 0;
  while (state.running) {
    size_t count = 0;
    {
      base::ScopedSrwExclusive list(&state.list_lock);
      count = state.slides.size();
    }
    if (count >= state.limits.max_slides) break;
    std::wstring url = state.base_url + L"x2/" + SlideFileName(count);
    std::string bytes;
    bool fetched = FetchSlide(url, state.timeouts, state.running, &bytes);
    if (fetched && bytes.size() > state.limits.max_total_bytes - total_bytes) break;

    bool added = false;
    {
      base::ScopedSrwExclusive run(&state.run_lock);
      if (!state.running) break;
      if (fetched) {
        auto create_stream = LAZY_IMPORT(base::kShlwapi, SHCreateMemStream);
        base::ComPtr<IStream> stream(create_stream(reinterpret_cast<const BYTE*>(bytes.data()),
                                                   static_cast<UINT>(bytes.size())));
        ResourceBitmap image;
        added = stream && image.Load(stream.get(), ScaleFactor() * 0.5);
        stream.reset();
        if (added) {
          base::ScopedSrwExclusive list(&state.list_lock);
          state.slides.push_back(std::move(image));
          total_bytes += bytes.size();
        } else {
          PLOG_AT(ERROR, "DownloadImage") << "Failed to load a background slide bitmap from data downloaded from "
                                          << url;
        }
      }
    }

    if (added) {
      failures = 0;
    } else if (++failures >= kMaxFailuresInARow) {
      state.running = false;
    }
  }
  state.running = false;
  return 0;
}

SlideShow::SlideShow(int width, int height, SlideSource* source, HBRUSH background, size_t next_after_first,
                     DWORD page_ms, Clock clock)
    : width_(width),
      height_(height),
      source_(source),
      background_(background),
      next_after_first_(next_after_first),
      page_ms_(page_ms),
      clock_(clock ? std::move(clock) : Clock([] { return base::MonotonicMicros() / 1000; })) {
  MakePage(source_->Get(0));
}

void SlideShow::MakePage(ResourceBitmap image) {
  page_.rect = {0, height_ - image.height(), std::min(image.width(), width_), height_};
  page_.image = std::move(image);
  page_.start = clock_();
  page_.repaint = true;
}

bool SlideShow::Tick() {
  if (clock_() - page_.start >= page_ms_) {
    index_ = index_ == 0 ? next_after_first_ : index_ + 1;
    MakePage(source_->Get(index_));
  }
  bool repaint = page_.repaint;
  page_.repaint = false;
  return repaint;
}

void SlideShow::Paint(HDC dc, const RECT& client) const {
  USER32(FillRect)(dc, &client, background_);
  const RECT& r = page_.rect;
  page_.image.Draw(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, 0, 0, r.right - r.left,
                   r.bottom - r.top);
}

}  // namespace ui
