#include "ui/ui_events.h"

#include "ui/control_ids.h"

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
    case ids::kMakeDefault:
      return L"default";
    case ids::kSendStatistics:
      return L"sendstat";
    case ids::kPinTaskbar:
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
