// Start-up of lite_installer.exe against bare_window.exe, and of floor_window.exe (a bare window
// after the system start-up the installer must do first, in its order) against the same, all
// started here under the same warm system: the time from the creation of the process to the end of
// its first paint, as medians over several rounds, and the ratios; then the installer's start-up
// timeline, each step as the median over the same rounds.
//
// The programs mark their steps when the VORLEX_STARTUP_TIMELINE variable names a file
// (base/startup_timeline.h): one line "<microseconds since process creation>\t<step>" per step,
// "first paint" when its window has painted itself, the installer's last one "first idle" when its
// controls have painted too and its thread first waits for input. The benchmark ends each program
// once its last line is there.
//
// Usage: startup_bench [rounds] [installer path] [installer's last step, default "first idle"]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "base/unique_handle.h"

namespace {

constexpr char kFirstPaint[] = "first paint";
constexpr char kFirstIdle[] = "first idle";

std::wstring Dir() {
  wchar_t path[MAX_PATH];
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring dir = path;
  return dir.substr(0, dir.find_last_of(L'\\'));
}

using Timeline = std::vector<std::pair<std::string, long long>>;

Timeline ReadTimeline(const std::wstring& path) {
  Timeline steps;
  FILE* file = _wfopen(path.c_str(), L"rb");
  if (!file) return steps;
  char line[256];
  while (fgets(line, sizeof(line), file)) {
    char* tab = strchr(line, '\t');
    if (!tab) continue;
    std::string step(tab + 1);
    while (!step.empty() && (step.back() == '\n' || step.back() == '\r')) step.pop_back();
    steps.emplace_back(step, atoll(line));
  }
  fclose(file);
  return steps;
}

long long At(const Timeline& steps, const char* name) {
  for (const auto& [step, micros] : steps)
    if (step == name) return micros;
  return -1;
}

// Runs the program until it has marked the last step (at most 20 s) and ends it; returns its
// timeline, empty when it never got there.
Timeline RunUntil(const std::wstring& command_line, const std::wstring& timeline_path, const char* last) {
  DeleteFileW(timeline_path.c_str());
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info = {};
  std::vector<wchar_t> buffer(command_line.begin(), command_line.end());
  buffer.push_back(0);
  if (!CreateProcessW(nullptr, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) return {};
  base::ScopedHandle process(info.hProcess), thread(info.hThread);
  Timeline steps;
  for (int i = 0; i < 20000; ++i) {
    steps = ReadTimeline(timeline_path);
    if (At(steps, last) >= 0) break;
    if (WaitForSingleObject(process.get(), 1) == WAIT_OBJECT_0) break;
  }
  TerminateProcess(process.get(), 0);
  WaitForSingleObject(process.get(), 10000);
  return At(steps, last) >= 0 ? steps : Timeline();
}

template <typename T>
T Median(std::vector<T> values) {
  std::sort(values.begin(), values.end());
  return values.empty() ? T(-1) : values[values.size() / 2];
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  int rounds = argc > 1 ? _wtoi(argv[1]) : 9;
  std::wstring dir = Dir();
  std::wstring bare = L"\"" + dir + L"\\bare_window.exe\"";
  std::wstring floor = L"\"" + dir + L"\\floor_window.exe\"";
  std::wstring installer = L"\"" + (argc > 2 ? std::wstring(argv[2]) : dir + L"\\lite_installer.exe") + L"\"";
  std::string last_step = kFirstIdle;
  if (argc > 3) last_step.assign(argv[3], argv[3] + wcslen(argv[3]));
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  std::wstring path = std::wstring(temp) + L"startup_timeline.txt";
  SetEnvironmentVariableW(L"VORLEX_STARTUP_TIMELINE", path.c_str());

  RunUntil(bare, path, kFirstPaint);  // warm all once
  RunUntil(floor, path, kFirstPaint);
  RunUntil(installer, path, last_step.c_str());
  std::vector<long long> bare_times, floor_times, installer_times;
  std::vector<std::string> order;
  std::map<std::string, std::vector<long long>> steps;
  int failed = 0;
  for (int i = 0; i < rounds; ++i) {
    Timeline b = RunUntil(bare, path, kFirstPaint);
    Timeline f = RunUntil(floor, path, kFirstPaint);
    Timeline s = RunUntil(installer, path, last_step.c_str());
    if (b.empty() || f.empty() || s.empty()) {
      ++failed;
      continue;
    }
    bare_times.push_back(At(b, kFirstPaint));
    floor_times.push_back(At(f, kFirstPaint));
    installer_times.push_back(At(s, kFirstPaint));
    for (const auto& [step, micros] : s) {
      if (!steps.count(step)) order.push_back(step);
      steps[step].push_back(micros);
    }
  }
  DeleteFileW(path.c_str());
  if (bare_times.empty()) {
    printf("no round reached the first paint of all three programs\n");
    return 1;
  }

  double b = Median(bare_times) / 1000.0, f = Median(floor_times) / 1000.0, s = Median(installer_times) / 1000.0;
  printf("rounds: %d (%d without the last step of all three)\n", rounds, failed);
  printf("bare window:    %.1f ms to the first paint (median)\n", b);
  printf("installer:      %.1f ms to the first paint of the first screen (median)\n", s);
  printf("installer/bare: %.2f (target at most 1.5)\n", s / b);
  printf("floor window:   %.1f ms to the first paint after the installer's required system start-up (median)\n", f);
  printf("floor/bare:     %.2f (no installer bound to that start-up order can do better)\n", f / b);
  printf("installer start-up timeline (median of each step, microseconds since process creation):\n");
  printf("  %10s  %10s  %s\n", "at", "step took", "step");
  long long previous = 0;
  for (const std::string& step : order) {
    long long at = Median(steps[step]);
    printf("  %10lld  %10lld  %s\n", at, at - previous, step.c_str());
    previous = at;
  }
  return 0;
}
