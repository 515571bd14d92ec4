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

namespace {
std::wstring Variable(const wchar_t* name) {
  wchar_t buffer[MAX_PATH];
  DWORD length = GetEnvironmentVariableW(name, buffer, MAX_PATH);
  return std::wstring(buffer, length < MAX_PATH ? length : 0);
}
}  // namespace

ScopedTempDirectory::ScopedTempDirectory(const std::wstring& dir)
    : saved_tmp_(Variable(L"TMP")), saved_temp_(Variable(L"TEMP")) {
  std::wstring value = dir + L"\\";
  SetEnvironmentVariableW(L"TMP", value.c_str());
  SetEnvironmentVariableW(L"TEMP", value.c_str());
}

ScopedTempDirectory::~ScopedTempDirectory() {
  SetEnvironmentVariableW(L"TMP", saved_tmp_.c_str());
  SetEnvironmentVariableW(L"TEMP", saved_temp_.c_str());
}

std::optional<DWORD> RunAndWait(const std::wstring& command_line, DWORD timeout_ms) {
  base::Process process = base::Process::Launch(command_line);
  if (!process.valid()) return std::nullopt;
  std::optional<DWORD> code = process.WaitForExit(timeout_ms);
  if (!code) process.Terminate(1);
  return code;
}

}  // namespace test
