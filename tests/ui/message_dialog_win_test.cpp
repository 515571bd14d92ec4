// Message dialogs as real modal windows: results of each button and of the keys pressed on them
// (SendInput: Tab, Enter, Space, Escape, Alt+F4, the arrows), their geometry, and what they look
// like (screenshots under build/win/screenshots).
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "base/strings.h"
#include "gui_util.h"
#include "ui/control_ids.h"
#include "ui/drawing_win.h"
#include "ui/message_dialog_win.h"
#include "ui/resource_ids.h"
#include "ui/string_table.h"
#include "ui/scale.h"

namespace ui {
namespace {

using ui_test::Ids;
using ui_test::Press;
using ui_test::PressKeys;
using ui_test::PumpUntil;
using ui_test::WalkFocus;

using ui_test::CaptureWindow;
using ui_test::ChildRect;
using ui_test::Pixels;
using ui_test::WhenDialogShown;

RECT ToRect(const Rect& r) { return {r.left, r.top, r.right, r.bottom}; }
bool Same(const RECT& a, const RECT& b) { return EqualRect(&a, &b) != FALSE; }

struct ShadowSearch {
  HWND owner, found;
};

BOOL CALLBACK MatchShadow(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<ShadowSearch*>(param);
  if (GetWindow(window, GW_OWNER) == search->owner &&
      (GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_LAYERED)) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

// The layered shadow popup owned by the dialog.
HWND FindShadow(HWND dialog) {
  ShadowSearch search = {dialog, nullptr};
  EnumThreadWindows(GetCurrentThreadId(), MatchShadow, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

bool IsAmber(const Pixels& p, int x, int y) {
  return p.R(x, y) > 225 && p.G(x, y) > 170 && p.B(x, y) < 140;
}
bool IsLight(const Pixels& p, int x, int y) {
  return p.R(x, y) > 215 && p.G(x, y) > 215 && p.B(x, y) > 215;
}
// Pixels of the dialog's grey text inside a rectangle (window coordinates = client here).
int TextPixels(const Pixels& p, const RECT& r) {
  int count = 0;
  for (int y = r.top; y < r.bottom && y < p.height; ++y)
    for (int x = r.left; x < r.right && x < p.width; ++x)
      if (p.R(x, y) < 160 && p.G(x, y) < 160 && p.B(x, y) < 160) ++count;
  return count;
}

// Checks shared by every variant while it is shown; returns its screenshot.
Pixels CheckShownDialog(HWND dialog, const MessageDialog& object, const std::wstring& name) {
  RECT window;
  GetWindowRect(dialog, &window);
  EXPECT_EQ(window.right - window.left, Scale(397));  // the test display runs at scale 1
  EXPECT_EQ(window.bottom - window.top, Scale(174));
  const MessageDialogLayout& layout = object.layout();
  EXPECT_TRUE(Same(ChildRect(GetDlgItem(dialog, ui::ids::kDialogMainButton)), ToRect(layout.main_button)));
  EXPECT_TRUE(Same(ChildRect(GetDlgItem(dialog, ui::ids::kDialogSecondButton)), ToRect(layout.second_button)));
  EXPECT_TRUE(Same(ChildRect(GetDlgItem(dialog, ui::ids::kDialogTitle)), ToRect(layout.title)));
  EXPECT_EQ(IsWindowVisible(GetDlgItem(dialog, ui::ids::kDialogMainButton)) != FALSE, layout.main_visible);
  EXPECT_EQ(IsWindowVisible(GetDlgItem(dialog, ui::ids::kDialogSecondButton)) != FALSE, layout.second_visible);

  HWND shadow = FindShadow(dialog);
  EXPECT_NE(shadow, nullptr);
  if (shadow) {
    RECT shadow_rect;
    GetWindowRect(shadow, &shadow_rect);
    RECT expected = {window.left - Scale(7), window.top - Scale(4), window.right + Scale(6),
                     window.bottom + Scale(8)};
    EXPECT_TRUE(Same(shadow_rect, expected));
    EXPECT_TRUE(GetWindowLongW(shadow, GWL_EXSTYLE) & WS_EX_TRANSPARENT);
  }

  // Every control shown has a name for screen readers.
  std::wstring controls = ui_test::DescribeControls(dialog);
  EXPECT_EQ(ui_test::AccessibilityProblems(dialog), "")
      << base::WideToUtf8(controls);

  Pixels shot = CaptureWindow(dialog);
  ui_test::SaveScreenshot(shot, name);
  EXPECT_TRUE(IsLight(shot, 12, 12)) << "panel";
  EXPECT_GT(TextPixels(shot, ToRect(layout.title)), 30) << "title text";
  if (layout.main_visible) {
    EXPECT_TRUE(IsAmber(shot, layout.main_button.left + 5, layout.main_button.top + 14))
        << "main button";
  }
  if (layout.second_visible) {
    EXPECT_TRUE(IsLight(shot, layout.second_button.left + 5, layout.second_button.top + 14))
        << "second button";
    EXPECT_GT(TextPixels(shot, ToRect(layout.second_button)), 10) << "second button text";
  }
  return shot;
}

void Click(HWND dialog, int id) { SendMessageW(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }

int FocusId() { return GetFocus() ? GetDlgCtrlID(GetFocus()) : 0; }

// Presses keys that answer `dialog`; one they leave open is ended with -1, so the test goes on.
void PressToAnswer(HWND dialog, std::initializer_list<WORD> keys) {
  Press(dialog, keys);
  if (IsWindowVisible(dialog)) {
    ADD_FAILURE() << "the keys left the dialog open";
    EndDialog(dialog, -1);
  }
}

// Resume starts with the focus and Tab goes between the two buttons; Escape and Alt+F4 leave the
// question open; Enter answers with the focused button, and so does Space.
TEST(MessageDialog, ResumeQuestionKeysAndRunsAgain) {
  ResumeQuestionDialog question(1033);
  WhenDialogShown([&](HWND dialog) {
    ASSERT_TRUE(ui_test::BringToForeground(dialog));
    EXPECT_EQ(FocusId(), 1);
    EXPECT_EQ(Ids(WalkFocus(dialog, {VK_TAB})), "113 1 ");
    Press(dialog, {VK_ESCAPE});
    Press(dialog, {VK_MENU, VK_F4});
    EXPECT_TRUE(IsWindowVisible(dialog)) << "Escape or Alt+F4 answered the question";
    CheckShownDialog(dialog, question, L"dialog_resume_question_en");
    // Right-aligned pair, no body.
    EXPECT_GT(question.layout().main_button.left, Scale(100));
    wchar_t body[8] = L"x";
    GetDlgItemTextW(dialog, -1, body, 8);
    EXPECT_STREQ(body, L"");
    PressToAnswer(dialog, {VK_RETURN});
  });
  EXPECT_EQ(question.Run(), 1);
  EXPECT_FALSE(question.is_open());

  // The same object shows again (the progress screen asks each time); Space on Cancel gives 113.
  WhenDialogShown([&](HWND dialog) {
    ASSERT_TRUE(ui_test::BringToForeground(dialog));
    Press(dialog, {VK_TAB});
    EXPECT_EQ(FocusId(), 113);
    PressToAnswer(dialog, {VK_SPACE});
  });
  EXPECT_EQ(question.Run(), 113);
}

// The buttons notify focus changes; only a click answers. An arrow key that moves the focus onto
// Cancel, or a press on Cancel released elsewhere, must leave the question open.
TEST(MessageDialog, FocusMovesWithoutAnsweringTheQuestion) {
  ResumeQuestionDialog question(1033);
  WhenDialogShown([&](HWND dialog) {
    SetForegroundWindow(dialog);
    HWND resume = GetDlgItem(dialog, ui::ids::kDialogMainButton);
    HWND cancel = GetDlgItem(dialog, ui::ids::kDialogSecondButton);
    ASSERT_TRUE(PumpUntil(dialog, [&] { return GetForegroundWindow() == dialog; }));
    SetFocus(resume);
    // The arrow keys walk the button group; stop once Cancel has the focus.
    for (int step = 0; step < 3 && GetFocus() != cancel && IsWindowVisible(dialog); ++step) {
      HWND before = GetFocus();
      PressKeys({VK_RIGHT});
      EXPECT_TRUE(PumpUntil(dialog, [&] { return GetFocus() != before || !IsWindowVisible(dialog); }))
          << "the arrow key did not move the focus";
    }
    EXPECT_TRUE(IsWindowVisible(dialog)) << "an arrow key answered the question";
    EXPECT_EQ(GetFocus(), cancel);
    PressKeys({VK_LEFT});
    EXPECT_TRUE(PumpUntil(dialog, [&] { return GetFocus() != cancel || !IsWindowVisible(dialog); }));
    EXPECT_TRUE(IsWindowVisible(dialog));

    // Pressed on Cancel, dragged off and released outside it: no click.
    RECT rect;
    GetClientRect(cancel, &rect);
    SendMessageW(cancel, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(rect.right / 2, rect.bottom / 2));
    SendMessageW(cancel, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(rect.right + 40, rect.bottom + 40));
    SendMessageW(cancel, WM_LBUTTONUP, 0, MAKELPARAM(rect.right + 40, rect.bottom + 40));
    EXPECT_TRUE(IsWindowVisible(dialog)) << "pressing Cancel without a click answered the question";
    Click(dialog, 1);
  });
  EXPECT_EQ(question.Run(), 1);
}

TEST(MessageDialog, InstallationErrorOpensManualDownload) {
  std::string opened;
  InstallErrorDialog error(1049, "https://127.0.0.1/manual?lang=ru",
                           [&](const std::string& url) { opened = url; });
  WhenDialogShown([&](HWND dialog) {
    CheckShownDialog(dialog, error, L"dialog_install_error_ru");
    EXPECT_EQ(error.layout().main_button.left, Scale(40));
    EXPECT_TRUE(opened.empty());
    ASSERT_TRUE(ui_test::BringToForeground(dialog));
    EXPECT_EQ(FocusId(), 1);
    PressToAnswer(dialog, {VK_RETURN});
  });
  EXPECT_EQ(error.Run(), 1);
  EXPECT_EQ(opened, "https://127.0.0.1/manual?lang=ru");

  opened.clear();
  WhenDialogShown([&](HWND dialog) {
    ASSERT_TRUE(ui_test::BringToForeground(dialog));
    Press(dialog, {VK_TAB});
    EXPECT_EQ(FocusId(), 113);
    PressToAnswer(dialog, {VK_RETURN});
  });
  EXPECT_EQ(error.Run(), 113);
  EXPECT_TRUE(opened.empty());
}

// The only button shown is Cancel: it has the focus, Tab keeps it there, and Enter, Escape and
// Alt+F4 each answer with it.
TEST(MessageDialog, RevocationProviderShowsOnlyCentredCancel) {
  auto notice = MakeRevocationProviderNotice(1033);
  WhenDialogShown([&](HWND dialog) {
    CheckShownDialog(dialog, *notice, L"dialog_revocation_provider_en");
    RECT client;
    GetClientRect(dialog, &client);
    const Rect& cancel = notice->layout().second_button;
    EXPECT_LE(std::abs((cancel.left + cancel.right) / 2 - client.right / 2), 1);
    wchar_t text[32] = {};
    GetDlgItemTextW(dialog, 113, text, 32);
    EXPECT_STREQ(text, L"Cancel");
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, 1))) << "the hidden main button takes input";
    ASSERT_TRUE(ui_test::BringToForeground(dialog));
    EXPECT_EQ(FocusId(), 113) << "the only button shown does not have the focus";
    Press(dialog, {VK_TAB});
    EXPECT_EQ(FocusId(), 113);
    PressToAnswer(dialog, {VK_RETURN});
  });
  EXPECT_EQ(notice->Run(), 113) << "Enter";
  for (std::initializer_list<WORD> keys : {std::initializer_list<WORD>{VK_ESCAPE}, {VK_MENU, VK_F4}}) {
    WhenDialogShown([&](HWND dialog) {
      ASSERT_TRUE(ui_test::BringToForeground(dialog));
      PressToAnswer(dialog, keys);
    });
    EXPECT_EQ(notice->Run(), 113) << "Escape or Alt+F4";
  }
}

TEST(MessageDialog, OneButtonNotices) {
  struct Case {
    std::unique_ptr<NoticeDialog> notice;
    const wchar_t* name;
    const wchar_t* button;
  };
  Case cases[] = {
      {MakeNewerVersionNotice(1033), L"dialog_newer_version_en", L"OK"},
      {MakeDiskSpaceNotice(1033), L"dialog_disk_space_en", L"OK"},
      {MakeDiskSpaceNotice(1049), L"dialog_disk_space_ru", L"\x041E\x041A"},
      {MakeNewerVersionNotice(1041), L"dialog_newer_version_ja", L"OK"},
  };
  for (Case& c : cases) {
    WhenDialogShown([&](HWND dialog) {
      CheckShownDialog(dialog, *c.notice, c.name);
      wchar_t text[32] = {};
      GetDlgItemTextW(dialog, 1, text, 32);
      EXPECT_STREQ(text, c.button);
      EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, 113))) << "the hidden second button takes input";
      ASSERT_TRUE(ui_test::BringToForeground(dialog));
      EXPECT_EQ(FocusId(), 1);
      PressToAnswer(dialog, {VK_RETURN});
    });
    EXPECT_EQ(c.notice->Run(), 1) << c.name;
  }
}

}  // namespace
}  // namespace ui
