// Helpers shared by the Windows test programs.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace test {

// The build directory: every program of the build (installer, tools, tests) lies there.
std::wstring BuildDir();
std::wstring InstallerPath();
// A fresh directory below the temporary directory, removed by the destructor.
class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  const std::wstring& path() const { return path_; }
  std::wstring Child(const std::wstring& name) const;

 private:
  std::wstring path_;
};

// Points TMP and TEMP (and so GetTempPathW, here and in child processes) at a directory for its
// lifetime, then restores them.
class ScopedTempDirectory {
 public:
  explicit ScopedTempDirectory(const std::wstring& dir);
  ~ScopedTempDirectory();

 private:
  std::wstring saved_tmp_, saved_temp_;
};

// Runs a command line and waits; the exit code, or nothing when it could not start or timed out.
std::optional<DWORD> RunAndWait(const std::wstring& command_line, DWORD timeout_ms = 60000);

}  // namespace test
