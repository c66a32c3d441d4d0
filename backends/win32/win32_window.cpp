#include "win32/win32_window.h"

#include <mmsystem.h>

#include "app/shell.h"
#include "win32/resource_ids.h"

namespace win32 {

namespace {
// The one window of the process, for the window procedure.
Win32Window* mainWindow = nullptr;
HINSTANCE moduleInstance = nullptr;
}  // namespace

bool FitClientArea(HWND window, int width, int height) {
  RECT client = {};
  GetClientRect(window, &client);
  SetWindowPos(window, nullptr, 0, 0, 2 * width - client.right, 2 * height - client.bottom,
               SWP_NOMOVE | SWP_FRAMECHANGED);
  return true;
}

void RegisterMainWindowClass(HINSTANCE instance) {
  wchar_t className[100] = {};
  LoadStringW(instance, IDS_CLASS, className, 100);
  WNDCLASSEXW wc = {};
  wc.cbSize = sizeof(wc);
  // CS_OWNDC: the context fetched once in Create stays valid for the window's
  // life, so a frame is shown without fetching one each time.
  wc.style = CS_HREDRAW | CS_VREDRAW | CS_OWNDC;
  wc.lpfnWndProc = MainWindowProc;
  wc.hInstance = instance;
  wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_LARGE));
  wc.hIconSm = LoadIconW(instance, MAKEINTRESOURCEW(IDI_SMALL));
  wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  wc.lpszClassName = className;
  RegisterClassExW(&wc);
}

Win32Window::Win32Window(HINSTANCE instance, int showCommand, int scale)
    : instance_(instance), showCommand_(showCommand), scale_(scale < 1 ? 1 : scale) {
  mainWindow = this;
  moduleInstance = instance;
}

Win32Window::~Win32Window() {
  if (window_) DestroyWindow(window_);
  ReleaseFrame();
  mainWindow = nullptr;
}

bool Win32Window::Create() {
  LoadStringW(instance_, IDS_TITLE, title_, 100);
  LoadStringW(instance_, IDS_CLASS, className_, 100);
  LoadStringW(instance_, IDS_PAINT, paintText_, 100);
  RegisterMainWindowClass(instance_);
  // CreateMainWindow: an outer size of 640 x 480 times the scale, which
  // WM_CREATE fits to a client area of that size.
  window_ = CreateWindowExW(0, className_, title_, WS_CAPTION | WS_SYSMENU, CW_USEDEFAULT, 0,
                            platform::CLIENT_WIDTH * scale_, platform::CLIENT_HEIGHT * scale_,
                            nullptr, nullptr, instance_, nullptr);
  if (!window_) return false;
  windowDC_ = GetDC(window_);
  // Scaled, each frame pixel becomes a square of whole pixels, not a blend.
  SetStretchBltMode(windowDC_, COLORONCOLOR);

  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = platform::CLIENT_WIDTH;
  info.bmiHeader.biHeight = -platform::CLIENT_HEIGHT;  // top-down, as the back buffer
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  frameDC_ = CreateCompatibleDC(windowDC_);
  frameBitmap_ = CreateDIBSection(windowDC_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  framePixels_ = static_cast<uint32_t*>(bits);
  if (frameDC_ && frameBitmap_) frameOldBitmap_ = SelectObject(frameDC_, frameBitmap_);

  ShowWindow(window_, showCommand_);
  UpdateWindow(window_);
  // The menu stays unattached (the outer size arithmetic counts no menu bar);
  // its two commands are reached through the accelerators.
  accelerators_ = LoadAcceleratorsW(instance_, MAKEINTRESOURCEW(IDA_MAIN));
  return true;
}

void Win32Window::ReleaseFrame() {
  if (frameDC_ && frameOldBitmap_) SelectObject(frameDC_, frameOldBitmap_);
  if (frameBitmap_) DeleteObject(frameBitmap_);
  if (frameDC_) DeleteDC(frameDC_);
  frameDC_ = nullptr;
  frameBitmap_ = nullptr;
  frameOldBitmap_ = nullptr;
  framePixels_ = nullptr;
  framePresented_ = false;
}

uint32_t Win32Window::TickCount() {
  return timeGetTime();
}

bool Win32Window::PumpEvents() {
  MSG msg;
  while (!quit_ && PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      quit_ = true;
      break;
    }
    if (accelerators_ && window_ && TranslateAcceleratorW(window_, accelerators_, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return !quit_;
}

void Win32Window::WaitForEvent(uint32_t timeoutMs) {
  if (timeoutMs == 0 || quit_) return;
  // Returns when a message arrives (also one already seen but not taken) or
  // when the next frame is due.
  MsgWaitForMultipleObjectsEx(0, nullptr, timeoutMs, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
}

void Win32Window::Present(const uint32_t* pixels, int width, int height) {
  if (!pixels || !framePixels_ || !windowDC_) return;
  if (width != platform::CLIENT_WIDTH || height != platform::CLIENT_HEIGHT) return;
  // A pending transfer may still read the section: finish it before writing.
  GdiFlush();
  // The core's pixels are 0x00BBGGRR, a 32-bit DIB's are 0x00RRGGBB.
  const int count = width * height;
  for (int i = 0; i < count; ++i) {
    const uint32_t c = pixels[i];
    framePixels_[i] = ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
  }
  framePresented_ = true;
  ShowFrame(windowDC_, false);
}

void Win32Window::ShowFrame(HDC dc, bool borders) {
  RECT client = {};
  GetClientRect(window_, &client);
  const int w = client.right, h = client.bottom;
  int s = w / platform::CLIENT_WIDTH < h / platform::CLIENT_HEIGHT ? w / platform::CLIENT_WIDTH
                                                                   : h / platform::CLIENT_HEIGHT;
  if (s < 1) s = 1;
  const int fw = platform::CLIENT_WIDTH * s, fh = platform::CLIENT_HEIGHT * s;
  const int x = w > fw ? (w - fw) / 2 : 0, y = h > fh ? (h - fh) / 2 : 0;
  if (borders) {
    const RECT border[4] = {
        {0, 0, w, y}, {0, y + fh, w, h}, {0, y, x, y + fh}, {x + fw, y, w, y + fh}};
    for (const RECT& r : border)
      if (r.right > r.left && r.bottom > r.top)
        FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  }
  if (s == 1) {
    BitBlt(dc, x, y, fw, fh, frameDC_, 0, 0, SRCCOPY);
  } else {
    SetStretchBltMode(dc, COLORONCOLOR);
    StretchBlt(dc, x, y, fw, fh, frameDC_, 0, 0, platform::CLIENT_WIDTH, platform::CLIENT_HEIGHT,
               SRCCOPY);
  }
}

void Win32Window::ToggleFullscreen() {
  if (!window_) return;
  // Alt+Enter: the Enter is still down, and must not reach the game.
  if (GetKeyState(VK_RETURN) < 0) HoldBackKey(platform::VKEY_RETURN);
  if (!fullscreen_) {
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof(monitor);
    if (!GetMonitorInfoW(MonitorFromWindow(window_, MONITOR_DEFAULTTONEAREST), &monitor)) return;
    GetWindowRect(window_, &windowedRect_);
    const RECT& m = monitor.rcMonitor;
    SetWindowLongPtrW(window_, GWL_STYLE, WS_POPUP | WS_VISIBLE);
    SetWindowPos(window_, HWND_TOP, m.left, m.top, m.right - m.left, m.bottom - m.top,
                 SWP_FRAMECHANGED | SWP_NOOWNERZORDER);
    fullscreen_ = true;
  } else {
    // The former outer rectangle with the former style: the client area is
    // what it was.
    SetWindowLongPtrW(window_, GWL_STYLE, WS_CAPTION | WS_SYSMENU | WS_VISIBLE);
    const RECT& r = windowedRect_;
    SetWindowPos(window_, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                 SWP_FRAMECHANGED | SWP_NOZORDER | SWP_NOOWNERZORDER);
    fullscreen_ = false;
  }
  InvalidateRect(window_, nullptr, TRUE);
}

void Win32Window::Paint(HWND window) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(window, &ps);
  if (framePresented_) {
    // Uncovered or resized: the last frame again, as it was shown.
    ShowFrame(dc, true);
  } else {
    RECT client;
    GetClientRect(window, &client);
    DrawTextW(dc, paintText_, -1, &client, DT_CENTER);
  }
  EndPaint(window, &ps);
}

void Win32Window::ReadKeyboard(uint8_t keys[256]) {
  if (!GetKeyboardState(keys))
    for (int i = 0; i < 256; ++i) keys[i] = 0;
}

uint32_t Win32Window::ReadJoystick(platform::JoystickReading* out) {
  JOYINFOEX info = {};
  info.dwSize = sizeof(JOYINFOEX);
  info.dwFlags = JOY_RETURNX | JOY_RETURNY | JOY_RETURNBUTTONS;
  const MMRESULT result = joyGetPosEx(JOYSTICKID1, &info);
  if (result != JOYERR_NOERROR) return result;
  if (out) {
    out->x = info.dwXpos;
    out->y = info.dwYpos;
    out->buttons = info.dwButtons;
  }
  return platform::JOYSTICK_OK;
}

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE: {
      Sleep(10);
      const int scale = mainWindow ? mainWindow->scale_ : 1;
      FitClientArea(window, platform::CLIENT_WIDTH * scale, platform::CLIENT_HEIGHT * scale);
      return 0;
    }
    case WM_ERASEBKGND:
      // Once a frame is shown, painting covers the whole client area: no
      // flash of the class background first.
      if (mainWindow && mainWindow->framePresented_) return 1;
      break;
    case WM_PAINT:
      if (mainWindow) {
        mainWindow->Paint(window);
        return 0;
      }
      break;
    case WM_DESTROY:
      // The shell releases the surfaces and the music texts once the loop
      // has seen WM_QUIT.
      if (mainWindow && mainWindow->window_ == window) {
        ReleaseDC(window, mainWindow->windowDC_);
        mainWindow->windowDC_ = nullptr;
        mainWindow->window_ = nullptr;
      }
      PostQuitMessage(0);
      return 0;
    case WM_SYSCOMMAND:
      // Alt or F10 pressed alone would open the window's menu mode, a modal
      // loop in which the game stands still until another key comes; Alt with
      // a character (Alt+Space: the system menu) still works.
      if ((wParam & 0xFFF0) == SC_KEYMENU && lParam == 0) return 0;
      break;
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDM_ABOUT:
          DialogBoxParamW(moduleInstance, MAKEINTRESOURCEW(IDD_ABOUT), window, AboutDialogProc, 0);
          return 0;
        case IDM_EXIT:
          DestroyWindow(window);
          return 0;
        case IDM_FULLSCREEN:
          if (mainWindow && mainWindow->window_ == window) mainWindow->ToggleFullscreen();
          return 0;
        default:
          break;
      }
      break;
    default:
      break;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

INT_PTR CALLBACK AboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
        EndDialog(dialog, LOWORD(wParam));
        return TRUE;
      }
      break;
    default:
      break;
  }
  return FALSE;
}

}  // namespace win32
