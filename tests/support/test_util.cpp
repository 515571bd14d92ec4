#include "support/test_util.h"

#include "base/file_path.h"
#include "base/file_util.h"
#include "base/process.h"

namespace test {

std::wstring BuildDir() { return base::DirName(base::GetExecutablePath()); }

std::wstring InstallerPath() { return base::AppendPath(BuildDir(), L"lite_installer.exe"); }

ScratchDir::ScratchDir() : path_(base::CreateUniqueDirectory(base::GetTempDir(), L"vtest")) {}

ScratchDir::~ScratchDir() {
  if (!path_.empty()) (void)base::DeleteRecursive(path_);
}

std::wstring ScratchDir::Child(const std::wstring& name) const { return base::AppendPath(path_, name); }

std::optional<DWORD> RunAndWait(const std::wstring& command_line, DWORD timeout_ms) {
  base::Process process = base::Process::Launch(command_line);
  if (!process.valid()) return std::nullopt;
  std::optional<DWORD> code = process.WaitForExit(timeout_ms);
  if (!code) process.Terminate(1);
  return code;
}

}  // namespace test
