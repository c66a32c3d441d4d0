// The window side of the contract between the portable core and an operating
// system (the sound side is wave_device.h). The shell (app/) creates the window
// and drives the message loop through it; the input state reads the keyboard
// and joystick through it; each backend (backends/sdl2, headless, win32, web)
// implements it. No OS type appears here.
#pragma once

#include <cstdint>

namespace platform {

constexpr int kClientWidth = 640;
constexpr int kClientHeight = 480;

// Virtual-key codes as Windows numbers them; every backend fills the keyboard
// state with these indices. (Named apart from the Windows macros, so that the
// win32 backend can include this header after <windows.h>.)
namespace vkey {
constexpr int kReturn = 0x0D;
constexpr int kEscape = 0x1B;
constexpr int kSpace = 0x20;
constexpr int kLeft = 0x25;
constexpr int kUp = 0x26;
constexpr int kRight = 0x27;
constexpr int kDown = 0x28;
constexpr int kX = 'X';
constexpr int kZ = 'Z';
constexpr int kNumpad2 = 0x62;
constexpr int kNumpad4 = 0x64;
constexpr int kNumpad6 = 0x66;
constexpr int kNumpad8 = 0x68;
constexpr int kSlash = 0xBF;  // the / and ? key (VK_OEM_2)
}  // namespace vkey

// One reading of the first joystick: positions 0..65535 (centre 32767), button
// n (1-based) as bit n-1.
struct JoystickReading {
  uint32_t x = 32767;
  uint32_t y = 32767;
  uint32_t buttons = 0;
};
constexpr uint32_t kJoyOk = 0;           // JOYERR_NOERROR
constexpr uint32_t kJoyUnplugged = 167;  // JOYERR_UNPLUGGED

// The window and the services of the main thread. One instance per process,
// made by the backend's entry point and handed to the shell (RunProgram), which
// calls Create once, after the sound engine has started.
class Window {
 public:
  virtual ~Window() = default;

  // Makes and shows the main window with a client area of exactly
  // kClientWidth x kClientHeight. False when it cannot be made: the program
  // then ends without entering the loop.
  virtual bool Create() = 0;

  // Milliseconds since some fixed start, unsigned 32 bits, wrapping.
  virtual uint32_t TickCount() = 0;

  // Handles every window event waiting now (a close request destroys the
  // window). Returns false once the window has been destroyed: the loop ends.
  virtual bool PumpEvents() = 0;

  // Blocks until a window event is waiting or timeoutMs milliseconds have
  // passed, whichever comes first. 0 returns at once.
  virtual void WaitForEvent(uint32_t timeoutMs) = 0;

  // Shows a finished 640x480 frame of 0x00BBGGRR pixels in one copy.
  virtual void Present(const uint32_t* pixels, int width, int height) = 0;

  // The keyboard state: 256 bytes, one per virtual-key code, high bit set
  // while the key is down.
  virtual void ReadKeyboard(uint8_t keys[256]) = 0;

  // Reads the first joystick into *out. Returns kJoyOk on success; any other
  // value means no reading (out is then left as it was).
  virtual uint32_t ReadJoystick(JoystickReading* out) = 0;
};

}  // namespace platform
