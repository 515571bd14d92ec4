// Control ids of the installer's windows: one list for the dialog templates of
// resources/ui_resources.rc, the code that drives the controls and the tests that find them. The
// resource compiler reads this file too, so the ids are macros; C++ code uses the constants at
// the end. Portable.
#pragma once

// The main window (template 1001). Ids 122, 123, 1013 and 1014 belong to the license sentence's
// pieces, created at run time (sentence_windows_win.h).
#define VORLEX_IDC_INSTALL 1
#define VORLEX_IDC_SLOGAN 107
#define VORLEX_IDC_MAKE_DEFAULT 109
#define VORLEX_IDC_SEND_STATISTICS 110
#define VORLEX_IDC_PIN_TASKBAR 111
#define VORLEX_IDC_CLOSE_PROGRESS 112
#define VORLEX_IDC_CLOSE_FIRST 113
#define VORLEX_IDC_PROGRESS_BAR 115
#define VORLEX_IDC_PRIVACY_LINK 118
#define VORLEX_IDC_LICENSE_TEXT 122
#define VORLEX_IDC_LICENSE_LINK 123
#define VORLEX_IDC_PERCENTAGE 124
#define VORLEX_IDC_SLIDE_LICENSE_TEXT 1013
#define VORLEX_IDC_SLIDE_LICENSE_LINK 1014

// The message dialog (template 100). Its buttons' ids are also the dialog's end codes.
#define VORLEX_IDC_DIALOG_MAIN_BUTTON 1
#define VORLEX_IDC_DIALOG_TITLE 107
#define VORLEX_IDC_DIALOG_SECOND_BUTTON 113
#define VORLEX_IDC_DIALOG_HIDDEN_BUTTON 112  // never shown; no code uses it
#define VORLEX_IDC_DIALOG_BODY -1

#ifndef RC_INVOKED
namespace ui::ids {

inline constexpr int kInstall = VORLEX_IDC_INSTALL;
inline constexpr int kSlogan = VORLEX_IDC_SLOGAN;
inline constexpr int kMakeDefault = VORLEX_IDC_MAKE_DEFAULT;
inline constexpr int kSendStatistics = VORLEX_IDC_SEND_STATISTICS;
inline constexpr int kPinTaskbar = VORLEX_IDC_PIN_TASKBAR;
inline constexpr int kCloseProgress = VORLEX_IDC_CLOSE_PROGRESS;
inline constexpr int kCloseFirst = VORLEX_IDC_CLOSE_FIRST;
inline constexpr int kProgressBar = VORLEX_IDC_PROGRESS_BAR;
inline constexpr int kPrivacyLink = VORLEX_IDC_PRIVACY_LINK;
inline constexpr int kLicenseText = VORLEX_IDC_LICENSE_TEXT;
inline constexpr int kLicenseLink = VORLEX_IDC_LICENSE_LINK;
inline constexpr int kPercentage = VORLEX_IDC_PERCENTAGE;
inline constexpr int kSlideLicenseText = VORLEX_IDC_SLIDE_LICENSE_TEXT;
inline constexpr int kSlideLicenseLink = VORLEX_IDC_SLIDE_LICENSE_LINK;

inline constexpr int kDialogMainButton = VORLEX_IDC_DIALOG_MAIN_BUTTON;
inline constexpr int kDialogTitle = VORLEX_IDC_DIALOG_TITLE;
inline constexpr int kDialogSecondButton = VORLEX_IDC_DIALOG_SECOND_BUTTON;
inline constexpr int kDialogBody = VORLEX_IDC_DIALOG_BODY;

// The first screen's check boxes, in their order on the screen.
inline constexpr int kCheckBoxes[] = {kMakeDefault, kSendStatistics, kPinTaskbar};

}  // namespace ui::ids
#endif
