// Obtaining the setup: its temporary file in the work folder, the download with its URL list,
// attempts, resume and back-off, the 64-bit choice, and the report of every attempt. The
// Installer makes one for its run and hands it what it reads and where it reports.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <string>

#include "base/unique_handle.h"
#include "install/arch_selector.h"
#include "install/installer_environment.h"
#include "net/install_statistics.h"

namespace distrib {
class BrandInfo;
class DistribParams;
}  // namespace distrib
namespace net {
class DownloadProgressObserver;
}  // namespace net

namespace install {

// Ceiling of the setup file (real setups are some hundred MiB): a server sending without end
// must not fill the disk.
inline constexpr uint64_t kMaxSetupSize = 1ull << 30;

class SetupDownloader {
 public:
  // brand gives the work folder and the setup URLs, distrib the 64-bit experiment's parameters
  // (either may be null). Attempts end at stop_event; once cancel_count is above 0 they are no
  // longer reported. progress (may be null) hears every transfer.
  SetupDownloader(const InstallerEnvironment& environment, const distrib::BrandInfo* brand,
                  const distrib::DistribParams* distrib, net::InstallStatistics& statistics,
                  const std::atomic<int32_t>& cancel_count, HANDLE stop_event,
                  net::DownloadProgressObserver* progress);
  SetupDownloader(const SetupDownloader&) = delete;
  SetupDownloader& operator=(const SetupDownloader&) = delete;

  // A new temporary file in the work folder; empty (and the error logged) when there is none.
  std::wstring GetModulePath();
  // Stores the setup at path. With permanent_lock the writer is kept there after the download,
  // sharing only reading, so that nothing changes the file before it runs. 0 on success, else
  // the delegate's failure code: the setup was not obtained.
  int DownloadOrExtractModule(const std::wstring& path, base::ScopedFile* permanent_lock);
  // How long the download took, in microseconds (0 when it never began).
  int64_t download_time() const { return download_time_; }

 private:
  int DownloadModule(HANDLE file);
  [[nodiscard]] bool IsVersionedSetupUrlAllowed(const std::string& url) const;
  void ReportAttempt(int attempt, bool success, const std::string& error, uint64_t downloaded,
                     uint64_t total, const std::string& url, const std::wstring& redirect_url);
  void Send(net::StatParams event);

  const InstallerEnvironment& environment_;
  const distrib::BrandInfo* brand_;
  const distrib::DistribParams* distrib_;
  net::InstallStatistics& statistics_;
  const std::atomic<int32_t>& cancel_count_;
  HANDLE stop_event_;
  net::DownloadProgressObserver* progress_;
  ArchSelector arch_;
  int64_t download_time_ = 0;
};

}  // namespace install
