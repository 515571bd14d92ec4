// Prints figures, asserts nothing:
//   1. the gzip body stream's throughput and compression ratio against one compress2 call over
//      the same bytes in the same run;
//   2. the process's peak memory after uploading a 1 MiB and then a 64 MiB minidump (the upload
//      streams, so the second must not raise the peak by anything like the file's size).
// Usage: crash_bench.exe --url=http://127.0.0.1:<port>   (the loopback crash collector)
#include <windows.h>
#include <psapi.h>
#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "base/command_line.h"
#include "base/file_path.h"
#include "base/file_util.h"
#include "base/unique_handle.h"
#include "crash/body_stream.h"
#include "crash/http_body_gzip.h"
#include "crash/send_report.h"
#include "vorlex_version.h"

namespace {

constexpr size_t kMiB = 1024 * 1024;

double Seconds() {
  LARGE_INTEGER counter, frequency;
  QueryPerformanceCounter(&counter);
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// Minidump-like content: runs of zeros and small integers (memory lists, thread contexts)
// mixed with pseudo-random stretches (code and heap bytes).
void FillDumpLike(std::string& block, uint32_t& state) {
  for (size_t i = 0; i < block.size();) {
    state = state * 1664525 + 1013904223;
    size_t run = 64 + (state >> 20) % 1024;
    int kind = (state >> 8) % 4;
    for (size_t j = 0; j < run && i < block.size(); ++j, ++i) {
      if (kind == 0) {
        block[i] = 0;
      } else if (kind == 1) {
        block[i] = static_cast<char>(j % 16);
      } else {
        state = state * 1664525 + 1013904223;
        block[i] = static_cast<char>(state >> 24);
      }
    }
  }
}

size_t PeakPrivateBytes() {
  PROCESS_MEMORY_COUNTERS counters = {};
  counters.cb = sizeof(counters);
  K32GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters));
  return counters.PeakPagefileUsage;
}

size_t PeakWorkingSet() {
  PROCESS_MEMORY_COUNTERS counters = {};
  counters.cb = sizeof(counters);
  K32GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters));
  return counters.PeakWorkingSetSize;
}

void CompressionFigures() {
  std::string data(32 * kMiB, '\0');
  uint32_t state = 1;
  FillDumpLike(data, state);

  double start = Seconds();
  crash::CompressedBodyStream stream(std::make_unique<crash::StringBodyStream>(data));
  std::vector<uint8_t> buffer(32768);
  size_t streamed = 0;
  for (;;) {
    int64_t count = stream.Read(buffer.data(), buffer.size());
    if (count <= 0) break;
    streamed += static_cast<size_t>(count);
  }
  double stream_seconds = Seconds() - start;

  std::vector<Bytef> out(compressBound(static_cast<uLong>(data.size())));
  uLongf out_size = static_cast<uLongf>(out.size());
  start = Seconds();
  compress2(out.data(), &out_size, reinterpret_cast<const Bytef*>(data.data()), static_cast<uLong>(data.size()),
            Z_DEFAULT_COMPRESSION);
  double baseline_seconds = Seconds() - start;

  const double mib = static_cast<double>(data.size()) / kMiB;
  std::printf("gzip body stream : %.1f MiB in %.3f s = %6.1f MiB/s, ratio %.3f\n", mib, stream_seconds,
              mib / stream_seconds, static_cast<double>(streamed) / data.size());
  std::printf("compress2 (base) : %.1f MiB in %.3f s = %6.1f MiB/s, ratio %.3f\n", mib, baseline_seconds,
              mib / baseline_seconds, static_cast<double>(out_size) / data.size());
  std::printf("stream/baseline  : speed x%.2f, size x%.3f\n", baseline_seconds / stream_seconds,
              static_cast<double>(streamed) / out_size);
}

bool WriteDumpFile(const std::wstring& path, size_t size) {
  base::ScopedFile file(
      CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  std::string block(kMiB, '\0');
  uint32_t state = 7;
  bool ok = true;
  for (size_t written = 0; ok && written < size; written += block.size()) {
    FillDumpLike(block, state);
    DWORD done = 0;
    ok = WriteFile(file.get(), block.data(), static_cast<DWORD>(block.size()), &done, nullptr) && done == block.size();
  }
  return ok;
}

void UploadFigures() {
  std::wstring dir = base::CreateUniqueDirectory(base::GetTempDir(), L"crashbench");
  crash::Annotations annotations = {{"prod", "Vorlex"}, {"ver", VORLEX_VERSION}, {"uid", "BENCH"}};
  crash::UploadOptions options;
  std::printf("upload           : peak private bytes / peak working set after each upload\n");
  std::printf("  before         : %8zu KiB / %8zu KiB\n", PeakPrivateBytes() / 1024, PeakWorkingSet() / 1024);
  for (size_t mib : {size_t{1}, size_t{64}}) {
    std::wstring path = base::AppendPath(dir, L"bench.dmp");
    if (!WriteDumpFile(path, mib * kMiB)) {
      std::printf("  cannot write the %zu MiB file\n", mib);
      break;
    }
    double start = Seconds();
    bool sent = crash::SendReport(annotations, path, options);
    double seconds = Seconds() - start;
    std::printf("  %2zu MiB dump    : %8zu KiB / %8zu KiB, %s in %.2f s (%.1f MiB/s)\n", mib,
                PeakPrivateBytes() / 1024, PeakWorkingSet() / 1024, sent ? "sent" : "NOT SENT", seconds,
                mib / seconds);
    (void)base::DeleteFilePath(path);
  }
  (void)base::DeleteRecursive(dir);
}

}  // namespace

int main() {
  base::CommandLine& command_line = base::CommandLine::ForCurrentProcess();
  std::string url = command_line.GetSwitchValueNarrow("url");
  if (!url.empty()) _putenv(("VORLEX_CRASH_URL=" + url).c_str());
  // Upload first, so the compression run's 32 MiB buffers do not mask the upload's peak.
  UploadFigures();
  CompressionFigures();
  return 0;
}
