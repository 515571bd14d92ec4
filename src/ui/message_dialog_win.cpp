#include "ui/message_dialog_win.h"

#include <shellapi.h>

#include "logging/log.h"
#include "ui/control_ids.h"
#include "ui/controls_win.h"
#include "ui/drawing_win.h"
#include "ui/resource_ids.h"
#include "ui/scale.h"
#include "ui/string_table.h"
#include "ui/win32_api_win.h"

namespace ui {

namespace {

constexpr int kTitleId = ids::kDialogTitle;
constexpr int kBodyId = ids::kDialogBody;
constexpr int kMainButtonId = ids::kDialogMainButton;
constexpr int kSecondButtonId = ids::kDialogSecondButton;
constexpr COLORREF kTextColour = RGB(70, 70, 70);

HWND Item(HWND dialog, int id) { return USER32(GetDlgItem)(dialog, id); }

void Place(HWND window, const Rect& rect) {
  USER32(SetWindowPos)(window, nullptr, rect.left, rect.top, rect.width(), rect.height(),
                       SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

MessageDialog::MessageDialog(uint16_t language)
    : Dialog(kMessageDialogTemplate),
      language_(language),
      button_font_(CreateUiFont(L"Arial", 14)),
      title_font_(CreateUiFont(L"Arial", 16)),
      body_font_(CreateUiFont(L"Arial", 13)) {
  background_.Load(kDialogPanel);
}

MessageDialog::~MessageDialog() {
  second_button_.reset();
  main_button_.reset();
}

std::wstring MessageDialog::String(int id) const {
  return id > 0 ? LoadUiString(id, language_) : std::wstring();
}

bool MessageDialog::OnInitDialog() {
  SetTexts();
  SetSize();
  CreateButtons();
  LayOutButtons();
  LayOutTexts();
  CreateShadow();
  return true;
}

void MessageDialog::SetTexts() {
  TextDescriptor texts = Texts();
  USER32(SetWindowTextW)(Item(hwnd(), kTitleId), String(texts.title).c_str());
  USER32(SetWindowTextW)(Item(hwnd(), kBodyId), String(texts.body).c_str());
  // No body, nothing for a screen reader to read out.
  if (!texts.body) SetShown(Item(hwnd(), kBodyId), false);
  USER32(SetWindowTextW)(Item(hwnd(), kMainButtonId), String(texts.button).c_str());
  USER32(SetWindowTextW)(Item(hwnd(), kSecondButtonId), String(SecondButtonText()).c_str());
  USER32(SendMessageW)(Item(hwnd(), kTitleId), WM_SETFONT,
                       reinterpret_cast<WPARAM>(title_font_.get()), FALSE);
  USER32(SendMessageW)(Item(hwnd(), kBodyId), WM_SETFONT,
                       reinterpret_cast<WPARAM>(body_font_.get()), FALSE);
}

void MessageDialog::SetSize() {
  Size size = MessageDialogSize({background_.width(), background_.height()}, ScaleFactor());
  USER32(SetWindowPos)(hwnd(), nullptr, 0, 0, size.width, size.height,
                       SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  Centre(hwnd());
}

void MessageDialog::CreateButtons() {
  POINT origin = {Scale(7), Scale(4)};
  main_button_ = std::make_unique<ImageButton>(Item(hwnd(), kMainButtonId),
                                               kDialogMainButtonSprite, kTextColour,
                                               AsFont(button_font_), &background_, origin);
  second_button_ = std::make_unique<ImageButton>(Item(hwnd(), kSecondButtonId),
                                                 kDialogSecondButtonSprite, kTextColour,
                                                 AsFont(button_font_), &background_, origin);
}

void MessageDialog::LayOutButtons() {
  RECT client;
  USER32(GetClientRect)(hwnd(), &client);
  layout_ = LayOutMessageDialog(
      {client.right, client.bottom}, {main_button_->frame_width(), main_button_->frame_height()},
      {second_button_->frame_width(), second_button_->frame_height()}, right_aligned_, Buttons(),
      Margins(), ScaleFactor());
  Place(main_button_->hwnd(), layout_.main_button);
  Place(second_button_->hwnd(), layout_.second_button);
  // A button not shown is disabled too, out of the keyboard's reach. The one button left is the
  // default: Enter presses it.
  SetShown(main_button_->hwnd(), layout_.main_visible);
  SetShown(second_button_->hwnd(), layout_.second_visible);
  if (!layout_.main_visible) USER32(SendMessageW)(hwnd(), DM_SETDEFID, kSecondButtonId, 0);
}

void MessageDialog::LayOutTexts() {
  // The layout of both was computed with the buttons.
  Place(Item(hwnd(), kBodyId), layout_.body);
  Place(Item(hwnd(), kTitleId), layout_.title);
}

void MessageDialog::CreateShadow() {
  RECT window_rect;
  if (!USER32(GetWindowRect)(hwnd(), &window_rect)) return;
  RECT outer = {window_rect.left - Scale(7), window_rect.top - Scale(4),
                window_rect.right + Scale(6), window_rect.bottom + Scale(8)};
  int width = outer.right - outer.left;
  int height = outer.bottom - outer.top;
  shadow_.reset(USER32(CreateWindowExW)(WS_EX_LAYERED | WS_EX_TRANSPARENT | WS_EX_NOACTIVATE,
                                        L"STATIC", L"", WS_POPUP, outer.left, outer.top, width,
                                        height, hwnd(), nullptr, ::GetModuleHandleW(nullptr),
                                        nullptr));
  if (!shadow_) {
    PLOG(ERROR) << "Failed to create the shadow window";
    return;
  }
  ScreenDc screen;
  if (!screen.get() || GDI32(GetDeviceCaps)(screen.get(), BITSPIXEL) < 32) return;

  TopDownDib dib(screen.get(), width, height);
  if (!dib.valid()) return;

  // Each quadrant of the panel picture stretched over the matching quadrant of the window.
  const int image_width = background_.width();
  const int image_height = background_.height();
  const int half_iw = image_width / 2, half_ih = image_height / 2;
  const int half_w = width / 2, half_h = height / 2;
  const int src_x[2] = {0, half_iw}, src_w[2] = {half_iw, image_width - half_iw};
  const int src_y[2] = {0, half_ih}, src_h[2] = {half_ih, image_height - half_ih};
  const int dst_x[2] = {0, half_w}, dst_w[2] = {half_w, width - half_w};
  const int dst_y[2] = {0, half_h}, dst_h[2] = {half_h, height - half_h};
  for (int row = 0; row < 2; ++row) {
    for (int column = 0; column < 2; ++column) {
      background_.DrawToPremultipliedBits(dib.bits(), width, height, dst_x[column], dst_y[row],
                                          dst_w[column], dst_h[row], src_x[column], src_y[row],
                                          src_w[column], src_h[row]);
    }
  }
  // The dialog's own area stays clear, so only the margins show.
  int inner_x = window_rect.left - outer.left;
  int inner_y = window_rect.top - outer.top;
  GDI32(BitBlt)(dib.dc(), inner_x, inner_y, window_rect.right - window_rect.left,
                window_rect.bottom - window_rect.top, dib.dc(), inner_x, inner_y, SRCERASE);
  GDI32(SetLayout)(dib.dc(), LAYOUT_RTL);

  POINT position = {outer.left, outer.top};
  SIZE size = {width, height};
  POINT source = {0, 0};
  BLENDFUNCTION blend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  USER32(UpdateLayeredWindow)(shadow_.get(), screen.get(), &position, &size, dib.dc(), &source, 0,
                              &blend, ULW_ALPHA);
  USER32(ShowWindow)(shadow_.get(), SW_SHOWNOACTIVATE);
}

bool MessageDialog::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) {
  switch (message) {
    case WM_ERASEBKGND:
      *result = 1;
      return true;
    case WM_PAINT: {
      base::PaintScope paint(hwnd());
      if (HDC dc = paint.dc()) {
        RECT client;
        USER32(GetClientRect)(hwnd(), &client);
        background_.Draw(dc, 0, 0, client.right, client.bottom, Scale(7), Scale(4), client.right,
                         client.bottom);
      }
      *result = 0;
      return true;
    }
    case WM_CTLCOLORSTATIC: {
      HDC dc = reinterpret_cast<HDC>(wparam);
      int id = USER32(GetDlgCtrlID)(reinterpret_cast<HWND>(lparam));
      GDI32(SelectObject)(dc, id == kTitleId ? title_font_.get() : body_font_.get());
      GDI32(SetTextColor)(dc, kTextColour);
      GDI32(SetBkMode)(dc, TRANSPARENT);
      *result = reinterpret_cast<LRESULT>(GDI32(GetStockObject)(NULL_BRUSH));
      return true;
    }
    case WM_COMMAND:
      // The buttons have BS_NOTIFY: focus changes (an arrow key, a press dragged off the
      // button) arrive as WM_COMMAND too, and must not answer the question.
      if (HIWORD(wparam) != BN_CLICKED) {
        *result = 0;
        return true;
      }
      switch (LOWORD(wparam)) {
        case kMainButtonId:
          OnMainButton();
          break;
        case kSecondButtonId:
          End(kSecondButtonId);
          break;
        case IDCANCEL:
          // Escape and the window's Close: a notice whose one button is Cancel closes with it;
          // every other message stays open (the resume question must be answered).
          if (!layout_.main_visible) End(kSecondButtonId);
          break;
        default:
          break;
      }
      *result = 0;
      return true;
    case WM_DESTROY:
      shadow_.reset();
      return false;
    default:
      return false;
  }
}

// Variants -----------------------------------------------------------------------------------

ResumeQuestionDialog::ResumeQuestionDialog(uint16_t language) : MessageDialog(language) {
  set_right_aligned(true);
}

TextDescriptor ResumeQuestionDialog::Texts() const {
  return {strings::kResumeQuestion, 0, strings::kResume};
}

int ResumeQuestionDialog::SecondButtonText() const { return strings::kCancelResume; }

InstallErrorDialog::InstallErrorDialog(uint16_t language, std::string manual_download_url,
                                       UrlOpener open_url)
    : MessageDialog(language), url_(std::move(manual_download_url)), open_url_(std::move(open_url)) {}

TextDescriptor InstallErrorDialog::Texts() const {
  return {strings::kInstallError, strings::kDownloadManually, strings::kDownload};
}

int InstallErrorDialog::SecondButtonText() const { return strings::kCancelError; }

void InstallErrorDialog::OnMainButton() {
  if (open_url_) {
    open_url_(url_);
  } else {
    SHELL32(ShellExecuteA)(nullptr, "open", url_.c_str(), nullptr, nullptr, SW_SHOW);
  }
  End(1);
}

NoticeDialog::NoticeDialog(uint16_t language, TextDescriptor texts, bool second_button_only)
    : MessageDialog(language), texts_(texts), second_only_(second_button_only) {}

TextDescriptor NoticeDialog::Texts() const {
  TextDescriptor texts = texts_;
  if (second_only_) texts.button = 0;  // its button text goes on button 113
  return texts;
}

int NoticeDialog::SecondButtonText() const { return second_only_ ? texts_.button : 0; }

ShownButtons NoticeDialog::Buttons() const {
  return second_only_ ? ShownButtons::kSecondOnly : ShownButtons::kMainOnly;
}

const TextMargins& NoticeDialog::Margins() const {
  return second_only_ ? kRevocationTextMargins : kMessageTextMargins;
}

void NoticeDialog::OnMainButton() {
  // Enter still sends the main button's command when that button is hidden.
  if (!second_only_) End(1);
}

std::wstring UnsupportedProcessorText(uint16_t language, bool sse3_missing) {
  return LoadUiString(strings::kCannotInstallOnComputer, language) + L"\n" +
         LoadUiString(sse3_missing ? strings::kNoSse3 : strings::kNoSse2, language);
}

void ShowUnsupportedProcessorMessage(uint16_t language, bool sse3_missing) {
  USER32(MessageBoxW)(nullptr, UnsupportedProcessorText(language, sse3_missing).c_str(),
                      LoadUiString(strings::kInstallerCaption, language).c_str(), MB_OK);
}

std::unique_ptr<NoticeDialog> MakeRevocationProviderNotice(uint16_t language) {
  return std::make_unique<NoticeDialog>(
      language,
      TextDescriptor{strings::kCannotInstall, strings::kRevocationProviderBody,
                     strings::kCancelRevocation},
      true);
}

std::unique_ptr<NoticeDialog> MakeNewerVersionNotice(uint16_t language) {
  return std::make_unique<NoticeDialog>(
      language, TextDescriptor{strings::kNewerVersionTitle, strings::kOldVersionBody, strings::kOk},
      false);
}

std::unique_ptr<NoticeDialog> MakeDiskSpaceNotice(uint16_t language) {
  return std::make_unique<NoticeDialog>(
      language, TextDescriptor{strings::kNoDiskSpace, strings::kFreeDiskSpace, strings::kOk},
      false);
}

}  // namespace ui
