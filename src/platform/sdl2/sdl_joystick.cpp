#include "sdl2/sdl_window.h"

namespace sdl2 {

// No joystick support yet: every read reports an unplugged stick.
uint32_t SdlWindow::ReadJoystick(platform::JoystickReading*) { return platform::kJoyUnplugged; }

}  // namespace sdl2
