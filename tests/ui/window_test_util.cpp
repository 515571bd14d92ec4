#include "window_test_util.h"

#include <cstdlib>

#include "base/file_path.h"
#include "base/file_util.h"
#include "base/strings.h"
#include "gui_util.h"

namespace window_test {

ScopedEnvironment::~ScopedEnvironment() {
  for (const std::string& name : names_) _putenv((name + "=").c_str());
}

void ScopedEnvironment::Set(const std::string& name, const std::string& value) {
  _putenv((name + "=" + value).c_str());
  names_.push_back(name);
}

Distribution::Distribution() {
  if (!server_.ok()) return;
  prefix_ = test::UniquePathPrefix();
  temp_ = scratch_.Child(L"temp");
  if (!base::CreateDirectoryRecursive(temp_)) return;
  server_.ExportEnvironment();
  for (const char* service : {"CDN", "STATISTICS", "REPORT", "VARIATIONS", "ABT", "WEBNTP"})
    env_.Set(std::string("VORLEX_") + service + "_URL", server_.Origin() + prefix_);
  env_.Set("TMP", base::WideToUtf8(temp_) + "\\");
  env_.Set("TEMP", base::WideToUtf8(temp_) + "\\");
  ok_ = server_.AddRule(R"({"path": ")" + prefix_ + R"(/installstats/", "status": 200, "body": "ok"})") &&
        server_.AddRule(R"({"path": ")" + prefix_ + R"(/get/browser/install", "status": 200, "body": "ok"})");
}

bool Distribution::ServeSetup(const wchar_t* build_file) {
  auto bytes = base::ReadFileToString(base::AppendPath(test::BuildDir(), build_file));
  return bytes && server_.PutFile(prefix_.substr(1) + "/browser/vorlex/browser-setup.arc", *bytes);
}

std::string Distribution::SlideBase() const { return server_.Origin() + prefix_ + "/browser/installer/en/"; }

bool Distribution::ServeSlide(const wchar_t* source, const std::string& name) {
  auto bytes = base::ReadFileToString(base::AppendPath(base::AppendPath(test::BuildDir(), L"test_slides"), source));
  return bytes && server_.PutFile(prefix_.substr(1) + "/browser/installer/en/x2/" + name, *bytes);
}

std::string Distribution::Log() const {
  return base::ReadFileToString(base::AppendPath(temp_, L"lite_installer.log")).value_or("");
}

std::vector<std::string> Distribution::StatisticsPaths() {
  std::vector<std::string> paths;
  for (const auto& request : server_.Requests(prefix_ + "/installstats/")) paths.push_back(request.path);
  return paths;
}

InstallerProcess::~InstallerProcess() {
  if (info_.hProcess) {
    if (WaitForSingleObject(info_.hProcess, 0) != WAIT_OBJECT_0) TerminateProcess(info_.hProcess, 1);
    CloseHandle(info_.hProcess);
    CloseHandle(info_.hThread);
  }
}

bool InstallerProcess::Start(const std::wstring& arguments) {
  std::wstring command_line = L"\"" + test::InstallerPath() + L"\" " + arguments;
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  return CreateProcessW(nullptr, command_line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &info_) != 0;
}

namespace {
struct FindState {
  DWORD process;
  const std::wstring* title;
  HWND found;
};
BOOL CALLBACK FindDialog(HWND window, LPARAM param) {
  auto* state = reinterpret_cast<FindState*>(param);
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  wchar_t class_name[16] = {};
  GetClassNameW(window, class_name, 16);
  // A title that could not be read (the window's thread busy) is no match: an unanswered
  // WM_GETTEXT would otherwise pass for an empty title.
  wchar_t title[256] = {};
  DWORD_PTR copied = 0;
  if (process == state->process && IsWindowVisible(window) && std::wstring(class_name) == L"#32770" &&
      SendMessageTimeoutW(window, WM_GETTEXT, 256, reinterpret_cast<LPARAM>(title), SMTO_ABORTIFHUNG, 2000,
                          &copied) &&
      title == *state->title) {
    state->found = window;
    return FALSE;
  }
  return TRUE;
}
}  // namespace

HWND InstallerProcess::WaitForWindow(const std::wstring& title, DWORD timeout_ms) const {
  FindState state = {info_.dwProcessId, &title, nullptr};
  WaitFor(
      [&] {
        EnumWindows(&FindDialog, reinterpret_cast<LPARAM>(&state));
        return state.found != nullptr || WaitForSingleObject(info_.hProcess, 0) == WAIT_OBJECT_0;
      },
      timeout_ms, 50);
  return state.found;
}

std::optional<DWORD> InstallerProcess::Wait(DWORD timeout_ms) {
  if (WaitForSingleObject(info_.hProcess, timeout_ms) != WAIT_OBJECT_0) return std::nullopt;
  DWORD code = 0;
  GetExitCodeProcess(info_.hProcess, &code);
  return code;
}

std::wstring ControlText(HWND control) {
  wchar_t text[256] = {};
  DWORD_PTR result = 0;
  if (!SendMessageTimeoutW(control, WM_GETTEXT, 256, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 2000,
                           &result))
    return L"";
  return text;
}

void Click(HWND dialog, int id) { PostMessageW(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }

void Screenshot(const std::string& name) {
  std::wstring dir = base::AppendPath(base::AppendPath(test::BuildDir(), L"screenshots"), L"requests");
  std::wstring wide = base::Utf8ToWide(name);
  std::wstring done = base::AppendPath(dir, wide + L".done");
  DeleteFileW(done.c_str());
  Sleep(300);  // let the windows finish painting
  if (base::PathExists(dir) && base::WriteStringToFile(base::AppendPath(dir, wide + L".request"), "") &&
      WaitFor([&] { return base::PathExists(done); }, 10000, 50)) {
    DeleteFileW(done.c_str());
    return;
  }
  RECT screen = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  ui_test::SaveScreenshot(ui_test::CaptureScreen(screen), wide);
}

}  // namespace window_test
