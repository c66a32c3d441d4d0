// The window side of the contract between the portable core and an operating
// system (the sound side is wave_device.h). The shell (app/) creates the window
// and drives the message loop through it; the input state reads the keyboard
// and joystick through it; each backend (backends/sdl2, headless, win32, web)
// implements it. No OS type appears here.
#pragma once

#include <cstdint>

namespace platform {

constexpr int CLIENT_WIDTH = 640;
constexpr int CLIENT_HEIGHT = 480;

// Virtual-key codes as Windows numbers them; every backend fills the keyboard
// state with these indices. (Named apart from the Windows macros, so that the
// win32 backend can include this header after <windows.h>.)
constexpr int VKEY_RETURN = 0x0D;
constexpr int VKEY_ESCAPE = 0x1B;
constexpr int VKEY_SPACE = 0x20;
constexpr int VKEY_LEFT = 0x25;
constexpr int VKEY_UP = 0x26;
constexpr int VKEY_RIGHT = 0x27;
constexpr int VKEY_DOWN = 0x28;
constexpr int VKEY_X = 'X';
constexpr int VKEY_Z = 'Z';
constexpr int VKEY_NUMPAD2 = 0x62;
constexpr int VKEY_NUMPAD4 = 0x64;
constexpr int VKEY_NUMPAD6 = 0x66;
constexpr int VKEY_NUMPAD8 = 0x68;
constexpr int VKEY_SLASH = 0xBF;  // the / and ? key (VK_OEM_2)

// One reading of the first joystick: positions 0..65535 (centre 32767), button
// n (1-based) as bit n-1.
struct JoystickReading {
  uint32_t x = 32767;
  uint32_t y = 32767;
  uint32_t buttons = 0;
};
constexpr uint32_t JOYSTICK_OK = 0;           // JOYERR_NOERROR
constexpr uint32_t JOYSTICK_UNPLUGGED = 167;  // JOYERR_UNPLUGGED

// The window and the services of the main thread. One instance per process,
// made by the backend's entry point and handed to the shell (RunProgram), which
// calls Create once, after the sound engine has started.
class Window {
 public:
  virtual ~Window() = default;

  // Makes and shows the main window with a client area of exactly
  // CLIENT_WIDTH x CLIENT_HEIGHT. False when it cannot be made: the program
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

  // Reads the first joystick into *out. Returns JOYSTICK_OK on success; any other
  // value means no reading (out is then left as it was).
  virtual uint32_t ReadJoystick(JoystickReading* out) = 0;
};

}  // namespace platform
