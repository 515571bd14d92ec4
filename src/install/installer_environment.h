// What one installation takes from the world: the trust check of the setup, the user id, the
// machine, the temporary file, the waits, and what start-up knows (the command line, the window
// scale). The Installer and the parts it runs read it; tests replace parts of it.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "base/command_line.h"
#include "install/arch_selector.h"
#include "net/install_statistics.h"

namespace install {

struct DelayedParams;

struct InstallerEnvironment {
  std::function<bool(const std::wstring& setup_path)> verify_setup;
  net::UserIdFunction user_id;
  MachineFacts machine;
  // Picks and creates the setup's temporary file (base::CreateTemporaryFileIn when empty); tests
  // use it to be the other program (a scanner, a cleaner) that holds the file afterwards.
  std::function<std::wstring(const std::wstring& dir, const std::wstring& prefix)> create_temp_file;
  DWORD download_backoff_ms = 15000;  // between failed download attempts
  DWORD browser_window_poll_ms = 20000;  // checks for the started browser's message window
  // The process's command line (side-file switches, the setup's inherited switches, the UAC
  // mode) and the window scale reported as "dpi"; start-up knows both.
  base::CommandLine command_line;
  double display_scale = 1.0;
  // Where the hand-off to the elevated copy is written; null: this executable's shared record.
  // Tests that play the master from another program write the installer's own.
  DelayedParams* hand_off_record = nullptr;
  static InstallerEnvironment Default(const base::CommandLine& command_line, double display_scale);
};

}  // namespace install
