#include "install/progress_relay_win.h"

#include "base/lazy_import.h"

namespace install {

void ProgressRelay::OnTimeLeft(int seconds, int state) {
  if (auto post = LAZY_IMPORT(base::kUser32, PostMessageW))
    post(target_, WM_INSTALLER_TIME_LEFT, static_cast<WPARAM>(seconds), static_cast<LPARAM>(state));
}

void ProgressRelay::SetPercentage(int percentage) {
  if (auto post = LAZY_IMPORT(base::kUser32, PostMessageW))
    post(target_, WM_INSTALLER_PROGRESS, static_cast<WPARAM>(percentage), 0);
}

void ProgressRelay::DropCancel() {
  // The window is the master's: a plain ShowWindow would wait for its thread to answer, and that
  // thread may itself be waiting (for the installation, or for this copy to end).
  auto get_item = LAZY_IMPORT(base::kUser32, GetDlgItem);
  auto show = LAZY_IMPORT(base::kUser32, ShowWindowAsync);
  if (get_item && show) show(get_item(target_, kCancelControlId), SW_HIDE);
}

}  // namespace install
