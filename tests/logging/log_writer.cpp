// Test helper: logs COUNT numbered records to PATH with the given rotation threshold, as one of
// several processes sharing a log. Usage: log_writer PATH MAX_SIZE COUNT TAG
#include <windows.h>

#include <cstdlib>
#include <string>

#include "logging/file_logger.h"

int wmain(int argc, wchar_t** argv) {
  if (argc != 5) return 2;
  logging::InstallSink(std::make_unique<logging::FileLogger>(argv[1], wcstoul(argv[2], nullptr, 10)));
  // Say so once the log is installed, then start together with the other writers when the test
  // opens the gate.
  if (HANDLE ready = OpenEventW(EVENT_MODIFY_STATE, FALSE, (std::wstring(L"log_writer_ready_") + argv[4]).c_str())) {
    SetEvent(ready);
    CloseHandle(ready);
  }
  if (HANDLE gate = OpenEventW(SYNCHRONIZE, FALSE, L"log_writer_gate")) {
    WaitForSingleObject(gate, 60000);
    CloseHandle(gate);
  }
  int count = _wtoi(argv[3]);
  std::wstring tag = argv[4];
  for (int i = 0; i < count; ++i) LOG(INFO) << "writer " << tag << " record " << i << " end";
  logging::InstallSink(nullptr);
  return 0;
}
