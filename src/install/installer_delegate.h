// How the installation flow reports to a user interface: the main window implements it, and in
// the elevated copy a relay posts the same reports to the master's window. Called from the
// installation thread (and the download's progress callbacks).
#pragma once

#include <windows.h>

namespace install {

// Failure codes handed to the delegate (OnResult).
inline constexpr int kFailureGeneral = 1;
inline constexpr int kFailureDownload = 2;
inline constexpr int kFailureCryptoPro = 3;

class InstallerDelegate {
 public:
  virtual ~InstallerDelegate() = default;
  virtual void OnDownloadProgress(float fraction) = 0;  // 0..1
  virtual void OnSlowDownload() = 0;
  virtual void OnTimeLeft(int seconds, int state) = 0;
  virtual void OnFinished(int code) = 0;  // always 1
  virtual void OnResult(int failure_code) = 0;  // 1 general, 2 download failed, 3 CryptoPro conflict
  virtual HWND GetWindow() = 0;
  virtual void SetPercentage(int percentage) = 0;
  virtual void DropCancel() = 0;
};

}  // namespace install
