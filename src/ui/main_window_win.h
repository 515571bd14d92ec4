// The installer's window: the first screen (choices, license link, Install; first_screen_win.cpp)
// and the progress screen (slides, bar, percentage; progress_screen_win.cpp), and in
// main_window_win.cpp the shell around them: the delegate through which the installation
// reports, the setup's registered messages, painting and the message routing. Run modally; end
// codes: 1 finished (the installer's result counts), 2 system Close, 113 first-screen close, 112
// cancelled on the progress screen.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/com_ptr.h"
#include "base/command_line.h"
#include "base/unique_handle.h"
#include "install/installer_delegate.h"
#include "ui/control_ids.h"
#include "ui/first_screen_choices.h"
#include "ui/layout_resources_win.h"
#include "ui/resource_bitmap.h"
#include "ui/ui_events.h"
#include "ui/window_win.h"

struct ITaskbarList3;

namespace distrib {
class BrandInfo;
class DistribParams;
}  // namespace distrib
namespace install {
class Installer;
}  // namespace install

namespace ui {

class ImageButton;
class LinkButton;
class SpriteCheckBox;
class SpriteProgressBar;
class ResumeQuestionDialog;
class SlideSource;
class SlideShow;

inline constexpr wchar_t kInstallProgressMessage[] = L"vorlex.lite.set_install_progress";
inline constexpr wchar_t kImportProgressMessage[] = L"vorlex.lite.set_import_progress";
inline constexpr wchar_t kCloseWindowMessage[] = L"vorlex.lite.close_window";
inline constexpr wchar_t kHigherVersionMessage[] = L"vorlex.higher_version_exist";

// End codes of the main window.
inline constexpr INT_PTR kEndFinished = 1;
inline constexpr INT_PTR kEndSystemClose = 2;
inline constexpr INT_PTR kEndCancelled = ids::kCloseProgress;
inline constexpr INT_PTR kEndFirstScreenClose = ids::kCloseFirst;

// The UI events go out through the installation's statistics sender.
class InstallerStatisticsSink : public UiStatisticsSink {
 public:
  explicit InstallerStatisticsSink(install::Installer* installer) : installer_(installer) {}
  void Send(const StatEventParams& params) override;
  void SendDialogEvent(const StatEventParams& params) override;

 private:
  install::Installer* installer_;
};

// Opens the links of the window (tests record them instead).
class LinkOpener {
 public:
  virtual void Open(const std::wstring& url) = 0;

 protected:
  ~LinkOpener() = default;
};

struct MainWindowOptions {
  MainWindowOptions() = default;
  explicit MainWindowOptions(DWORD page_ms) : slide_page_ms(page_ms) {}

  DWORD slide_page_ms = 10000;  // tests shorten the slide pages
  // The process's command line, from start-up: the UAC mode, the elevation decision and the
  // installation read their switches from it.
  base::CommandLine command_line;
  // Opens the links; none: the shell opens them (ShellExecuteW "open").
  LinkOpener* link_opener = nullptr;
};

class MainWindow : public Dialog, public install::InstallerDelegate {
 public:
  MainWindow(const distrib::BrandInfo* brand, distrib::DistribParams* distrib, bool create_installer,
             MainWindowOptions options = {});
  ~MainWindow() override;

  install::Installer* installer() { return installer_.get(); }
  int check_box_mask() const { return mask_; }
  [[nodiscard]] bool progress_shown() const { return progress_shown_; }
  const SlideShow* slide_show() const { return slide_show_.get(); }

  // InstallerDelegate.
  void OnDownloadProgress(float fraction) override;
  void OnSlowDownload() override {}
  void OnTimeLeft(int, int) override {}
  void OnFinished(int code) override;
  void OnResult(int failure_code) override;
  HWND GetWindow() override { return window_.load(); }
  void SetPercentage(int percentage) override;
  void DropCancel() override;

 protected:
  [[nodiscard]] bool OnInitDialog() override;
  bool HandleMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) override;

 private:
  void AllowRegisteredMessages();
  void CreateFonts();
  void CreateControlObjects();
  void LayOutFirstScreen();
  void LayoutProgressDialog();
  void BuildProgressScreen();
  void OnCommand(int id);
  // First screen (first_screen_win.cpp).
  void OnInstallClicked();
  void OnCloseFirstClicked();
  void OnCheckBoxClicked(int id);
  // Progress screen (progress_screen_win.cpp).
  void OnCloseProgressClicked();
  void OpenLink(int id);
  void OnInstallProgress(WPARAM stage);
  void OnImportProgress(WPARAM percent);
  void OnCloseWindow();
  void OnHigherVersion();
  // The setup has started: nothing cancels any more, an open resume question ends with Resume.
  void OnDropCancel();
  // Ends the window once the installation thread is done, so its result counts.
  void EndAfterInstallation(const char* location);
  void EndResumeQuestion();
  void OnPercentage(int value);
  void OnInstallerFinished();
  void OnInstallerResult();
  void OnTimer();
  // The work that waits until the first screen is painted: the shadow, the installation thread.
  void AfterFirstPaint();
  // Starts the installation thread once (before Proceed, which the thread waits for).
  void StartInstaller();
  void Paint();
  void DrawItem(const DRAWITEMSTRUCT& item);
  void HideWithShadow();
  void DestroyChildren(int id);
  [[nodiscard]] bool SkipFirstScreen() const;
  // The distribution's and the brand's say on the first screen's choices, read when needed.
  ChoiceFlags ChoiceFlagsNow() const;
  void SendUiEvent(void (*report)(UiStatisticsSink&, const std::wstring&), const std::wstring& value);
  std::wstring String(int id) const;
  uint16_t language() const;
  HWND Item(int id) const;
  void Place(HWND child, int left, int top, int width, int height);

  const distrib::BrandInfo* brand_;
  distrib::DistribParams* distrib_;
  MainWindowOptions options_;
  UINT install_progress_message_ = 0;
  UINT import_progress_message_ = 0;
  UINT close_window_message_ = 0;
  UINT higher_version_message_ = 0;
  LayoutResources layout_;
  int mask_ = 0;
  std::unique_ptr<install::Installer> installer_;
  std::unique_ptr<InstallerStatisticsSink> statistics_;

  base::ScopedGdiObject fonts_[8];  // by Font (main_window_win.cpp)
  ResourceBitmap background_;
  ResourceBitmap logo_;
  ResourceBitmap first_slide_;
  std::unique_ptr<ImageButton> install_button_;
  std::unique_ptr<ImageButton> close_first_;
  std::unique_ptr<ImageButton> close_progress_;
  std::unique_ptr<LinkButton> privacy_link_;
  std::vector<std::unique_ptr<LinkButton>> license_links_;
  std::unique_ptr<SpriteCheckBox> boxes_[3];
  std::unique_ptr<SpriteProgressBar> progress_bar_;
  int progress_value_ = 0;
  base::ComPtr<ITaskbarList3> taskbar_;
  std::unique_ptr<SlideSource> slide_source_;
  std::unique_ptr<SlideShow> slide_show_;
  std::unique_ptr<ResumeQuestionDialog> resume_question_;
  HWND shadow_ = nullptr;

  // The dialog's handle for the installation thread's posts: set at WM_INITDIALOG, cleared when
  // the window goes, so a late post finds no window rather than a stale handle.
  std::atomic<HWND> window_{nullptr};
  bool installing_ = false;
  bool license_over_slide_ = false;
  bool progress_shown_ = false;
  bool painted_ = false;  // the first paint is a start-up step
  bool installer_started_ = false;
  bool failure_shown_ = false;
  bool setup_started_ = false;  // "drop cancel" came: closing now waits for the installation
  bool closing_ = false;  // the close handler is waiting for the installation thread
  // Written by the installation thread (the window may not exist yet), read on the UI thread.
  std::atomic<int> pending_finish_code_{0};
};

}  // namespace ui
