#include "ui/ui_events.h"

namespace ui {

StatEventParams MakeDialogEvent(const std::string& key, const std::wstring& value) {
  StatEventParams params;
  params[key] = value;
  params["dialog_window"] = L"liteinstall";
  return params;
}

StatEventParams MakeInstallButtonAction() {
  return {{"action", L"install_browser_button_clicked"}};
}

std::optional<std::wstring> CheckBoxEventValue(int control_id) {
  switch (control_id) {
    case 109:
      return L"default";
    case 110:
      return L"sendstat";
    case 111:
      return L"omrixshortcut";
    default:
      return std::nullopt;
  }
}

void ReportClickedButton(UiStatisticsSink& sink, const std::wstring& value) {
  sink.SendDialogEvent(MakeDialogEvent(kClickedButtonKey, value));
}

void ReportClickedLink(UiStatisticsSink& sink, const std::wstring& url) {
  sink.SendDialogEvent(MakeDialogEvent(kClickedLinkKey, url));
}

void ReportChosenCheckBox(UiStatisticsSink& sink, const std::wstring& value) {
  sink.SendDialogEvent(MakeDialogEvent(kChosenCheckBoxKey, value));
}

void ReportInstallButtonAction(UiStatisticsSink& sink) { sink.Send(MakeInstallButtonAction()); }

}  // namespace ui
