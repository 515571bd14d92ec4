// Test-only program: installs the crash reporter as the installer's start-up does, then crashes.
// The filter that was installed before the reporter ends the process with code 77, which tells
// the test that the hand-off to the previous filter happened.
//   --temp=DIR            temporary directory of this process (where the dump goes)
//   --app-data=DIR        application data folder for the user id file
//   --hkcu=SUBKEY         HKEY_CURRENT_USER is redirected to this subkey of itself
//   --url=URL             crash endpoint (VORLEX_CRASH_URL)
//   --annotations=K=V&... extra annotations
//   --no-dbghelp          the minidump writer's library cannot be loaded
//   --occupy-dump         the dump file already exists before the crash
//   --failing-dump        the minidump writer writes part of the file and fails
//   --on-thread           crash on a second thread while the main thread waits
#include <windows.h>

#include <cstdlib>
#include <string>

#include "base/command_line.h"
#include "base/file_util.h"
#include "base/lazy_import.h"
#include "base/strings.h"
#include "crash/crash_reporter.h"

namespace {

constexpr UINT kPreviousFilterExitCode = 77;

LONG WINAPI PreviousFilter(EXCEPTION_POINTERS*) {
  TerminateProcess(GetCurrentProcess(), kPreviousFilterExitCode);
  return EXCEPTION_EXECUTE_HANDLER;
}

DWORD WINAPI CrashNow(void*) {
  volatile int* nowhere = nullptr;
  *nowhere = 1;
  return 0;
}

base::LazyLibrary g_missing_dbghelp(L"vorlex_no_such_dbghelp.dll");

// Fails as a writer does when the disk fills up: part of the file is written.
BOOL WINAPI FailingWriteDump(HANDLE, DWORD, HANDLE file, int, const void*, const void*, const void*) {
  DWORD written = 0;
  WriteFile(file, "MDMP", 4, &written, nullptr);
  SetLastError(ERROR_DISK_FULL);
  return FALSE;
}

}  // namespace

int main() {
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
  base::CommandLine& command_line = base::CommandLine::ForCurrentProcess();

  std::wstring temp = command_line.GetSwitchValue("temp");
  if (!temp.empty()) {
    SetEnvironmentVariableW(L"TMP", temp.c_str());
    SetEnvironmentVariableW(L"TEMP", temp.c_str());
  }
  std::string url = command_line.GetSwitchValueNarrow("url");
  if (!url.empty()) _putenv(("VORLEX_CRASH_URL=" + url).c_str());
  std::wstring hkcu = command_line.GetSwitchValue("hkcu");
  if (!hkcu.empty()) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, hkcu.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
            ERROR_SUCCESS ||
        RegOverridePredefKey(HKEY_CURRENT_USER, key) != ERROR_SUCCESS)
      return 3;
    RegCloseKey(key);
  }

  SetUnhandledExceptionFilter(PreviousFilter);

  crash::CrashReporterOptions options;
  std::wstring app_data = command_line.GetSwitchValue("app-data");
  if (!app_data.empty()) {
    options.app_data = [app_data](bool, std::wstring* folder) {
      *folder = app_data;
      return true;
    };
  }
  if (command_line.HasSwitch("no-dbghelp")) options.dbghelp = &g_missing_dbghelp;
  if (command_line.HasSwitch("failing-dump")) options.write_dump = reinterpret_cast<void*>(&FailingWriteDump);
  std::unique_ptr<crash::CrashReporter> reporter = crash::CrashReporter::Create(options);
  reporter->SetAnnotation("ptype", "installer");
  for (const std::string& pair : base::Split(command_line.GetSwitchValueNarrow("annotations"), '&')) {
    size_t equals = pair.find('=');
    if (equals != std::string::npos) reporter->SetAnnotation(pair.substr(0, equals), pair.substr(equals + 1));
  }
  if (command_line.HasSwitch("occupy-dump") && !base::WriteStringToFile(reporter->dump_path(), "occupied")) return 4;

  if (command_line.HasSwitch("on-thread")) {
    HANDLE thread = CreateThread(nullptr, 0, CrashNow, nullptr, 0, nullptr);
    if (thread) WaitForSingleObject(thread, INFINITE);
    return 6;  // not reached
  }
  CrashNow(nullptr);
  return 5;  // not reached
}
