#include "install/setup_launch.h"

#include <windows.h>

#include <vector>

#include "base/file_util.h"
#include "base/lazy_import.h"
#include "base/os_version.h"
#include "base/process.h"
#include "base/registry.h"
#include "base/unique_handle.h"
#include "install/installer_delegate.h"
#include "logging/log.h"
#include "install/exit_codes.h"

namespace install {

bool RunModuleAndWait(const std::wstring& setup_path, const base::CommandLine& command_line,
                      InstallerDelegate* delegate, int* result_code) {
  base::CommandLine line = command_line;
  line.SetProgram(setup_path);
  line.AppendSwitch("source", L"lite");
  std::wstring text = line.Render();
  LOG(INFO) << "Run: " << text;
  *result_code = kExitNotFinished;

  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info = {};
  std::vector<wchar_t> buffer(text.begin(), text.end());
  buffer.push_back(L'\0');
  // The program is named on its own: the file that was checked runs, without a search of the
  // program's folder, the current directory or the path, and without ".exe" appended.
  if (!CreateProcessW(setup_path.c_str(), buffer.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                      nullptr, &startup, &info)) {
    PLOG(ERROR) << "Create process failed.";
    return false;
  }
  base::ScopedHandle process(info.hProcess);
  base::ScopedHandle thread(info.hThread);
  LOG(INFO) << "Process created: " << info.dwProcessId;
  if (delegate) {
    delegate->SetPercentage(40);
    delegate->DropCancel();
  }
  thread.reset();

  LOG(INFO) << "Wait for process finish.";
  if (WaitForSingleObject(process.get(), INFINITE) != WAIT_OBJECT_0) {
    PLOG(ERROR) << "Wait process failed.";
    return false;
  }
  DWORD exit_code = 0;
  bool obtained = GetExitCodeProcess(process.get(), &exit_code) != 0;
  if (obtained) {
    *result_code = static_cast<int>(exit_code);
  } else {
    PLOG(ERROR) << "Get setup process exit code failed.";
  }
  LOG(INFO) << "Setup process exit with code: " << ExitCodeName(static_cast<uint32_t>(*result_code));
  return obtained;
}

SystemBuild CurrentSystemBuild() {
  SystemBuild system;
  system.version = base::GetWindowsVersion();
  using RtlGetVersionFn = LONG WINAPI(OSVERSIONINFOW*);
  auto rtl_get_version = LAZY_IMPORT_AS(base::kNtdll, RtlGetVersionFn, "RtlGetVersion");
  OSVERSIONINFOW info = {};
  info.dwOSVersionInfoSize = sizeof(info);
  if (rtl_get_version && rtl_get_version(&info) == 0) system.build = info.dwBuildNumber;
  base::RegistryKey key = base::RegistryKey::Open(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion",
                                                  KEY_QUERY_VALUE | KEY_WOW64_64KEY);
  if (key.valid()) system.revision = key.ReadDword(L"UBR").value_or(0);
  return system;
}

int64_t InterfaceAvailabilityCode(int state, uint32_t build, uint32_t revision) {
  return static_cast<int64_t>(state) * 1000000000 + (build < 29497 ? static_cast<int64_t>(build) * 10000 : 0) +
         (revision < 7296 ? revision : 0);
}

bool IsInternalInterfaceAvailableSafeCheck(const SystemBuild& system, const std::wstring& installer_exe,
                                           int64_t* code) {
  if (system.version < base::kVersionWin10) return false;
  int state = 0;
  // Every return below records the code with the state reached.
  struct Recorder {
    const SystemBuild& system;
    int& state;
    int64_t* code;
    ~Recorder() { *code = InterfaceAvailabilityCode(state, system.build, system.revision); }
  } recorder{system, state, code};

  if (system.build > 17703 || (system.build == 17134 && system.revision > 318)) return true;
  const char kFailure[] = "Failed to check Win10 internal interface availability";
  if (installer_exe.empty() || !base::PathExists(installer_exe)) {
    PLOG(ERROR) << kFailure << ": " << "can't get installer exe path.";
    state = 4;
    return false;
  }
  base::CommandLine probe;
  probe.SetProgram(installer_exe);
  probe.AppendSwitch("check-the-interface");
  base::Process child = base::Process::Launch(probe.Render());
  if (!child.valid()) {
    PLOG(ERROR) << kFailure << ": " << "can't run installer: " << probe.Render();
    state = 4;
    return false;
  }
  std::optional<DWORD> exit_code = child.WaitForExit(3000);
  if (!exit_code) {
    child.Terminate(22);
    PLOG(ERROR) << kFailure << "," << " installer was terminated by timeout.";
    state = 3;
    return false;
  }
  int32_t ret = static_cast<int32_t>(*exit_code);
  if (ret < 0) {
    PLOG(ERROR) << kFailure << "," << " ret code: " << ret << ", installer crashed";
    state = 1;
    return false;
  }
  if (ret != kExitInterfaceAvailable && ret != kExitInterfaceUnavailable) {
    PLOG(ERROR) << kFailure << ", unknown ret code: " << ret;
    state = 4;
    return false;
  }
  bool available = ret == kExitInterfaceAvailable;
  state = available ? 0 : 2;
  LOG(INFO) << "Successfuly checked Win10 internal interface availability: " << "availability: " << (available ? 1 : 0);
  return available;
}

}  // namespace install
