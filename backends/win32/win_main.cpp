// velkari on Windows: the process entry point. The wave device and the window
// are made here and handed to the shell, which starts the sound engine before
// the window exists and stops it after the window has gone.
#include <windows.h>
// (after windows.h, whose types it uses)
#include <mmsystem.h>

#include "app/command_line.h"
#include "app/shell.h"
#include "win32/system_paths.h"
#include "win32/waveout_device.h"
#include "win32/win32_window.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
  // A 1 ms tick count and wait: frames fall due on time, not on the 15.6 ms
  // steps of the default timer.
  timeBeginPeriod(1);
  win32::ReportToDebuggerAndStandardError();
  // --help, --version, --record FILE, --play FILE: their texts and refusals go
  // where the program's other reports go.
  int argc = 0;
  char** argv = nullptr;
  win32::Utf8Arguments(&argc, &argv);
  if (const int code = HandleCommandLine(argc, argv, true); code != EXIT_START_GAME) {
    timeEndPeriod(1);
    return code;
  }
  int exitCode = 0;
  {
    win32::WaveOutDevice device;
    win32::Win32Window window(instance, showCommand);
    exitCode = RunProgram(window, &device, win32::ProgramFolder());
  }
  timeEndPeriod(1);
  return exitCode;
}
