// ui_demo --dialog=resume|error|revocation|newer|diskspace|cpu|first [--language=1049] [--mask=7]
//         [--force-device-scale-factor=2] [--ready-file=NAME] [--close-file=NAME]
// Shows one message dialog of the installer. With --ready-file the file is written once the
// dialog is on screen and painted (a screenshot script waits for it); with --close-file the dialog
// closes itself through its second button (or its only button) once that file exists (the script
// writes it after its screenshot). Prints the end code.
// "first" previews the first screen (check-box mask 0..7) without an installation behind it.
#include <windows.h>

#include <cstdio>
#include <memory>
#include <string>

#include "base/command_line.h"
#include "base/strings.h"
#include "startup/ui_environment_win.h"
#include "ui/control_ids.h"
#include "ui/message_dialog_win.h"
#include "ui/scale.h"
#include "first_screen_preview.h"

namespace {

std::wstring g_ready_file;
std::wstring g_close_file;
HWND g_dialog = nullptr;

BOOL CALLBACK FindShownDialog(HWND window, LPARAM found) {
  wchar_t name[16] = {};
  GetClassNameW(window, name, 16);
  if (IsWindowVisible(window) && std::wstring(name) == L"#32770") {
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
  }
  return TRUE;
}

void CALLBACK CloseWhenAsked(HWND, UINT, UINT_PTR id, DWORD) {
  if (GetFileAttributesW(g_close_file.c_str()) == INVALID_FILE_ATTRIBUTES) return;
  KillTimer(nullptr, id);
  HWND button = GetDlgItem(g_dialog, ui::ids::kDialogSecondButton);
  if (!IsWindowVisible(button)) button = GetDlgItem(g_dialog, ui::ids::kDialogMainButton);
  SendMessageW(button, BM_CLICK, 0, 0);
}

// A timer comes only when no paint is pending, so by this tick the dialog has painted and the
// message loop has been idle, which is when the window's pixels reach the display.
void CALLBACK SayReady(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  if (!g_ready_file.empty()) {
    if (FILE* ready = _wfopen(g_ready_file.c_str(), L"w")) fclose(ready);
  }
  if (!g_close_file.empty()) SetTimer(nullptr, 0, 50, CloseWhenAsked);
}

void CALLBACK WatchForDialog(HWND, UINT, UINT_PTR id, DWORD) {
  EnumThreadWindows(GetCurrentThreadId(), FindShownDialog, reinterpret_cast<LPARAM>(&g_dialog));
  if (!g_dialog) return;
  KillTimer(nullptr, id);
  RedrawWindow(g_dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  SetTimer(nullptr, 0, 0, SayReady);
}

}  // namespace

int wmain() {
  auto& command_line = base::CommandLine::ForCurrentProcess();
  ui::InitScaleFactor(command_line);
  std::string which = command_line.GetSwitchValueNarrow("dialog");
  uint16_t language = 1033;
  if (auto parsed = base::ParseUint32(command_line.GetSwitchValue("language")))
    language = static_cast<uint16_t>(*parsed);
  g_ready_file = command_line.GetSwitchValue("ready-file");
  g_close_file = command_line.GetSwitchValue("close-file");

  startup::UiEnvironment environment;
  if (which == "first") {
    int mask = 7;
    if (auto parsed = base::ParseUint32(command_line.GetSwitchValue("mask"))) mask = *parsed;
    SetTimer(nullptr, 0, 50, WatchForDialog);
    INT_PTR code = RunFirstScreenPreview(language, mask);
    printf("preview ended with %d\n", static_cast<int>(code));
    return static_cast<int>(code);
  }
  if (which == "cpu") {
    ui::ShowUnsupportedProcessorMessage(language, true);
    return 0;
  }
  std::unique_ptr<ui::MessageDialog> dialog;
  if (which == "resume") {
    dialog = std::make_unique<ui::ResumeQuestionDialog>(language);
  } else if (which == "error") {
    dialog = std::make_unique<ui::InstallErrorDialog>(language, "http://127.0.0.1/manual",
                                                      [](const std::string& url) {
                                                        printf("would open %s\n", url.c_str());
                                                      });
  } else if (which == "revocation") {
    dialog = ui::MakeRevocationProviderNotice(language);
  } else if (which == "newer") {
    dialog = ui::MakeNewerVersionNotice(language);
  } else if (which == "diskspace") {
    dialog = ui::MakeDiskSpaceNotice(language);
  } else {
    fprintf(stderr, "usage: ui_demo --dialog=resume|error|revocation|newer|diskspace|cpu\n");
    return 2;
  }
  SetTimer(nullptr, 0, 50, WatchForDialog);
  INT_PTR code = dialog->Run();
  printf("dialog ended with %d\n", static_cast<int>(code));
  fflush(stdout);
  return static_cast<int>(code);
}
