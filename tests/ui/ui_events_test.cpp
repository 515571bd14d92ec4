#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "ui/ui_events.h"

namespace ui {
namespace {

class RecordingSink : public UiStatisticsSink {
 public:
  void Send(const StatEventParams& params) override { sent.emplace_back(false, params); }
  void SendDialogEvent(const StatEventParams& params) override { sent.emplace_back(true, params); }
  std::vector<std::pair<bool, StatEventParams>> sent;
};

TEST(UiEvents, DialogEventsAndInstallAction) {
  RecordingSink sink;
  ReportClickedButton(sink, kInstallButtonValue);
  ReportInstallButtonAction(sink);
  ReportClickedButton(sink, kCancelButtonValue);
  ReportClickedButton(sink, kCancelButtonValue);
  ReportChosenCheckBox(sink, *CheckBoxEventValue(110));
  ReportClickedLink(sink, L"https://vorlex.example/legal/license?lang=ru");

  ASSERT_EQ(sink.sent.size(), 6u);
  EXPECT_TRUE(sink.sent[0].first);
  EXPECT_EQ(sink.sent[0].second,
            (StatEventParams{{"clicked_button", L"install"}, {"dialog_window", L"liteinstall"}}));
  EXPECT_FALSE(sink.sent[1].first);
  EXPECT_EQ(sink.sent[1].second,
            (StatEventParams{{"action", L"install_browser_button_clicked"}}));
  EXPECT_EQ(sink.sent[2].second, sink.sent[3].second);  // Escape twice: two events
  EXPECT_EQ(sink.sent[4].second,
            (StatEventParams{{"choosen_checkbox", L"sendstat"}, {"dialog_window", L"liteinstall"}}));
  EXPECT_EQ(sink.sent[5].second.at("clicked_link"),
            L"https://vorlex.example/legal/license?lang=ru");
}

TEST(UiEvents, CheckBoxValuesAndKeyCollision) {
  EXPECT_EQ(CheckBoxEventValue(109), L"default");
  EXPECT_EQ(CheckBoxEventValue(110), L"sendstat");
  EXPECT_EQ(CheckBoxEventValue(111), L"omrixshortcut");
  EXPECT_FALSE(CheckBoxEventValue(112).has_value());
  // The dialog marker wins over an event key of the same name, without a duplicate.
  EXPECT_EQ(MakeDialogEvent("dialog_window", L"x"),
            (StatEventParams{{"dialog_window", L"liteinstall"}}));
}

}  // namespace
}  // namespace ui
