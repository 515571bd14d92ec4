#include "ui/slide_show_win.h"

#include <objidl.h>
#include <process.h>
#include <shlwapi.h>

#include <algorithm>

#include "base/clock.h"
#include "base/lazy_import.h"
#include "base/strings.h"
#include "logging/log.h"
#include "net/download_sink.h"
#include "net/downloader.h"
#include "ui/scale.h"
#include "ui/win32_api_win.h"

namespace ui {
namespace {

constexpr DWORD kSlideDownloadLimitMs = 5000;
constexpr int kMaxFailuresInARow = 10;

}  // namespace

std::wstring SlideFileName(size_t count) {
  size_t number = count + 1;
  return (number < 10 ? L"0" : L"") + std::to_wstring(number) + L".jpg";
}

SlideSource::SlideSource(ResourceBitmap first_slide, std::wstring base_url) : base_url_(std::move(base_url)) {
  slides_.push_back(std::move(first_slide));
  thread_.reset(reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, &SlideSource::DownloadImage, this, 0, nullptr)));
  if (!thread_) running_ = false;
}

SlideSource::~SlideSource() {
  running_ = false;
  // Joining the thread (rather than only taking a lock it holds) also covers a thread that has
  // not reached its first step yet, which would otherwise run on a destroyed object.
  if (thread_) WaitForSingleObject(thread_.get(), INFINITE);
}

bool SlideSource::WaitForThread(DWORD timeout_ms) {
  return !thread_ || WaitForSingleObject(thread_.get(), timeout_ms) == WAIT_OBJECT_0;
}

ResourceBitmap SlideSource::Get(size_t n) {
  AcquireSRWLockExclusive(&list_lock_);
  ResourceBitmap slide = slides_[n % slides_.size()];
  ReleaseSRWLockExclusive(&list_lock_);
  return slide;
}

size_t SlideSource::count() {
  AcquireSRWLockExclusive(&list_lock_);
  size_t n = slides_.size();
  ReleaseSRWLockExclusive(&list_lock_);
  return n;
}

unsigned __stdcall SlideSource::DownloadImage(void* param) {
  auto* self = static_cast<SlideSource*>(param);
  int failures = 0;
  while (self->running_) {
    // Only this thread appends, so the count needs no lock here.
    std::wstring url = self->base_url_ + L"x2/" + SlideFileName(self->slides_.size());
    if (self->DownloadOne(url)) {
      failures = 0;
    } else if (++failures >= kMaxFailuresInARow) {
      self->running_ = false;
    }
  }
  return 0;
}

bool SlideSource::DownloadOne(const std::wstring& url) {
  net::Downloader downloader;
  net::StringDownloadSink sink;
  if (!downloader.OpenDownload(url, &sink)) return false;
  DWORD opened = GetTickCount();
  while (downloader.ReadChunk() != 0) {
    if (GetTickCount() - opened > kSlideDownloadLimitMs || !running_) return false;
  }
  uint32_t status = 0;
  if (!running_ || !downloader.FinalizeDownload(&status)) return false;

  std::string bytes = sink.Take();
  auto create_stream = LAZY_IMPORT(base::kShlwapi, SHCreateMemStream);
  IStream* stream = create_stream ? create_stream(reinterpret_cast<const BYTE*>(bytes.data()),
                                                  static_cast<UINT>(bytes.size()))
                                  : nullptr;
  ResourceBitmap image;
  bool loaded = stream && image.Load(stream, ScaleFactor() * 0.5);
  if (stream) stream->Release();
  if (!loaded) {
    PLOG_AT(ERROR, "DownloadImage") << "Failed to load a background slide bitmap from data downloaded from " << url;
    return false;
  }
  AcquireSRWLockExclusive(&list_lock_);
  slides_.push_back(std::move(image));
  ReleaseSRWLockExclusive(&list_lock_);
  return true;
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
