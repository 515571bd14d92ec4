// net_bench <url> <downloader|bare> <file name>: downloads url once into the named file in the
// temporary directory (where the installer's downloads land) and prints
// "<mode> <bytes> <seconds> <MiB/s> <peak working set bytes>". "downloader" is
// Downloader::DownloadToFile; "bare" is the platform's own limit: InternetOpenUrlW and
// InternetReadFile of 32 KiB blocks into WriteFile.
#include <windows.h>
#include <psapi.h>
#include <wininet.h>

#include <cstdio>
#include <string>
#include <vector>

#include "base/strings.h"
#include "base/unique_internet.h"
#include "net/downloader.h"

namespace {

bool BareLoop(const std::wstring& url, const std::wstring& target) {
  base::ScopedInternet internet(InternetOpenW(L"bench", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
  if (!internet) return false;
  base::ScopedInternet request(
      InternetOpenUrlW(internet.get(), url.c_str(), L"Accept: */*", static_cast<DWORD>(-1), INTERNET_FLAG_RELOAD, 0));
  if (!request) return false;
  base::ScopedFile file(CreateFileW(target.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  std::vector<char> buffer(32768);
  for (;;) {
    DWORD read = 0, written = 0;
    if (!InternetReadFile(request.get(), buffer.data(), static_cast<DWORD>(buffer.size()), &read)) return false;
    if (read == 0) return true;
    if (!WriteFile(file.get(), buffer.data(), read, &written, nullptr) || written != read) return false;
  }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: net_bench <url> <downloader|bare> <file name>\n");
    return 2;
  }
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  const std::wstring url = argv[1], mode = argv[2], target = std::wstring(temp) + argv[3];
  LARGE_INTEGER frequency, start, end;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&start);
  bool ok = false;
  if (mode == L"bare") {
    ok = BareLoop(url, target);
  } else {
    net::Downloader downloader;
    ok = downloader.DownloadToFile(base::WideToAscii(url), target, nullptr, UINT64_MAX);
  }
  QueryPerformanceCounter(&end);
  struct Cleanup {
    const std::wstring& path;
    ~Cleanup() { DeleteFileW(path.c_str()); }
  } cleanup{target};
  if (!ok) {
    std::fprintf(stderr, "download failed\n");
    return 1;
  }
  WIN32_FILE_ATTRIBUTE_DATA attributes{};
  GetFileAttributesExW(target.c_str(), GetFileExInfoStandard, &attributes);
  const double bytes = static_cast<double>(attributes.nFileSizeLow) + attributes.nFileSizeHigh * 4294967296.0;
  const double seconds = static_cast<double>(end.QuadPart - start.QuadPart) / frequency.QuadPart;
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof(counters);
  K32GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters));
  std::printf("%ls %.0f %.3f %.1f %lu\n", mode.c_str(), bytes, seconds, bytes / seconds / 1048576.0,
              static_cast<unsigned long>(counters.PeakWorkingSetSize));
  return 0;
}
