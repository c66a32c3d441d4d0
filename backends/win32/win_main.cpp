// velkari on Windows: the process entry point. The wave device and the window
// are made here and handed to the shell, which starts the sound engine before
// the window exists and stops it after the window has gone.
#include <windows.h>
// (after windows.h, whose types it uses)
#include <mmsystem.h>

#include <string>

#include "app/command_line.h"
#include "app/shell.h"
#include "common/new_file.h"
#include "win32/system_paths.h"
#include "win32/waveout_device.h"
#include "win32/win32_window.h"

namespace {

// --scale N against the primary monitor's work area: the message to exit
// with, or empty.
std::string ScaleRefused(int scale) {
  if (scale == 1) return "";
  MONITORINFO monitor = {};
  monitor.cbSize = sizeof(monitor);
  const POINT origin = {0, 0};
  if (!GetMonitorInfoW(MonitorFromPoint(origin, MONITOR_DEFAULTTOPRIMARY), &monitor)) return "";
  const RECT& r = monitor.rcWork;
  return CheckScaleFits(scale, r.right - r.left, r.bottom - r.top);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
  // A 1 ms tick count and wait: frames fall due on time, not on the 15.6 ms
  // steps of the default timer.
  timeBeginPeriod(1);
  win32::ReportToDebuggerAndStandardError();
  // --help, --version, --scale N, --record FILE, --play FILE: their texts and
  // refusals go where the program's other reports go.
  int argc = 0;
  char** argv = nullptr;
  win32::Utf8Arguments(&argc, &argv);
  int scale = 1;
  std::string record;
  int code = HandleCommandLine(argc, argv, true, &scale, &record);
  if (code == EXIT_START_GAME) {
    if (std::string refused = ScaleRefused(scale); !refused.empty()) {
      refused.pop_back();  // the line's end: a report is one line
      Report(refused.c_str());
      code = EXIT_BAD_COMMAND_LINE;
    }
  }
  if (code != EXIT_START_GAME) {
    timeEndPeriod(1);
    return code;
  }
  int exitCode = 0;
  {
    win32::WaveOutDevice device;
    win32::Win32Window window(instance, showCommand, scale);
    if (!StartProgram(window, &device, win32::ProgramFolder())) {
      Report("velkari: cannot open the window");
      exitCode = EXIT_NO_WINDOW;
    } else {
      exitCode = RunStartedGame(window, record, common::MakeRecordingFile);
    }
  }
  timeEndPeriod(1);
  return exitCode;
}
