// Start-up cost of the distribution parameters: the tag readers and the brand-package
// extraction, each as a ratio against a plain read of the installer file in the same run.
#include <windows.h>

#include <cstdio>
#include <functional>
#include <string>

#include "base/clock.h"
#include "base/file_util.h"
#include "distrib/cabinet.h"
#include "distrib/installer_tag.h"

namespace {

double MicrosPerRun(int runs, const std::function<void()>& body) {
  body();  // warm the file cache and the cabinet library
  uint64_t start = base::MonotonicMicros();
  for (int i = 0; i < runs; ++i) body();
  return static_cast<double>(base::MonotonicMicros() - start) / runs;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: distrib_bench <tagged installer> [brand package .cab]\n");
    return 2;
  }
  const std::wstring path = argv[1];
  const int runs = 50;
  size_t size = 0;
  double baseline = MicrosPerRun(runs, [&] { size = base::ReadFileToString(path).value_or("").size(); });
  double certificate = MicrosPerRun(runs, [&] { (void)distrib::ExtractTagFromFakeCertificate(path); });
  double trailer = MicrosPerRun(runs, [&] { (void)distrib::ReadTrailerTag(path); });
  std::printf("file: %zu bytes\n", size);
  std::printf("read whole file (baseline): %10.1f us\n", baseline);
  std::printf("dummy-certificate tag:      %10.1f us  (%.2fx baseline)\n", certificate, certificate / baseline);
  std::printf("trailer tag (mapping):      %10.1f us  (%.2fx baseline)\n", trailer, trailer / baseline);
  if (argc > 2) {
    std::string cabinet = base::ReadFileToString(argv[2]).value_or("");
    size_t members = 0;
    double extract = MicrosPerRun(20 * runs, [&] {
      distrib::CabinetFiles files;
      (void)distrib::ExtractCabinetFile(cabinet, "", &files);
      members = files.size();
    });
    std::printf("cabinet extraction (%zu bytes, %zu members): %6.1f us  (%.3fx baseline)\n", cabinet.size(),
                members, extract, extract / baseline);
  }
  return 0;
}
