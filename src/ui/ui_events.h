// Statistics events of the user's actions in the installer window, built as data and handed to a
// sink. The installation's statistics sender implements the sink (plain reports keep the current
// kind; dialog events go out as the dialog-window kind for one report). Portable.
#pragma once

#include <map>
#include <optional>
#include <string>

namespace ui {

// Event parameters: narrow key -> wide value, keys in byte order.
using StatEventParams = std::map<std::string, std::wstring>;

class UiStatisticsSink {
 public:
  virtual ~UiStatisticsSink() = default;
  // An ordinary report.
  virtual void Send(const StatEventParams& params) = 0;
  // A dialog-window event.
  virtual void SendDialogEvent(const StatEventParams& params) = 0;
};

inline constexpr char kClickedButtonKey[] = "clicked_button";
inline constexpr char kClickedLinkKey[] = "clicked_link";
inline constexpr char kChosenCheckBoxKey[] = "choosen_checkbox";

// Values the main window sends.
inline constexpr wchar_t kInstallButtonValue[] = L"install";
inline constexpr wchar_t kCancelButtonValue[] = L"cancel";

// {key: value, "dialog_window": "liteinstall"}; a key "dialog_window" is overwritten.
StatEventParams MakeDialogEvent(const std::string& key, const std::wstring& value);
// {"action": "install_browser_button_clicked"}.
StatEventParams MakeInstallButtonAction();
// The check-box event value of a main-window check box id (109, 110, 111).
[[nodiscard]] std::optional<std::wstring> CheckBoxEventValue(int control_id);

// The four reporting operations; each returns at once (the sink queues).
void ReportClickedButton(UiStatisticsSink& sink, const std::wstring& value);
void ReportClickedLink(UiStatisticsSink& sink, const std::wstring& url);
void ReportChosenCheckBox(UiStatisticsSink& sink, const std::wstring& value);
void ReportInstallButtonAction(UiStatisticsSink& sink);

}  // namespace ui
