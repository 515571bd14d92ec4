// Helpers of the window tests: the installer as a child process driven through its window, the
// loopback distribution server set up for one test, and screenshots from the X display.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "support/loopback.h"
#include "support/test_util.h"

namespace window_test {

// Environment variables set for the test (inherited by the installer), undone on destruction.
class ScopedEnvironment {
 public:
  ~ScopedEnvironment();
  void Set(const std::string& name, const std::string& value);

 private:
  std::vector<std::string> names_;
};

// One test's corner of the loopback server: every service under its own prefix, the signed
// stand-in as the setup, statistics and report answered, a private temporary directory.
class Distribution {
 public:
  Distribution();
  bool ok() const { return ok_; }
  test::Loopback& server() { return server_; }
  const std::string& prefix() const { return prefix_; }
  ScopedEnvironment& env() { return env_; }
  const std::wstring& temp() const { return temp_; }
  // Serves a build-tree file as the setup archive.
  bool ServeSetup(const wchar_t* build_file = L"stand_in_setup_signed.exe");
  // Serves a file of the test slides (build/win/test_slides) as <slide base>x2/<name>.
  bool ServeSlide(const wchar_t* source, const std::string& name);
  // The slide base URL of the default brand in English.
  std::string SlideBase() const;
  std::string Log() const;
  // Decoded "key=value" fields of every statistics request, in order of arrival.
  std::vector<std::string> StatisticsPaths();

 private:
  test::Loopback server_ = test::Loopback::Server();
  test::ScratchDir scratch_;
  std::string prefix_;
  std::wstring temp_;
  ScopedEnvironment env_;
  bool ok_ = false;
};

class InstallerProcess {
 public:
  ~InstallerProcess();  // terminates a process that is still running
  bool Start(const std::wstring& arguments);
  // The visible dialog of the process whose title is `title` (the main window: "Vorlex").
  HWND WaitForWindow(const std::wstring& title, DWORD timeout_ms = 30000) const;
  std::optional<DWORD> Wait(DWORD timeout_ms);
  DWORD id() const { return info_.dwProcessId; }

 private:
  PROCESS_INFORMATION info_ = {};
};

// Another process's control text (WM_GETTEXT with a time-out).
std::wstring ControlText(HWND control);
// Presses a button of another process as a click would.
void Click(HWND dialog, int id);
// Polls until `predicate` holds or timeout_ms passes.
template <typename Predicate>
bool WaitFor(Predicate predicate, DWORD timeout_ms, DWORD step_ms = 20) {
  for (DWORD waited = 0;; waited += step_ms) {
    if (predicate()) return true;
    if (waited >= timeout_ms) return false;
    Sleep(step_ms);
  }
}
// build/win/screenshots/<name>.png through the helper that runs `import -window root`; when the
// helper is not running (a test started by hand), a BMP of the screen from GDI instead.
void Screenshot(const std::string& name);

}  // namespace window_test
