// Side data for the browser's first start, fetched one task after the other on a background
// thread while the installer window is shown: variations and ABT seeds, the web new-tab page,
// the server configuration and a wallpaper bundle. Each task writes one output at a path chosen
// in advance; the paths go to the setup whether or not the task finished.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/unique_handle.h"
#include "tasks/task_urls.h"

namespace tasks {


class AsyncInstallTasks {
 public:
  explicit AsyncInstallTasks(const TaskSettings& settings);
  AsyncInstallTasks(const AsyncInstallTasks&) = delete;
  AsyncInstallTasks& operator=(const AsyncInstallTasks&) = delete;
  // Stops and joins the worker, then deletes the vup, abtup and scup outputs.
  ~AsyncInstallTasks();

  const std::wstring& vup_path() const { return vup_path_; }
  const std::wstring& abtup_path() const { return abtup_path_; }
  const std::wstring& webntp_path() const { return webntp_path_; }
  const std::wstring& scup_path() const { return scup_path_; }
  const std::wstring& pwexp_path() const { return pwexp_path_; }
  // Waits for the worker to finish its list (for callers that need the outputs now).
  [[nodiscard]] bool WaitForCompletion(DWORD timeout_ms) const;

 private:
  static DWORD WINAPI ThreadMain(void* self);

  std::wstring vup_path_, abtup_path_, webntp_path_, scup_path_, pwexp_path_;
  base::ScopedHandle thread_;
  base::ScopedHandle stop_event_;
  std::vector<std::function<void(HANDLE stop)>> tasks_;
};

}  // namespace tasks
