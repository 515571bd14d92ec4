#include "install/setup_command_line.h"

#include "base/strings.h"

namespace install {

namespace {

void AppendIfNotEmpty(base::CommandLine& line, const char* name, const std::wstring& value) {
  if (!value.empty()) line.AppendSwitch(name, value);
}

void AppendIfNotZero(base::CommandLine& line, const char* name, int64_t value) {
  if (value != 0) line.AppendSwitch(name, base::NumberToWide(value));
}

}  // namespace

base::CommandLine BuildSetupCommandLine(const base::CommandLine& installer_command_line,
                                        const SetupCommandLineInputs& in) {
  base::CommandLine line = installer_command_line;
  line.SetProgram(in.program);
  if (in.uac_declined) line.AppendSwitch("disable-uac");
  line.AppendSwitch("progress-window", base::NumberToWide(in.progress_window));
  line.AppendSwitch("verbose-logging");
  line.AppendSwitch("brand-name", base::AsciiToWide(in.brand_name));
  AppendIfNotEmpty(line, "distr-info-file", in.distrib_info_file);
  line.SetSwitch("make-browser-default-after-import", in.make_default);
  line.SetSwitch("send-statistics", in.send_statistics);
  line.SetSwitch("create-omrix-shortcut-in-taskbar", in.taskbar_shortcut);
  AppendIfNotZero(line, "ok-button-pressed-time", in.ok_time);
  AppendIfNotZero(line, "install-start-time-no-uac", in.proceed_time);
  AppendIfNotZero(line, "the-interface-availability", in.interface_availability);
  if (in.with_files) {
    line.AppendSwitch("installerdata", in.installer_data);
    line.AppendSwitch("clids-file", in.clids);
    AppendIfNotEmpty(line, "clids-searchband-file", in.clids_searchband);
    AppendIfNotEmpty(line, "vorlex-website-icon-file", in.website_icon);
    AppendIfNotEmpty(line, "brand-package", in.brand_package);
    AppendIfNotEmpty(line, "partner-package", in.partner_package);
    AppendIfNotEmpty(line, "override-partner-package", in.partner_package_override);
  }
  if (in.uac_mode == distrib::kUacAtBrowserStart) line.AppendSwitch("show-uac-at-browser-start");
  if (in.tasks_exist) {
    AppendIfNotEmpty(line, "variations-update-path", in.variations_path);
    AppendIfNotEmpty(line, "abt-update-path", in.abt_path);
    AppendIfNotEmpty(line, "webntp-path", in.webntp_path);
    AppendIfNotEmpty(line, "server-config-bundle-path", in.server_config_path);
    AppendIfNotEmpty(line, "preloaded-wallpaper-bundle-path", in.wallpaper_path);
    if (in.previous_run_failed && !line.HasSwitch("do-not-launch-browser")) line.AppendSwitch("do-not-launch-browser");
  }
  return line;
}

}  // namespace install
