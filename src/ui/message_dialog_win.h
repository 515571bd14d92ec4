// The installer's small modal message: a white rounded panel with a title, a body and one or two
// sprite buttons over a soft layered shadow. Variants fix the texts, the buttons shown and what
// the main button does. Button 113 always ends the dialog with 113; Escape and the window's
// Close command do nothing, except on a notice whose only button is 113, which they answer.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "base/unique_handle.h"
#include "ui/message_dialog_layout.h"
#include "ui/resource_bitmap.h"
#include "ui/window_win.h"

namespace ui {

class ImageButton;

// String ids of a message's title, body and button (0 = no text).
struct TextDescriptor {
  int title = 0;
  int body = 0;
  int button = 0;
};

class MessageDialog : public Dialog {
 public:
  explicit MessageDialog(uint16_t language);
  ~MessageDialog() override;

  // End codes: 1 (main button, after the variant's action) or 113 (second button).
  INT_PTR Run(HWND owner = nullptr) { return RunModal(owner); }
  [[nodiscard]] bool is_open() const { return hwnd() != nullptr; }
  // Geometry after WM_INITDIALOG (client coordinates), for layout checks.
  const MessageDialogLayout& layout() const { return layout_; }

 protected:
  // The steps of WM_INITDIALOG, in this order.
  virtual void SetTexts();
  virtual void SetSize();
  virtual void CreateButtons();
  virtual void LayOutButtons();
  virtual void LayOutTexts();
  virtual void CreateShadow();
  // Button 1: ends with 1 unless a variant does more (or less).
  virtual void OnMainButton() { End(1); }

  // What the default steps use.
  virtual TextDescriptor Texts() const = 0;
  virtual int SecondButtonText() const { return 0; }
  virtual ShownButtons Buttons() const { return ShownButtons::kBoth; }
  virtual const TextMargins& Margins() const { return kMessageTextMargins; }

  std::wstring String(int id) const;
  uint16_t language() const { return language_; }
  void set_right_aligned(bool right_aligned) { right_aligned_ = right_aligned; }

  [[nodiscard]] bool OnInitDialog() override;
  bool HandleMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) override;

 private:
  uint16_t language_;
  ResourceBitmap background_;
  base::ScopedGdiObject button_font_;
  base::ScopedGdiObject title_font_;
  base::ScopedGdiObject body_font_;
  std::unique_ptr<ImageButton> main_button_;
  std::unique_ptr<ImageButton> second_button_;
  bool right_aligned_ = false;
  base::ScopedWindow shadow_;
  MessageDialogLayout layout_;
};

// "Installation not complete. Resume?" with Resume (1) and Cancel (113), right-aligned.
class ResumeQuestionDialog : public MessageDialog {
 public:
  explicit ResumeQuestionDialog(uint16_t language);

 protected:
  TextDescriptor Texts() const override;
  int SecondButtonText() const override;
};

// The installation failed: Download opens the manual download page and ends with 1; Cancel 113.
class InstallErrorDialog : public MessageDialog {
 public:
  using UrlOpener = std::function<void(const std::string& url)>;
  // `open_url` defaults to ShellExecuteA "open" (SW_SHOW).
  InstallErrorDialog(uint16_t language, std::string manual_download_url,
                     UrlOpener open_url = nullptr);

 protected:
  TextDescriptor Texts() const override;
  int SecondButtonText() const override;
  void OnMainButton() override;

 private:
  std::string url_;
  UrlOpener open_url_;
};

// A notice described by (title, body, button): either the main button alone (ends with 1) or,
// for the outdated revocation provider, the second button alone, centred (ends with 113).
class NoticeDialog : public MessageDialog {
 public:
  NoticeDialog(uint16_t language, TextDescriptor texts, bool second_button_only);

 protected:
  TextDescriptor Texts() const override;
  int SecondButtonText() const override;
  ShownButtons Buttons() const override;
  const TextMargins& Margins() const override;
  void OnMainButton() override;

 private:
  TextDescriptor texts_;
  bool second_only_;
};

// The start-up message of a processor without SSE2 or SSE3: a system message box (OK only, no
// owner) captioned with string 401, saying string 447, a line break and string 413 (no SSE3) or
// 441 (no SSE2).
std::wstring UnsupportedProcessorText(uint16_t language, bool sse3_missing);
void ShowUnsupportedProcessorMessage(uint16_t language, bool sse3_missing);

// The three notices of the installer.
std::unique_ptr<NoticeDialog> MakeRevocationProviderNotice(uint16_t language);
std::unique_ptr<NoticeDialog> MakeNewerVersionNotice(uint16_t language);
std::unique_ptr<NoticeDialog> MakeDiskSpaceNotice(uint16_t language);

}  // namespace ui
