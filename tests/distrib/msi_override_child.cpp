// Test helper: runs the MSI override as the full installer would, in a child of the test so that
// the parent-process search meets a real parent. Usage: msi_override_child MSI_PATH GUID RESULT
// Writes the output path (or nothing) and then the log messages, one a line, to RESULT (UTF-8);
// exit code 0 when an override was produced, 1 when not, 2 on bad usage.
#include <windows.h>

#include <memory>
#include <string>

#include "base/file_util.h"
#include "base/strings.h"
#include "distrib/msi_override_key.h"
#include "distrib/msi_partner_override_win.h"
#include "logging/log.h"

namespace {

class TextSink : public logging::Sink {
 public:
  explicit TextSink(std::string* text) : text_(text) {}
  void Emit(const logging::Record& record) override {
    *text_ += std::string(record.location) + ": " + record.message + "\n";
  }

 private:
  std::string* text_;
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 4) return 2;
  std::string log;
  logging::InstallSink(std::make_unique<TextSink>(&log));
  std::optional<distrib::PartnerPackageOverride> result =
      distrib::ExtractOverride(argv[1], argv[2], distrib::PartnerOverridePublicKey());
  logging::InstallSink(nullptr);
  std::string text = (result ? base::WideToUtf8(result->path) : std::string()) + "\n" + log;
  if (!base::WriteStringToFile(argv[3], text)) return 2;
  return result ? 0 : 1;
}
