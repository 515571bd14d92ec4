// The elevated copy's delegate: relays the setup's progress to the master's window.
#pragma once

#include "install/installer_delegate.h"

namespace install {

inline constexpr UINT WM_INSTALLER_PROGRESS = WM_APP + 100;
inline constexpr UINT WM_INSTALLER_TIME_LEFT = WM_APP + 101;
inline constexpr int kCancelControlId = 112;

class ProgressRelay : public InstallerDelegate {
 public:
  explicit ProgressRelay(HWND target) : target_(target) {}
  void OnDownloadProgress(float) override {}
  void OnSlowDownload() override {}
  void OnTimeLeft(int seconds, int state) override;
  void OnFinished(int) override {}
  void OnResult(int) override {}
  HWND GetWindow() override { return target_; }
  void SetPercentage(int percentage) override;
  void DropCancel() override;

 private:
  HWND target_;
};

}  // namespace install
