// Resource ids of the installer's windows (resources/ui_resources.rc). Portable.
#pragma once

#include <array>
#include <cstdint>

namespace ui {

// Images (RCDATA).
inline constexpr int kCloseDarkSprite = 101;
inline constexpr int kCloseLightSprite = 103;
inline constexpr int kDialogPanel = 104;
inline constexpr int kDialogMainButtonSprite = 105;
inline constexpr int kDialogSecondButtonSprite = 106;
inline constexpr int kShadowTopLeft = 125;
inline constexpr int kShadowTopRight = 126;
inline constexpr int kShadowBottomRight = 127;
inline constexpr int kShadowBottomLeft = 128;
inline constexpr int kShadowLeft = 129;
inline constexpr int kShadowTop = 130;
inline constexpr int kShadowRight = 131;
inline constexpr int kShadowBottom = 132;
inline constexpr int kCheckBoxSprite = 1002;
inline constexpr int kLogoLight = 1003;
inline constexpr int kLogoLight2x = 1015;
inline constexpr int kLogoLightRu = 1011;
inline constexpr int kLogoLightRu2x = 1017;
inline constexpr int kLogoDark = 1005;
inline constexpr int kLogoDark2x = 1016;
inline constexpr int kLogoDarkRu = 1012;
inline constexpr int kLogoDarkRu2x = 1018;
inline constexpr int kFirstSlidePicture = 1004;
inline constexpr int kFirstSlidePictureRu = 1010;
inline constexpr int kFirstScreenBackground = 1006;
inline constexpr int kInstallButtonSprite = 1007;
inline constexpr int kProgressFill = 1008;
inline constexpr int kProgressTrack = 1009;

// Icon group and dialog templates.
inline constexpr int kIconGroup = 1000;
inline constexpr int kMessageDialogTemplate = 100;
inline constexpr int kMainWindowTemplate = 1001;

// The language whose pictures differ from all others.
inline constexpr uint16_t kRussianLanguage = 1049;

// The languages that carry the string table (ids 400..449 but 407).
inline constexpr std::array<uint16_t, 16> kUiLanguages = {
    1028, 1029, 1031, 1033, 1036, 1040, 1041, 1046, 1049, 1055, 1058, 1087, 1091, 2052, 2070, 3082};
inline constexpr int kFirstStringId = 400;
inline constexpr int kLastStringId = 449;
inline constexpr int kAbsentStringId = 407;

// String ids used in code.
namespace strings {
inline constexpr int kInstallerCaption = 401;       // "Vorlex Browser Installation"
inline constexpr int kInstallError = 402;
inline constexpr int kFreeDiskSpace = 403;
inline constexpr int kInstall = 404;
inline constexpr int kInstalling = 405;  // the progress bar's name for screen readers
inline constexpr int kPinOmrix = 406;
inline constexpr int kLicenseSentence = 410;
inline constexpr int kNoDiskSpace = 411;
inline constexpr int kResume = 412;
inline constexpr int kNoSse3 = 413;
inline constexpr int kSecurity = 415;
inline constexpr int kSlogan = 416;
inline constexpr int kUnsupportedWindowsTitle = 420;
inline constexpr int kResumeQuestion = 421;
inline constexpr int kDownload = 423;
inline constexpr int kCancelResume = 425;
inline constexpr int kRevocationProviderBody = 426;
inline constexpr int kOk = 427;
inline constexpr int kDownloadManually = 428;
inline constexpr int kCancelRevocation = 429;
inline constexpr int kPrivacyPolicy = 431;
inline constexpr int kSentrel = 433;
inline constexpr int kLearnMore = 434;
inline constexpr int kOldVersionBody = 435;
inline constexpr int kClose = 437;
inline constexpr int kCancelError = 439;
inline constexpr int kNoSse2 = 441;
inline constexpr int kWindowTitle = 442;
inline constexpr int kSendStatistics = 444;
inline constexpr int kMakeDefault = 445;
inline constexpr int kNewerVersionTitle = 446;
inline constexpr int kCannotInstallOnComputer = 447;
inline constexpr int kCannotInstall = 448;
}  // namespace strings

}  // namespace ui
