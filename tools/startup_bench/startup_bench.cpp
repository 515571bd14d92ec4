// Start-up of four programs, all measured the same way from outside, under the same warm system:
// - bare_window.exe: one plain Win32 window, the least any program takes;
// - floor_window.exe: a bare window after the system start-up the installer must do before its
//   window, in its order (crash handler, COM, common controls, GDI+);
// - nsis_peer.exe: what a distributor would otherwise ship, a small NSIS installer with a
//   comparable first page (peer.nsi, built with the benchmark);
// - lite_installer.exe: the installer.
// For each start the probe takes the time from just before CreateProcess to
//   (a) the first visible top-level window of the new process, polled while waiting on the process
//       handle, and
//   (b) input idle: WaitForInputIdle, on a thread of its own so that it does not hold up (a),
// then ends the program. The rounds are interleaved (one start of each program per round, the
// order turned by one each round) after one warm-up round; it prints the medians and each median
// as a ratio against the bare window and against the peer. It prints figures and judges nothing.
//
// The installer marks its start-up steps when the VORLEX_STARTUP_TIMELINE variable names a file
// (base/startup_timeline.h): one line "<microseconds since process creation>\t<step>" per step,
// its last "first idle" when its first screen has painted and its thread first waits for input.
// That timeline explains the installer's figure; as writing it costs a little, it comes from a
// fifth start in each round, of the installer with the variable set, which is kept out of the
// table. The four programs of the table run without it.
//
// Every program runs with TEMP and TMP in a folder of the benchmark's own, emptied after each
// start: an ended NSIS installer leaves its plug-in folder behind, and a temporary folder that
// fills up from round to round would slow the starts that follow.
//
// Usage: startup_bench [rounds, default 15] [installer path] [installer's last step, default
// "first idle"] [another installer]
// Another installer (an earlier build, say) is measured in the same rounds and printed as one more
// row, so that two builds are compared under the same conditions.
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

constexpr DWORD kBoundMs = 20000;

std::wstring Dir() {
  wchar_t path[MAX_PATH];
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring dir = path;
  return dir.substr(0, dir.find_last_of(L'\\'));
}

long long FileSize(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return -1;
  return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// Empties a folder, keeping the folder itself.
void Empty(const std::wstring& dir) {
  WIN32_FIND_DATAW found;
  base::ScopedFind find(FindFirstFileW((dir + L"\\*").c_str(), &found));
  if (!find) return;
  do {
    std::wstring name = found.cFileName;
    if (name == L"." || name == L"..") continue;
    std::wstring path = dir + L"\\" + name;
    if (found.dwFileAttributes & FILE_ATTRIBUTE_READONLY)
      SetFileAttributesW(path.c_str(), found.dwFileAttributes & ~FILE_ATTRIBUTE_READONLY);
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      Empty(path);
      RemoveDirectoryW(path.c_str());
    } else {
      DeleteFileW(path.c_str());
    }
  } while (FindNextFileW(find.get(), &found));
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

long long At(const Timeline& steps, const std::string& name) {
  for (const auto& [step, micros] : steps)
    if (step == name) return micros;
  return -1;
}

long long Frequency() {
  static const long long frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f.QuadPart;
  }();
  return frequency;
}

long long Now() {
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return now.QuadPart;
}

long long MicrosSince(long long start) { return (Now() - start) * 1000000 / Frequency(); }

struct VisibleWindowSearch {
  DWORD process_id;
  bool found;
};

BOOL CALLBACK FindVisibleWindow(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<VisibleWindowSearch*>(param);
  DWORD process_id = 0;
  GetWindowThreadProcessId(window, &process_id);
  if (process_id != search->process_id || !IsWindowVisible(window)) return TRUE;
  search->found = true;
  return FALSE;
}

bool HasVisibleWindow(DWORD process_id) {
  VisibleWindowSearch search = {process_id, false};
  EnumWindows(FindVisibleWindow, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// WaitForInputIdle on a thread of its own: the time from the start to the return, and what it
// returned.
struct IdleWait {
  HANDLE process;
  long long start;
  DWORD result = WAIT_FAILED;
  long long micros = -1;
};

DWORD WINAPI WaitForIdle(void* param) {
  auto* wait = static_cast<IdleWait*>(param);
  wait->result = WaitForInputIdle(wait->process, kBoundMs);
  wait->micros = MicrosSince(wait->start);
  return 0;
}

struct Program {
  const char* name;
  std::wstring path;
  bool marks;  // started with the timeline variable set
};

struct Start {
  long long window = -1;  // microseconds to the first visible top-level window
  long long idle = -1;    // microseconds to input idle
  Timeline steps;         // the marked installer's own timeline
  std::string failure;    // why a figure is missing
};

// Starts the program, waits for both figures (and for a marking program, its last step) for at
// most the bound, and ends it.
Start Measure(const Program& program, const std::wstring& timeline_path, const std::string& last_step) {
  Start start;
  if (program.marks) {
    DeleteFileW(timeline_path.c_str());
    SetEnvironmentVariableW(L"VORLEX_STARTUP_TIMELINE", timeline_path.c_str());
  }
  std::wstring command_line = L"\"" + program.path + L"\"";
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info = {};
  long long started = Now();
  BOOL created =
      CreateProcessW(nullptr, command_line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info);
  if (program.marks) SetEnvironmentVariableW(L"VORLEX_STARTUP_TIMELINE", nullptr);
  if (!created) {
    start.failure = "CreateProcess failed with error " + std::to_string(GetLastError());
    return start;
  }
  base::ScopedHandle process(info.hProcess), thread(info.hThread);
  IdleWait idle_wait{process.get(), started};
  base::ScopedHandle idle_thread(CreateThread(nullptr, 0, WaitForIdle, &idle_wait, 0, nullptr));
  bool exited = false, idle_done = !idle_thread, steps_done = !program.marks;
  while (true) {
    if (start.window < 0 && HasVisibleWindow(info.dwProcessId)) start.window = MicrosSince(started);
    if (!idle_done) idle_done = WaitForSingleObject(idle_thread.get(), 0) == WAIT_OBJECT_0;
    if (!steps_done && start.window >= 0 && idle_done) {
      start.steps = ReadTimeline(timeline_path);
      steps_done = At(start.steps, last_step) >= 0;
    }
    if ((start.window >= 0 && idle_done && steps_done) || exited) break;
    if (MicrosSince(started) > kBoundMs * 1000LL) break;
    exited = WaitForSingleObject(process.get(), 1) == WAIT_OBJECT_0;
  }
  TerminateProcess(process.get(), 0);
  WaitForSingleObject(process.get(), 10000);
  if (idle_thread) WaitForSingleObject(idle_thread.get(), INFINITE);
  // Wine's WaitForInputIdle also returns 0 when the process ends: idle counts only from a live one.
  if (idle_thread && idle_wait.result == 0 && !exited) start.idle = idle_wait.micros;

  if (exited) start.failure = "exited by itself";
  else if (!idle_thread) start.failure = "no thread for WaitForInputIdle";
  else if (start.window < 0) start.failure = "no visible window within 20 s";
  else if (start.idle < 0)
    start.failure = idle_wait.result == WAIT_TIMEOUT ? "not idle within 20 s"
                                                     : "WaitForInputIdle returned " + std::to_string(idle_wait.result);
  else if (!steps_done) start.failure = "no \"" + last_step + "\" mark within 20 s";
  if (!start.failure.empty()) start.steps.clear();
  return start;
}

double Median(std::vector<long long> values) {
  if (values.empty()) return -1;
  std::sort(values.begin(), values.end());
  size_t middle = values.size() / 2;
  return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2.0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  int rounds = argc > 1 ? _wtoi(argv[1]) : 15;
  if (rounds < 1) rounds = 1;
  std::wstring dir = Dir();
  std::wstring installer = argc > 2 ? std::wstring(argv[2]) : dir + L"\\lite_installer.exe";
  std::string last_step = "first idle";
  if (argc > 3) last_step.assign(argv[3], argv[3] + wcslen(argv[3]));

  enum { kBare, kFloor, kPeer, kInstaller, kMarked };
  std::vector<Program> programs = {
      {"bare window", dir + L"\\bare_window.exe", false},
      {"floor window", dir + L"\\floor_window.exe", false},
      {"NSIS peer", dir + L"\\nsis_peer.exe", false},
      {"installer", installer, false},
      {"installer (marking its timeline)", installer, true},
  };
  if (argc > 4) programs.push_back({"other installer", argv[4], false});
  const int kPrograms = static_cast<int>(programs.size());
  for (const Program& program : programs) {
    if (FileSize(program.path) < 0) {
      printf("missing: %ls\n", program.path.c_str());
      return 1;
    }
  }

  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  std::wstring timeline_path = std::wstring(temp) + L"startup_timeline.txt";
  std::wstring programs_temp = std::wstring(temp) + L"startup_bench";
  CreateDirectoryW(programs_temp.c_str(), nullptr);
  Empty(programs_temp);
  SetEnvironmentVariableW(L"TEMP", programs_temp.c_str());
  SetEnvironmentVariableW(L"TMP", programs_temp.c_str());

  std::vector<std::vector<long long>> window(kPrograms), idle(kPrograms);
  std::vector<std::string> order;
  std::map<std::string, std::vector<long long>> steps;
  int failed = 0;
  for (int round = 0; round <= rounds; ++round) {  // round 0 warms up and is not counted
    std::vector<Start> starts(kPrograms);
    bool complete = true;
    for (int i = 0; i < kPrograms; ++i) {
      int p = (i + round) % kPrograms;
      starts[p] = Measure(programs[p], timeline_path, last_step);
      Empty(programs_temp);
      if (!starts[p].failure.empty()) {
        complete = false;
        printf("%s %d: %s: %s\n", round ? "round" : "warm-up round", round, programs[p].name,
               starts[p].failure.c_str());
      }
    }
    if (round == 0) continue;
    if (!complete) {
      ++failed;
      continue;
    }
    for (int p = 0; p < kPrograms; ++p) {
      window[p].push_back(starts[p].window);
      idle[p].push_back(starts[p].idle);
    }
    for (const auto& [step, micros] : starts[kMarked].steps) {
      if (!steps.count(step)) order.push_back(step);
      steps[step].push_back(micros);
    }
  }
  DeleteFileW(timeline_path.c_str());
  RemoveDirectoryW(programs_temp.c_str());

  printf("rounds: %d, %d failed; medians from just before CreateProcess, each also as a ratio to the bare "
         "window's and the peer's\n",
         rounds, failed);
  if (window[kBare].empty()) {
    printf("no round gave both figures for every program\n");
    return 1;
  }
  std::vector<double> window_median(kPrograms), idle_median(kPrograms);
  for (int p = 0; p < kPrograms; ++p) {
    window_median[p] = Median(window[p]) / 1000.0;
    idle_median[p] = Median(idle[p]) / 1000.0;
  }
  printf("%-14s %9s  %15s %6s %6s  %12s %6s %6s\n", "program", "bytes", "visible window", "/bare", "/peer",
         "input idle", "/bare", "/peer");
  for (int p = kBare; p < kPrograms; ++p) {
    if (p == kMarked) continue;
    printf("%-14s %9lld  %12.1f ms %6.2f %6.2f  %9.1f ms %6.2f %6.2f\n", programs[p].name,
           FileSize(programs[p].path), window_median[p], window_median[p] / window_median[kBare],
           window_median[p] / window_median[kPeer], idle_median[p], idle_median[p] / idle_median[kBare],
           idle_median[p] / idle_median[kPeer]);
  }

  printf("\ninstaller start-up timeline, from a fifth start in each round with VORLEX_STARTUP_TIMELINE set\n"
         "(from outside that start: visible window %.1f ms, input idle %.1f ms); each step's median in\n"
         "microseconds since the process's creation:\n",
         window_median[kMarked], idle_median[kMarked]);
  printf("  %10s  %10s  %s\n", "at", "step took", "step");
  long long previous = 0;
  for (const std::string& step : order) {
    long long at = static_cast<long long>(Median(steps[step]));
    printf("  %10lld  %10lld  %s\n", at, at - previous, step.c_str());
    previous = at;
  }
  return 0;
}
