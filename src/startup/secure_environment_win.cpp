#include "startup/secure_environment.h"

#include <windows.h>

#include "base/file_path.h"
#include "base/file_util.h"
#include "base/lazy_import.h"
#include "base/process.h"

namespace startup {

SecureEnvironmentState SecureEnvironmentCheck(int* exit_code) {
  *exit_code = 0;
  SetDllDirectoryW(L"");
  // Both are missing on a Windows 7 without KB2533623.
  using SetSearchPathModeFn = BOOL WINAPI(DWORD);
  using SetDefaultDllDirectoriesFn = BOOL WINAPI(DWORD);
  auto set_search_path_mode = LAZY_IMPORT_AS(base::kKernel32, SetSearchPathModeFn, "SetSearchPathMode");
  auto set_default_dll_directories =
      LAZY_IMPORT_AS(base::kKernel32, SetDefaultDllDirectoriesFn, "SetDefaultDllDirectories");
  if (set_search_path_mode && set_default_dll_directories) {
    // BASE_SEARCH_PATH_ENABLE_SAFE_SEARCHMODE | BASE_SEARCH_PATH_PERMANENT
    if (!set_search_path_mode(0x8001)) return kEnvironmentUnavailable;
    // LOAD_LIBRARY_SEARCH_SYSTEM32
    if (!set_default_dll_directories(0x800)) return kEnvironmentUnavailable;
    return kEnvironmentSecure;
  }
  SetDllDirectoryW(L"");
  return LegacySecureEnvironmentCheck(base::CommandLine::ForCurrentProcess(), base::GetExecutablePath(),
                                      exit_code);
}

SecureEnvironmentState LegacySecureEnvironmentCheck(const base::CommandLine& command_line,
                                                    const std::wstring& executable, int* exit_code) {
  *exit_code = 0;
  if (command_line.HasSwitch("run-as-admin") || command_line.HasSwitch("spawned_in_protected_dir")) {
    bool dlls = !base::EnumerateFiles(base::DirName(executable), L"*.dll").empty();
    return dlls ? kEnvironmentDllsBeside : kEnvironmentSecure;
  }
  std::wstring dir = base::CreateUniqueDirectory(base::GetTempDir());
  if (dir.empty()) return kEnvironmentUnavailable;
  std::wstring copy = base::AppendPath(dir, base::BaseName(executable));
  if (executable.empty() || !base::CopyFileTo(executable, copy)) {
    (void)base::DeleteRecursive(dir);
    return kEnvironmentUnavailable;
  }
  (void)base::ScheduleDeleteAtReboot(copy);
  (void)base::ScheduleDeleteAtReboot(dir);

  base::CommandLine relaunch = command_line;
  relaunch.SetProgram(copy);
  relaunch.AppendSwitch("spawned_in_protected_dir");
  base::Process process = base::Process::Launch(relaunch.Render());
  if (!process.valid()) {
    (void)base::DeleteRecursive(dir);
    return kEnvironmentUnavailable;
  }
  SecureEnvironmentState state = kEnvironmentInsecure;
  if (std::optional<DWORD> code = process.WaitForExit()) {
    *exit_code = static_cast<int>(*code);
    state = *exit_code == -200 ? kEnvironmentInsecure : kEnvironmentCopyRan;
  }
  (void)base::DeleteRecursive(dir);
  return state;
}

}  // namespace startup
