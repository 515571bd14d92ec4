#include "install/delayed_params.h"

#include <cstring>

#include "logging/log.h"

namespace install {

namespace {

template <size_t N>
void CopyText(const std::wstring& text, char16_t (&field)[N]) {
  size_t i = 0;
  for (; i < text.size() && i + 1 < N; ++i) field[i] = static_cast<char16_t>(text[i]);
  field[i] = 0;
}

template <size_t N>
std::wstring ReadText(const char16_t (&field)[N]) {
  std::wstring text;
  for (size_t i = 0; i < N && field[i]; ++i) text += static_cast<wchar_t>(field[i]);
  return text;
}

// A time text worth passing on: empty ones are left out silently, anything but digits with a line.
bool IsDecimal(const std::wstring& text, const char* name) {
  if (text.empty()) return false;
  for (wchar_t c : text) {
    if (c < L'0' || c > L'9') {
      LOG(WARNING) << "Dropped " << name << ", not a number: " << text;
      return false;
    }
  }
  return true;
}

}  // namespace

bool WriteDelayedParams(const DelayedValues& v, DelayedParams* record) {
  const std::wstring* paths[] = {&v.browser_arc_path,   &v.clids_file_path,           &v.clids_searchband_file_path,
                                 &v.vorlex_website_icon_file_path, &v.installer_data_path, &v.brand_package_path,
                                 &v.partner_package_path, &v.partner_package_override_path};
  bool fits = v.histogram_download_time.size() < kDelayedTimeUnits && v.histogram_full_time.size() < kDelayedTimeUnits;
  for (const std::wstring* path : paths) fits = fits && path->size() < kDelayedPathUnits;
  if (!fits) {
    PLOG(ERROR) << "Too large string length," << " browser_arc_path=" << v.browser_arc_path
                << " clids_file_path=" << v.clids_file_path
                << " clids_searchband_file_path=" << v.clids_searchband_file_path
                << " vorlex_website_icon_file_path=" << v.vorlex_website_icon_file_path
                << " installer_data_path=" << v.installer_data_path << " brand_package_path=" << v.brand_package_path
                << " partner_package_path=" << v.partner_package_path
                << " partner_package_override_path=" << v.partner_package_override_path
                << " histogram_download_time=" << v.histogram_download_time
                << " histogram_full_time=" << v.histogram_full_time << " send_statistics=" << v.send_statistics
                << " make_default=" << v.make_default << " create_omrix_shortcut=" << v.create_omrix_shortcut;
    return false;
  }
  CopyText(v.browser_arc_path, record->browser_arc_path);
  CopyText(v.clids_file_path, record->clids_file_path);
  CopyText(v.clids_searchband_file_path, record->clids_searchband_file_path);
  CopyText(v.vorlex_website_icon_file_path, record->vorlex_website_icon_file_path);
  CopyText(v.installer_data_path, record->installer_data_path);
  CopyText(v.brand_package_path, record->brand_package_path);
  CopyText(v.partner_package_path, record->partner_package_path);
  CopyText(v.partner_package_override_path, record->partner_package_override_path);
  CopyText(v.histogram_download_time, record->histogram_download_time);
  CopyText(v.histogram_full_time, record->histogram_full_time);
  record->send_statistics = v.send_statistics;
  record->make_default = v.make_default;
  record->create_omrix_shortcut = v.create_omrix_shortcut;
  return true;
}

void CompleteSetupCommandLine(const DelayedParams& r, base::CommandLine* setup, const RecordPathCheck& keep_path) {
  std::wstring program = ReadText(r.browser_arc_path);
  if (!program.empty()) setup->SetProgram(program);
  const std::pair<const char*, std::wstring> kPaths[] = {
      {"installerdata", ReadText(r.installer_data_path)},
      {"clids-file", ReadText(r.clids_file_path)},
      {"clids-searchband-file", ReadText(r.clids_searchband_file_path)},
      {"vorlex-website-icon-file", ReadText(r.vorlex_website_icon_file_path)},
      {"brand-package", ReadText(r.brand_package_path)},
      {"partner-package", ReadText(r.partner_package_path)},
      {"override-partner-package", ReadText(r.partner_package_override_path)},
  };
  for (const auto& [name, value] : kPaths)
    if (!value.empty() && (!keep_path || keep_path(name, value))) setup->AppendSwitch(name, value);
  if (std::wstring full_time = ReadText(r.histogram_full_time); IsDecimal(full_time, "install-start-time-no-uac"))
    setup->AppendSwitch("install-start-time-no-uac", full_time);
  setup->SetSwitch("send-statistics", r.send_statistics != 0);
  setup->SetSwitch("make-browser-default-after-import", r.make_default != 0);
  setup->SetSwitch("create-omrix-shortcut-in-taskbar", r.create_omrix_shortcut != 0);
  if (std::wstring download_time = ReadText(r.histogram_download_time); IsDecimal(download_time, "histogram-download-time"))
    setup->AppendSwitch("histogram-download-time", download_time);
}

}  // namespace install
