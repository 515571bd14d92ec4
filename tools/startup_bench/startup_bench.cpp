// Prints the time from process start to the first shown, painted window of lite_installer.exe
// (its first screen) against bare_window.exe, both started here under the same warm system, as
// medians over several rounds and their ratio. "Painted" is taken as: a visible top-level window
// of the process whose thread answers a sent message, which it does only after handling the
// paint that showing the window queued. Usage: startup_bench [rounds] [installer path]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

struct Search {
  DWORD process_id;
  HWND window;
};

BOOL CALLBACK FindVisible(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<Search*>(param);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner != search->process_id || !IsWindowVisible(window)) return TRUE;
  search->window = window;
  return FALSE;
}

std::wstring Dir() {
  wchar_t path[MAX_PATH];
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring dir = path;
  return dir.substr(0, dir.find_last_of(L'\\'));
}

// Milliseconds until the first painted window, or a negative value on failure.
double TimeToWindow(const std::wstring& command_line) {
  LARGE_INTEGER frequency, start, end;
  QueryPerformanceFrequency(&frequency);
  STARTUPINFOW startup = {sizeof(startup)};
  PROCESS_INFORMATION info = {};
  std::vector<wchar_t> buffer(command_line.begin(), command_line.end());
  buffer.push_back(0);
  QueryPerformanceCounter(&start);
  if (!CreateProcessW(nullptr, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) return -1;
  double result = -1;
  for (int i = 0; i < 20000; ++i) {
    Search search = {info.dwProcessId, nullptr};
    EnumWindows(FindVisible, reinterpret_cast<LPARAM>(&search));
    DWORD_PTR answer = 0;
    if (search.window && SendMessageTimeoutW(search.window, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &answer)) {
      QueryPerformanceCounter(&end);
      result = (end.QuadPart - start.QuadPart) * 1000.0 / frequency.QuadPart;
      break;
    }
    if (WaitForSingleObject(info.hProcess, 1) == WAIT_OBJECT_0) break;
  }
  TerminateProcess(info.hProcess, 0);
  WaitForSingleObject(info.hProcess, 10000);
  CloseHandle(info.hProcess);
  CloseHandle(info.hThread);
  return result;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values.empty() ? -1 : values[values.size() / 2];
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  int rounds = argc > 1 ? _wtoi(argv[1]) : 7;
  std::wstring dir = Dir();
  std::wstring bare = L"\"" + dir + L"\\bare_window.exe\"";
  std::wstring installer = L"\"" + (argc > 2 ? std::wstring(argv[2]) : dir + L"\\lite_installer.exe") + L"\"";
  TimeToWindow(bare);  // warm both once
  TimeToWindow(installer);
  std::vector<double> bare_times, installer_times;
  for (int i = 0; i < rounds; ++i) {
    bare_times.push_back(TimeToWindow(bare));
    installer_times.push_back(TimeToWindow(installer));
  }
  double b = Median(bare_times), s = Median(installer_times);
  printf("rounds: %d\n", rounds);
  printf("bare window:    %.1f ms (median)\n", b);
  printf("installer:      %.1f ms (median, first screen)\n", s);
  printf("installer/bare: %.2f (target at most 1.5)\n", b > 0 ? s / b : -1.0);
  return 0;
}
