// Prints how many records per second the file logger writes in one process, against a plain
// open-append-close loop writing lines of the same length, both measured in this run.
// Usage: log_benchmark [records]
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "base/clock.h"
#include "base/file_path.h"
#include "base/file_util.h"
#include "base/unique_handle.h"
#include "logging/file_logger.h"

namespace {

double Seconds(uint64_t start) { return (base::MonotonicMicros() - start) / 1e6; }

double PlainLoop(const std::wstring& path, int records, const std::string& line) {
  uint64_t start = base::MonotonicMicros();
  for (int i = 0; i < records; ++i) {
    base::ScopedFile file(CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    WriteFile(file.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
  }
  return records / Seconds(start);
}

double Logger(const std::wstring& path, int records) {
  // Large limit: this measures the steady path, not rotation.
  logging::InstallSink(std::make_unique<logging::FileLogger>(path, 1u << 30));
  uint64_t start = base::MonotonicMicros();
  for (int i = 0; i < records; ++i) LOG(INFO) << "benchmark record " << i << " with some text";
  double rate = records / Seconds(start);
  logging::InstallSink(nullptr);
  return rate;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  int records = argc > 1 ? _wtoi(argv[1]) : 20000;
  std::wstring dir = base::CreateUniqueDirectory(base::GetTempDir(), L"logbench");
  std::string line = "2026-12-07 11:52:03.017 52:96 INFO: benchmark record 12345 with some text (Logger:40)\n";
  double plain = PlainLoop(base::AppendPath(dir, L"plain.log"), records, line);
  double logger = Logger(base::AppendPath(dir, L"lite_installer.log"), records);
  printf("records: %d\n", records);
  printf("plain open-append-close: %.0f records/s\n", plain);
  printf("file logger:             %.0f records/s\n", logger);
  printf("logger / plain:          %.2f\n", logger / plain);
  (void)base::DeleteRecursive(dir);
  return 0;
}
