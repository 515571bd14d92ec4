// Side data for the browser's first start, fetched one task after the other on a background
// thread while the installer window is shown: variations and ABT seeds, the web new-tab page,
// the server configuration and a wallpaper bundle. Each task writes one output at a path chosen
// in advance; the paths go to the setup whether or not the task finished. The thread exists from
// construction but starts its first task on Begin: the installation begins it, so the transfers
// (and the network libraries they load) do not compete with the first screen.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/unique_handle.h"
#include "tasks/task_urls.h"

namespace tasks {

// How long destruction waits for the worker after asking it to stop: a transfer ends at its next
// block or within the background time-out (net::kBackgroundTimeoutMs) of a silent server. A
// worker still busy then is left to end on its own: the tasks it works on are left to it (not
// freed), and the process's end does not wait for it.
inline constexpr DWORD kTasksStopWaitMs = 6000;
// Ceiling of the server configuration and wallpaper bundles, which go to files (real ones are a
// few MiB): a server sending without end must not fill the disk.
inline constexpr uint64_t kMaxBundleSize = 256ull * 1024 * 1024;

class AsyncInstallTasks {
 public:
  explicit AsyncInstallTasks(const TaskSettings& settings);
  AsyncInstallTasks(const AsyncInstallTasks&) = delete;
  AsyncInstallTasks& operator=(const AsyncInstallTasks&) = delete;
  // Stops the worker and waits for it (kTasksStopWaitMs at most), then deletes the vup, abtup
  // and scup outputs.
  ~AsyncInstallTasks();

  // Lets the worker start its tasks.
  void Begin();
  // Asks the worker to stop (the transfer in progress ends at its next block, a worker not yet
  // begun ends without running a task); no wait.
  void Stop();

  const std::wstring& vup_path() const { return vup_path_; }
  const std::wstring& abtup_path() const { return abtup_path_; }
  const std::wstring& webntp_path() const { return webntp_path_; }
  const std::wstring& scup_path() const { return scup_path_; }
  const std::wstring& pwexp_path() const { return pwexp_path_; }
  // Waits for the worker to finish its list (for callers that need the outputs now).
  [[nodiscard]] bool WaitForCompletion(DWORD timeout_ms) const;

 private:
  // What the worker works on; freed with the tasks unless the worker outlives them.
  struct Work {
    base::ScopedHandle stop_event;
    base::ScopedHandle begin_event;
    std::vector<std::function<void(HANDLE stop)>> tasks;
  };
  static DWORD WINAPI ThreadMain(void* work);

  std::wstring vup_path_, abtup_path_, webntp_path_, scup_path_, pwexp_path_;
  base::ScopedHandle thread_;
  std::unique_ptr<Work> work_;
};

}  // namespace tasks
