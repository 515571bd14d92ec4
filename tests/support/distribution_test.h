// A fixture for runs of a real installer executable against the loopback distribution server:
// every service under the test's own path prefix, the stand-in setup's record in a scratch folder,
// and a temporary directory of its own (where the installer writes its log and side files).
#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "base/file_path.h"
#include "base/file_util.h"
#include "install/stat_events.h"
#include "support/loopback.h"
#include "support/test_util.h"

namespace test {

class DistributionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(server_.ok());
    prefix_ = UniquePathPrefix();
    record_ = scratch_.Child(L"setup_record.json");
    temp_ = scratch_.Child(L"temp");
    ASSERT_TRUE(base::CreateDirectoryRecursive(temp_));
    // Every service on the loopback server, under this test's prefix; the installer inherits it.
    server_.ExportEnvironment();
    for (const char* service : {"CDN", "STATISTICS", "REPORT", "VARIATIONS", "ABT", "WEBNTP"})
      Env(std::string("VORLEX_") + service + "_URL", server_.Origin() + prefix_);
    Env("VORLEX_STAND_IN_RECORD", base::WideToUtf8(record_));
    temp_environment_.emplace(temp_);
    ASSERT_TRUE(server_.AddRule(R"({"path": ")" + prefix_ + R"(/installstats/", "status": 200, "body": "ok"})"));
    ASSERT_TRUE(server_.AddRule(R"({"path": ")" + prefix_ + R"(/get/browser/install", "status": 200, "body": "ok"})"));
  }
  void TearDown() override {
    temp_environment_.reset();
    for (const std::string& name : set_) _putenv((name + "=").c_str());
  }
  // An environment variable of this process (and so of the installer), removed after the test.
  void Env(const std::string& name, const std::string& value) {
    _putenv((name + "=" + value).c_str());
    set_.push_back(name);
  }
  // Serves a file of the build folder where the brand's default setup URL points.
  bool ServeSetup(const wchar_t* build_file) {
    auto bytes = base::ReadFileToString(base::AppendPath(BuildDir(), build_file));
    return bytes && server_.PutFile(prefix_.substr(1) + "/browser/vorlex/browser-setup.arc", *bytes);
  }
  std::optional<DWORD> Run(const std::wstring& program, const std::wstring& arguments) {
    return RunAndWait(L"\"" + program + L"\" " + arguments, 120000);
  }
  std::vector<std::string> Events() { return install_test::StatEvents(server_.Requests(prefix_ + "/installstats/")); }
  std::string Log() { return base::ReadFileToString(base::AppendPath(temp_, L"lite_installer.log")).value_or(""); }

  Loopback server_ = Loopback::Server();
  ScratchDir scratch_;
  std::string prefix_;
  std::wstring record_, temp_;
  std::optional<ScopedTempDirectory> temp_environment_;
  std::vector<std::string> set_;
};

}  // namespace test
