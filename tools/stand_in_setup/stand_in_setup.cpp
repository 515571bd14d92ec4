// Stand-in for the browser setup, for tests and the demo. It does what the installer can observe
// of a real setup, as its switches ("--stand-in-<name>=<value>") or environment variables
// ("VORLEX_STAND_IN_<NAME>", used when the switch is absent) tell it:
//   record=<path>          write the command line, its arguments and the current directory there
//                          as UTF-8 JSON
//   launch-cmdline=<text>  store <text> as "InstallerSuccessLaunchCmdLine" under
//                          HKCU\Software\Vorlex\VorlexBrowser
//   browser-window=<ms>    leave a process behind that owns a message-only window of class
//                          "VorlexBrowser_MessageWindow" for <ms> milliseconds
//   progress=<steps>       post the registered progress messages to the "progress-window"
//                          handle, steps separated by commas: install:<stage>, import:<percent>,
//                          close, higher; send-close sends the close-window message and waits
//                          for the window's answer, as a setup may
//   step-delay=<ms>        pause between progress steps
//   sleep=<ms>             pause before exiting
//   keep-side-data=<dir>   copy what the side-data switches name ("variations-update-path",
//                          "abt-update-path", "webntp-path", "server-config-bundle-path",
//                          "preloaded-wallpaper-bundle-path") into <dir>\<switch name>, as a setup
//                          consumes them during its run
//   exit-code=<n>          the exit code (default 0)
// Independent of the installer's own code on purpose: it parses its command line like a foreign
// program would.
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr wchar_t kMessageWindowClass[] = L"VorlexBrowser_MessageWindow";

std::vector<std::wstring> Arguments() {
  std::vector<std::wstring> args;
  int count = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &count);
  if (!argv) return args;
  for (int i = 0; i < count; ++i) args.emplace_back(argv[i]);
  LocalFree(argv);
  return args;
}

// Value of "--name=value" (also "-name" and "/name" forms); found is set when present.
std::wstring Switch(const std::vector<std::wstring>& args, const std::wstring& name, bool* found = nullptr) {
  if (found) *found = false;
  for (size_t i = 1; i < args.size(); ++i) {
    std::wstring arg = args[i];
    if (arg.rfind(L"--", 0) == 0) arg.erase(0, 2);
    else if (arg.rfind(L"-", 0) == 0 || arg.rfind(L"/", 0) == 0) arg.erase(0, 1);
    else continue;
    size_t eq = arg.find(L'=');
    if (arg.substr(0, eq) != name) continue;
    if (found) *found = true;
    return eq == std::wstring::npos ? std::wstring() : arg.substr(eq + 1);
  }
  return {};
}

std::wstring Option(const std::vector<std::wstring>& args, const std::wstring& name) {
  bool found = false;
  std::wstring value = Switch(args, L"stand-in-" + name, &found);
  if (found) return value;
  std::wstring variable = L"VORLEX_STAND_IN_";
  for (wchar_t c : name) variable += c == L'-' ? L'_' : wchar_t(towupper(c));
  wchar_t buffer[4096];
  DWORD size = GetEnvironmentVariableW(variable.c_str(), buffer, 4096);
  return size > 0 && size < 4096 ? std::wstring(buffer, size) : std::wstring();
}

std::string Utf8(const std::wstring& text) {
  int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0, nullptr, nullptr);
  std::string out(size, '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), out.data(), size, nullptr, nullptr);
  return out;
}

std::string JsonString(const std::wstring& text) {
  std::string out = "\"";
  for (unsigned char c : Utf8(text)) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += char(c);
    } else if (c < 0x20) {
      char escape[8];
      std::snprintf(escape, sizeof(escape), "\\u%04x", c);
      out += escape;
    } else {
      out += char(c);
    }
  }
  return out + "\"";
}

bool WriteRecord(const std::wstring& path, const std::vector<std::wstring>& args) {
  wchar_t directory[MAX_PATH * 2] = {};
  GetCurrentDirectoryW(MAX_PATH * 2, directory);
  std::string json = "{\n  \"command_line\": " + JsonString(GetCommandLineW()) +
                     ",\n  \"current_directory\": " + JsonString(directory) +
                     ",\n  \"process_id\": " + std::to_string(GetCurrentProcessId()) + ",\n  \"arguments\": [";
  for (size_t i = 0; i < args.size(); ++i) json += (i ? ", " : "") + JsonString(args[i]);
  json += "]\n}\n";
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  bool ok = WriteFile(file, json.data(), DWORD(json.size()), &written, nullptr) && written == json.size();
  CloseHandle(file);
  return ok;
}

bool StoreLaunchCommandLine(const std::wstring& text) {
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Vorlex\\VorlexBrowser", 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                      &key, nullptr) != ERROR_SUCCESS)
    return false;
  LONG result = RegSetValueExW(key, L"InstallerSuccessLaunchCmdLine", 0, REG_SZ,
                               reinterpret_cast<const BYTE*>(text.c_str()), DWORD((text.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(key);
  return result == ERROR_SUCCESS;
}

// The browser side: owns the message window for a while, then removes it.
int RunBrowserWindow(DWORD lifetime_ms) {
  WNDCLASSW window_class = {};
  window_class.lpfnWndProc = DefWindowProcW;
  window_class.hInstance = GetModuleHandleW(nullptr);
  window_class.lpszClassName = kMessageWindowClass;
  RegisterClassW(&window_class);
  HWND window = CreateWindowExW(0, kMessageWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                window_class.hInstance, nullptr);
  if (!window) return 1;
  DWORD end = GetTickCount() + lifetime_ms;
  for (;;) {
    DWORD now = GetTickCount();
    if (LONG(end - now) <= 0) break;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, end - now, QS_ALLINPUT);
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
  }
  DestroyWindow(window);
  return 0;
}

bool StartBrowserWindow(const std::wstring& lifetime) {
  wchar_t self[MAX_PATH * 2] = {};
  GetModuleFileNameW(nullptr, self, MAX_PATH * 2);
  std::wstring command = L"\"" + std::wstring(self) + L"\" --stand-in-browser-role=" + lifetime;
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process = {};
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, DETACHED_PROCESS, nullptr, nullptr, &startup,
                      &process))
    return false;
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  // Exit only once the window exists, so that whoever waits for it finds it.
  for (int i = 0; i < 500; ++i) {
    if (FindWindowExW(HWND_MESSAGE, nullptr, kMessageWindowClass, nullptr)) return true;
    Sleep(10);
  }
  return false;
}

void PostProgress(HWND target, const std::wstring& steps, DWORD delay_ms) {
  const UINT install = RegisterWindowMessageW(L"vorlex.lite.set_install_progress");
  const UINT import = RegisterWindowMessageW(L"vorlex.lite.set_import_progress");
  const UINT close = RegisterWindowMessageW(L"vorlex.lite.close_window");
  const UINT higher = RegisterWindowMessageW(L"vorlex.higher_version_exist");
  size_t start = 0;
  bool first = true;
  while (start <= steps.size()) {
    size_t comma = steps.find(L',', start);
    std::wstring step = steps.substr(start, comma == std::wstring::npos ? std::wstring::npos : comma - start);
    start = comma == std::wstring::npos ? steps.size() + 1 : comma + 1;
    if (step.empty()) continue;
    if (!first && delay_ms) Sleep(delay_ms);
    first = false;
    size_t colon = step.find(L':');
    std::wstring kind = step.substr(0, colon);
    WPARAM value = colon == std::wstring::npos ? 0 : WPARAM(wcstoul(step.c_str() + colon + 1, nullptr, 10));
    if (kind == L"install") PostMessageW(target, install, value, 0);
    else if (kind == L"import") PostMessageW(target, import, value, 0);
    else if (kind == L"close") PostMessageW(target, close, 0, 0);
    else if (kind == L"send-close") SendMessageW(target, close, 0, 0);
    else if (kind == L"higher") PostMessageW(target, higher, 0, 0);
  }
}

// Copies a file, or a directory with everything below it.
bool CopyTree(const std::wstring& from, const std::wstring& to) {
  DWORD attributes = GetFileAttributesW(from.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return false;
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) return CopyFileW(from.c_str(), to.c_str(), FALSE) != 0;
  if (!CreateDirectoryW(to.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) return false;
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW((from + L"\\*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return true;
  bool ok = true;
  do {
    std::wstring name = data.cFileName;
    if (name != L"." && name != L"..") ok = CopyTree(from + L"\\" + name, to + L"\\" + name) && ok;
  } while (FindNextFileW(find, &data));
  FindClose(find);
  return ok;
}

bool KeepSideData(const std::vector<std::wstring>& args, const std::wstring& dir) {
  CreateDirectoryW(dir.c_str(), nullptr);
  bool ok = true;
  for (const wchar_t* name : {L"variations-update-path", L"abt-update-path", L"webntp-path",
                              L"server-config-bundle-path", L"preloaded-wallpaper-bundle-path"}) {
    std::wstring path = Switch(args, name);
    if (!path.empty() && GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES)
      ok = CopyTree(path, dir + L"\\" + name) && ok;
  }
  return ok;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, wchar_t*, int) {
  std::vector<std::wstring> args = Arguments();
  bool browser_role = false;
  std::wstring lifetime = Switch(args, L"stand-in-browser-role", &browser_role);
  if (browser_role) return RunBrowserWindow(wcstoul(lifetime.c_str(), nullptr, 10));

  // Accepts negative and large unsigned codes alike (0xC0000005 as 3221225477 or -1073741819).
  int exit_code = int(UINT(wcstoll(Option(args, L"exit-code").c_str(), nullptr, 10)));
  std::wstring record = Option(args, L"record");
  if (!record.empty() && !WriteRecord(record, args)) return 90;

  std::wstring launch = Option(args, L"launch-cmdline");
  if (!launch.empty() && !StoreLaunchCommandLine(launch)) return 91;

  std::wstring window_lifetime = Option(args, L"browser-window");
  if (!window_lifetime.empty() && !StartBrowserWindow(window_lifetime)) return 92;

  HWND target = reinterpret_cast<HWND>(uintptr_t(wcstoull(Switch(args, L"progress-window").c_str(), nullptr, 10)));
  std::wstring steps = Option(args, L"progress");
  if (target && !steps.empty()) PostProgress(target, steps, wcstoul(Option(args, L"step-delay").c_str(), nullptr, 10));

  std::wstring keep = Option(args, L"keep-side-data");
  if (!keep.empty() && !KeepSideData(args, keep)) return 93;

  DWORD sleep_ms = wcstoul(Option(args, L"sleep").c_str(), nullptr, 10);
  if (sleep_ms) Sleep(sleep_ms);
  return exit_code;
}
