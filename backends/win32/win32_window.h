// The Win32 window of the game: the window class and the main window (a
// caption with a close box, a client area of exactly 640 x 480 times a whole
// scale; fullscreen on Alt+Enter or F11), its window procedure and the About
// box, the message pump with the accelerators, the 1 ms tick count, the
// present of each frame, the keyboard state and the first joystick. One instance, made by WinMain
// and handed to RunProgram.
#pragma once

#include <windows.h>

#include <cstdint>

#include "platform/platform.h"

namespace win32 {

// Sizes `window` so that its client area is width x height. The new outer
// size is 2 x width - client right by 2 x height - client bottom, which is
// right because the main window is created with an outer size of exactly
// width x height. The position stays. Always true.
bool FitClientArea(HWND window, int width, int height);

// Registers the main window's class (icons 107 and 108, no menu, the class
// name from string 109). The result is not examined.
void RegisterMainWindowClass(HINSTANCE instance);

class Win32Window final : public platform::Window {
 public:
  // scale: the client area is scale times 640 x 480 (1 or more).
  Win32Window(HINSTANCE instance, int showCommand, int scale = 1);
  ~Win32Window() override;
  Win32Window(const Win32Window&) = delete;
  Win32Window& operator=(const Win32Window&) = delete;

  // Loads the title and class strings, registers the class, creates and shows
  // the window and loads accelerator table 109. False when the window could
  // not be made.
  bool Create() override;
  // timeGetTime: WinMain has set the timer resolution to 1 ms.
  uint32_t TickCount() override;
  // Takes every waiting message (accelerators first); false once WM_QUIT has
  // come, i.e. the window has been destroyed.
  bool PumpEvents() override;
  void WaitForEvent(uint32_t timeoutMs) override;
  void Present(const uint32_t* pixels, int width, int height) override;
  void ReadKeyboard(uint8_t keys[256]) override;
  uint32_t ReadJoystick(platform::JoystickReading* out) override;

  HWND Handle() const { return window_; }

 private:
  friend LRESULT CALLBACK MainWindowProc(HWND, UINT, WPARAM, LPARAM);
  void Paint(HWND window);
  void ReleaseFrame();
  // Between the captioned window and a borderless one covering its monitor
  // (the screen keeps its mode); back, the window has its former place and
  // client size.
  void ToggleFullscreen();
  // The kept frame into `dc` at the largest whole scale that fits the client
  // area, centred; with `borders`, black around it.
  void ShowFrame(HDC dc, bool borders);

  HINSTANCE instance_;
  int showCommand_;
  int scale_;
  bool fullscreen_ = false;
  RECT windowedRect_ = {};
  HWND window_ = nullptr;
  HACCEL accelerators_ = nullptr;
  bool quit_ = false;
  wchar_t title_[100] = {};
  wchar_t className_[100] = {};
  wchar_t paintText_[100] = {};
  // The window's own context (CS_OWNDC), fetched once, and the last frame
  // shown, kept in a DIB section so that an uncovered window shows it again.
  HDC windowDC_ = nullptr;
  HDC frameDC_ = nullptr;
  HBITMAP frameBitmap_ = nullptr;
  HGDIOBJ frameOldBitmap_ = nullptr;
  uint32_t* framePixels_ = nullptr;
  bool framePresented_ = false;
};

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK AboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace win32
