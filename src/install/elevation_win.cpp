#include "install/elevation.h"

#include <shellapi.h>
#include <shlobj.h>

#include <vector>

#include "base/file_util.h"
#include "base/lazy_import.h"
#include "base/os_version.h"
#include "base/registry.h"
#include "base/strings.h"
#include "base/unique_handle.h"
#include "install/progress_relay_win.h"
#include "install/setup_launch.h"
#include "logging/log.h"
#include "install/delayed_params.h"
#include "install/elevated_paths.h"
#include "install/exit_codes.h"
#include "trust/trust_verifier.h"

namespace install {

namespace {

// Non-install switches belong to the setup; with any of them the installer never elevates.
constexpr const char* kNonInstallSwitches[] = {
    "update-setup-exe", "show-eula", "configure-user-settings", "register-dev-tessel",
    "register-browser-browser", "rename-browser-exe", "on-os-upgrade", "fake-rename-vorlex-internet",
    "patch", "reenable-autoupdates", "simulate-crash", "delete-old-versions", "set-as-default-browser",
    "set-as-default-browser-dll", "pttw1", "pwattw1", "pttw0"};

bool GetProcessToken(HANDLE process, base::ScopedHandle* token) {
  auto open_token = LAZY_IMPORT(base::kAdvapi32, OpenProcessToken);
  HANDLE raw = nullptr;
  if (!open_token || !open_token(process, TOKEN_QUERY, &raw)) {
    PLOG(ERROR) << "OpenProcessToken fail";
    return false;
  }
  token->reset(raw);
  return true;
}

bool GetTokenInfo(HANDLE token, std::vector<BYTE>* groups) {
  auto get_info = LAZY_IMPORT(base::kAdvapi32, GetTokenInformation);
  DWORD size = 0;
  if (get_info) get_info(token, TokenGroups, nullptr, 0, &size);
  groups->assign(size, 0);
  if (!get_info || size == 0 || !get_info(token, TokenGroups, groups->data(), size, &size)) {
    PLOG(ERROR) << "GetTokenInformation failed";
    return false;
  }
  return true;
}

HWND CreateOwnerWindow() {
  auto create = LAZY_IMPORT(base::kUser32, CreateWindowExW);
  if (!create) return nullptr;
  HWND window = create(WS_EX_TOOLWINDOW, L"STATIC", nullptr, WS_POPUP | WS_VISIBLE, 0, 0, 0, 0, nullptr, nullptr,
                       GetModuleHandleW(nullptr), nullptr);
  if (!window) return nullptr;
  auto monitor_from = LAZY_IMPORT(base::kUser32, MonitorFromWindow);
  auto monitor_info = LAZY_IMPORT(base::kUser32, GetMonitorInfoW);
  auto move = LAZY_IMPORT(base::kUser32, MoveWindow);
  MONITORINFO info = {};
  info.cbSize = sizeof(info);
  if (monitor_from && monitor_info && move) {
    if (HMONITOR monitor = monitor_from(window, MONITOR_DEFAULTTONEAREST); monitor && monitor_info(monitor, &info)) {
      const RECT& work = info.rcWork;
      move(window, (work.left + work.right) / 2, (work.top + work.bottom) / 2, 0, 0, FALSE);
    }
  }
  if (auto foreground = LAZY_IMPORT(base::kUser32, SetForegroundWindow)) foreground(window);
  return window;
}

// Where an open file or directory really is: its final path as a plain local path, empty when it
// is on no local drive (or the system cannot say).
std::wstring LocalFinalPath(HANDLE file) {
  wchar_t buffer[MAX_PATH + 8];
  DWORD length = GetFinalPathNameByHandleW(file, buffer, MAX_PATH + 8, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
  if (length == 0 || length >= MAX_PATH + 8) return {};
  return LocalFromFinalPath(std::wstring_view(buffer, length));
}

// The master's work folder as this copy finds it: the user's temporary directory, by its final
// path (GetTempPathW may give a short or differently spelt form of the same directory).
std::wstring WorkFolderFinalPath() {
  std::wstring temp = base::GetTempDir();
  if (temp.empty()) return {};
  base::ScopedFile folder(CreateFileW(temp.c_str(), FILE_READ_ATTRIBUTES,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  return folder ? LocalFinalPath(folder.get()) : std::wstring();
}

// A side file of the record that may go to the setup: an existing local file inside the work
// folder, wherever links inside it would lead.
bool IsSideFileInWorkFolder(const char* name, const std::wstring& path, const std::wstring& work_folder) {
  std::wstring final_path;
  if (IsAbsoluteLocalPath(path)) {
    base::ScopedFile file(CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file) final_path = LocalFinalPath(file.get());
  }
  if (!final_path.empty() && IsInsideDirectory(final_path, work_folder)) return true;
  LOG_AT(WARNING, "ExecuteAsAdmin") << "Dropped " << name << ", not a file in the work folder: " << path;
  return false;
}

}  // namespace

ElevationFacts ElevationFacts::Current() {
  ElevationFacts facts;
  facts.in_admin_group = IsUserAnAdminGroup(GetCurrentProcess());
  facts.windows_version = base::GetWindowsVersion();
  auto is_admin = LAZY_IMPORT(base::kShell32, IsUserAnAdmin);
  facts.is_user_an_admin = is_admin && is_admin();
  return facts;
}

bool NeedStartThisProcessAsAdmin(const base::CommandLine& command_line, const ElevationFacts& facts) {
  if (!facts.in_admin_group) {
    LOG(INFO) << "User is not in admin group.";
    return false;
  }
  if (facts.windows_version <= base::kVersionServer2003) {
    LOG(INFO) << "Windows version is not suitable for elevated restart.";
    return false;
  }
  for (const char* name : kNonInstallSwitches) {
    if (command_line.HasSwitch(name)) {
      LOG(INFO) << "Found non install-switch:" << name;
      return false;
    }
  }
  if (command_line.HasSwitch("run-as-admin")) {
    LOG(INFO) << "Run-as-admin functionality is already enabled.";
    return false;
  }
  if (command_line.HasSwitch("silent") && !command_line.HasSwitch("uac-enabled") && !facts.is_user_an_admin) {
    LOG(INFO) << "Elevated run is necessary but silent instalation is requested - UAC will not be shown.";
    return false;
  }
  return true;
}

bool IsUserAnAdminGroup(HANDLE process) {
  base::ScopedHandle token;
  if (!GetProcessToken(process, &token)) return false;
  BYTE sid[68];
  DWORD sid_size = sizeof(sid);
  auto create_sid = LAZY_IMPORT(base::kAdvapi32, CreateWellKnownSid);
  if (!create_sid || !create_sid(WinBuiltinAdministratorsSid, nullptr, sid, &sid_size)) {
    PLOG(ERROR) << "CreateWellKnownSid failed";
    return false;
  }
  std::vector<BYTE> buffer;
  if (!GetTokenInfo(token.get(), &buffer)) return false;
  auto equal_sid = LAZY_IMPORT(base::kAdvapi32, EqualSid);
  if (!equal_sid) return false;
  const auto* groups = reinterpret_cast<const TOKEN_GROUPS*>(buffer.data());
  for (DWORD i = 0; i < groups->GroupCount; ++i)
    if (equal_sid(groups->Groups[i].Sid, sid)) return true;
  return false;
}

bool AreUACNotificationsEnabled() {
  const wchar_t kKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\System";
  base::RegistryKey key = base::RegistryKey::Open(HKEY_LOCAL_MACHINE, kKey, KEY_READ);
  DWORD value = key.valid() ? key.ReadDword(L"ConsentPromptBehaviorAdmin").value_or(0) : 0;
  LOG(INFO) << "Read HKEY_LOCAL_MACHINE\\" << kKey << "\\" << "ConsentPromptBehaviorAdmin" << " which is "
            << "\"" << value << "\"";
  return value != 0;
}

ElevatedInstaller::ElevatedInstaller(DWORD hang_timeout_ms)
    : go_event_(CreateEventA(nullptr, FALSE, FALSE, kGoEventName)),
      stop_event_(CreateEventA(nullptr, FALSE, FALSE, kElevatedStopEventName)),
      hang_timeout_ms_(hang_timeout_ms) {}

ElevatedInstaller::~ElevatedInstaller() {
  if (process_) {
    if (!go_sent_) SetEvent(stop_event_.get());
    EnsureProcessFinished();
  } else {
    go_event_.reset();
    stop_event_.reset();
    DestroyOwnerWindow();
  }
}

void ElevatedInstaller::Attach(base::ScopedHandle process, HWND owner_window) {
  process_ = std::move(process);
  owner_window_.reset(owner_window);
}

void ElevatedInstaller::DestroyOwnerWindow() {
  // The installation worker is usually the one that lets go of the elevated copy: the window's
  // owner asks the window's own thread to close it then.
  owner_window_.reset();
}

bool ElevatedInstaller::RunModule(HANDLE stop) {
  go_sent_ = true;
  SetEvent(go_event_.get());
  HANDLE handles[] = {stop, process_.get()};
  DWORD wait = WaitForMultipleObjects(2, handles, FALSE, INFINITE);
  if (wait == WAIT_OBJECT_0) {
    // The setup itself usually brings the stop: it asks the window to close just before it exits,
    // so the copy is often about to end with its result. It gets the time it would be given before
    // being terminated anyway (EnsureProcessFinished does not wait again).
    if (WaitForSingleObject(process_.get(), hang_timeout_ms_) == WAIT_OBJECT_0) {
      wait = WAIT_OBJECT_0 + 1;
    } else {
      waited_out_ = true;
      PLOG(ERROR) << "The elevated installer was terminated due to stop event.";
    }
  }
  if (wait != WAIT_OBJECT_0 + 1) return false;
  if (!GetExitCodeProcess(process_.get(), &exit_code_)) PLOG(ERROR) << "Failed to get exit code of the elevated installer.";
  return exit_code_ == 0;
}

void ElevatedInstaller::EnsureProcessFinished() {
  if (process_ && WaitForSingleObject(process_.get(), waited_out_ ? 0 : hang_timeout_ms_) == WAIT_TIMEOUT) {
    hung_ = true;
    PLOG(ERROR) << "The elevated installer hangs and must be forcibly terminated.";
    TerminateProcess(process_.get(), 0);
  }
  process_.reset();
  go_event_.reset();
  stop_event_.reset();
  DestroyOwnerWindow();
}

std::unique_ptr<ElevatedInstaller> StartElevatedInstaller(const base::CommandLine& command_line,
                                                          const base::CommandLine& setup_command_line,
                                                          bool* declined) {
  base::CommandLine cmd = command_line;
  cmd.AppendSwitch("run-as-admin");
  cmd.AppendSwitch("parent-installer-process-id", base::NumberToWide(GetCurrentProcessId()));
  cmd.AppendSwitch("setup-cmd-line", setup_command_line.Render());
  base::ScopedAnyThreadWindow owner(CreateOwnerWindow());
  auto elevated = std::make_unique<ElevatedInstaller>();

  std::wstring program = cmd.GetProgram();
  std::wstring arguments = cmd.RenderArguments();
  SHELLEXECUTEINFOW info = {};
  info.cbSize = sizeof(info);
  info.fMask = SEE_MASK_NOCLOSEPROCESS;
  info.hwnd = owner.get();
  info.lpVerb = L"runas";
  info.lpFile = program.c_str();
  info.lpParameters = arguments.c_str();
  info.nShow = SW_SHOW;
  auto execute = LAZY_IMPORT(base::kShell32, ShellExecuteExW);
  if (execute && execute(&info) && info.hProcess) {
    elevated->Attach(base::ScopedHandle(info.hProcess), owner.release());
    return elevated;
  }
  elevated.reset();
  if (reinterpret_cast<INT_PTR>(info.hInstApp) == SE_ERR_ACCESSDENIED) *declined = true;
  owner.reset();
  return nullptr;
}

int RunElevatedChild(const base::CommandLine& command_line, const ElevatedChildOptions& options) {
  std::wstring text = command_line.GetSwitchValue("setup-cmd-line");
  std::wstring parent_text = command_line.GetSwitchValue("parent-installer-process-id");
  std::optional<uint32_t> parent_id = base::ParseUint32(parent_text);
  if (!parent_id) PLOG_AT(ERROR, "ExecuteAsAdmin") << "Suspicious process id=" << parent_text;
  base::ScopedHandle parent(OpenProcess(SYNCHRONIZE, TRUE, parent_id.value_or(0)));
  LOG_AT(INFO, "ExecuteAsAdmin") << "Start installer as admin";
  base::CommandLine setup = base::CommandLine::FromString(text);
  base::ScopedHandle go(OpenEventA(SYNCHRONIZE, FALSE, kGoEventName));
  base::ScopedHandle stop(OpenEventA(SYNCHRONIZE, FALSE, kElevatedStopEventName));

  // Failed opens stay null: the wait then fails, which ends the child like a stop.
  HANDLE handles[] = {go.get(), stop.get(), parent.get()};
  DWORD count = parent ? 3 : 2;
  DWORD wait = WaitForMultipleObjects(count, handles, FALSE, parent ? INFINITE : options.orphaned_wait_ms);
  if (wait != WAIT_OBJECT_0) {
    PLOG_AT(ERROR, "ExecuteAsAdmin") << "Installer started as admin has been unexpectedly synced, wr=" << wait;
    return kExitChildFailed;
  }
  const std::wstring work_folder = WorkFolderFinalPath();
  CompleteSetupCommandLine(*SharedDelayedParams(), &setup, [&](const char* name, const std::wstring& side_path) {
    return IsSideFileInWorkFolder(name, side_path, work_folder);
  });
  std::wstring path = setup.GetProgram();
  // The loader would search for a relative name (the program's own folder first) and append
  // ".exe" to a name without an extension: neither is the file checked here.
  if (!IsAbsoluteLocalPath(path) || !HasFileExtension(path)) {
    LOG_AT(ERROR, "ExecuteAsAdmin") << "Refused setup path: " << path;
    return kExitChildVerificationFailed;
  }
  if (!base::PathExists(path)) {
    PLOG_AT(ERROR, "ExecuteAsAdmin") << "Browser archive " << path << " does not exist";
    return kExitChildFailed;
  }
  // Any process of this user that maps the executable can write the shared record, so the path
  // is trusted only after this process holds the file against writers and checked it itself:
  // the held file's final path must lie inside the work folder (links and short names resolved),
  // the check reads it through the handle, and that final path is what starts (the handle,
  // which shares no delete access, keeps the file from being renamed or replaced meanwhile).
  base::ScopedFile lock(
      CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!lock) {
    PLOG_AT(ERROR, "ExecuteAsAdmin") << "Cannot lock file: " << path;
    return kExitChildVerificationFailed;
  }
  const std::wstring final_path = LocalFinalPath(lock.get());
  if (!IsInsideDirectory(final_path, work_folder)) {
    LOG_AT(ERROR, "ExecuteAsAdmin") << "Setup is not in the work folder: " << path;
    return kExitChildVerificationFailed;
  }
  if (!trust::VerifySetupModule(final_path, false, lock.get())) {
    PLOG_AT(ERROR, "ExecuteAsAdmin") << "Module verification failed: " << path;
    return kExitChildVerificationFailed;
  }
  HWND window = reinterpret_cast<HWND>(
      static_cast<uintptr_t>(base::ParseUint64(setup.GetSwitchValue("progress-window")).value_or(0)));
  ProgressRelay relay(window);
  int result_code = kExitNotFinished;
  bool ok = RunModuleAndWait(final_path, setup, &relay, &result_code);
  LOG_AT(INFO, "ExecuteAsAdmin") << "RunModule results: success=" << ok;
  return ok ? kExitChildSucceeded : kExitChildFailed;
}

}  // namespace install
