// Elevation through UAC: whether to start an elevated copy, the elevated copy's process and
// hand-off events on the master's side, and the elevated child's own branch of start-up (which
// start-up calls for "run-as-admin"). Both the window and the installation start the copy, so it
// lives here, below them.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>

#include "base/command_line.h"
#include "base/unique_handle.h"
#include "install/exit_codes.h"

namespace install {

inline constexpr char kGoEventName[] = "0c0f0f0d-6434-4cfd-a5e9-23e9ca4d94b6";
inline constexpr char kElevatedStopEventName[] = "fef32d6d-67e9-4654-b314-6c72098ff5d1";

// What the elevation decision needs to know about the user and the system.
struct ElevationFacts {
  bool in_admin_group = false;  // the Administrators SID is in the token's groups
  int windows_version = 0;
  bool is_user_an_admin = false;  // IsUserAnAdmin: already elevated, or UAC off
  static ElevationFacts Current();
};

[[nodiscard]] bool NeedStartThisProcessAsAdmin(const base::CommandLine& command_line, const ElevationFacts& facts);
bool IsUserAnAdminGroup(HANDLE process);
[[nodiscard]] bool AreUACNotificationsEnabled();

// The master's side of one elevated copy.
class ElevatedInstaller {
 public:
  // Creates the two named events. hang_timeout_ms: how long a copy that was told to stop may
  // take before it is terminated.
  explicit ElevatedInstaller(DWORD hang_timeout_ms = 30000);
  ElevatedInstaller(const ElevatedInstaller&) = delete;
  ElevatedInstaller& operator=(const ElevatedInstaller&) = delete;
  // With a process that never got "go", tells it to give up first; then EnsureProcessFinished.
  ~ElevatedInstaller();

  // Takes over the process and the owner window (null: none).
  void Attach(base::ScopedHandle process, HWND owner_window);
  [[nodiscard]] bool has_process() const { return process_.valid(); }
  // Sends "go" and waits for the copy to end; true when it exited with 0. After stop the copy
  // still has the hang time-out to end in (its result then counts), and no more.
  [[nodiscard]] bool RunModule(HANDLE stop);
  // Waits up to 30 s for the copy (not again when RunModule already did), terminates it if it
  // hangs, and releases everything.
  void EnsureProcessFinished();
  [[nodiscard]] bool hung() const { return hung_; }
  DWORD exit_code() const { return exit_code_; }
  // The copy ended because the setup it was to run failed its own trust check.
  [[nodiscard]] bool verification_failed() const { return exit_code_ == static_cast<DWORD>(kExitChildVerificationFailed); }

 private:
  void DestroyOwnerWindow();

  base::ScopedHandle process_;
  // Usually let go of by the installation worker, not the thread that made it.
  base::ScopedAnyThreadWindow owner_window_;
  base::ScopedHandle go_event_;
  base::ScopedHandle stop_event_;
  bool go_sent_ = false;
  bool hung_ = false;
  bool waited_out_ = false;  // RunModule waited the hang time-out after stop
  DWORD exit_code_ = 0xFFFFFFFF;
  DWORD hang_timeout_ms_;
};

// Starts the elevated copy of this program with ShellExecuteExW "runas" (the prompt is anchored
// to a small owner window): the process's command line plus "run-as-admin", the master's id and
// the early setup command line. Null when it did not start; *declined is set when the user
// refused the prompt.
std::unique_ptr<ElevatedInstaller> StartElevatedInstaller(const base::CommandLine& command_line,
                                                          const base::CommandLine& setup_command_line,
                                                          bool* declined);

// How long a child that could not open its master's process waits for "go" or stop. With the
// process the wait ends when the master does; without it nothing would ever end a wait whose
// master is gone. A master that cannot be opened is almost always gone already (or its id was
// not a number), but a live one may still be downloading and waiting for the user to press
// Install, so the bound leaves an hour for that.
inline constexpr DWORD kOrphanedChildWaitMs = 60 * 60 * 1000;

struct ElevatedChildOptions {
  DWORD orphaned_wait_ms = kOrphanedChildWaitMs;
};

// The elevated child's branch of start-up: waits for "go", runs the setup completed from the
// shared record and relays progress to the master's window. 0 when the setup's exit code was
// obtained, kExitChildVerificationFailed when the setup failed the trust check, else -1.
int RunElevatedChild(const base::CommandLine& command_line, const ElevatedChildOptions& options = {});

}  // namespace install
