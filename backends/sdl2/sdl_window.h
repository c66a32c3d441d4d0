// The SDL2 window backend of the game on Linux: one fixed 640 x 480 window,
// SDL's tick count and event queue, the keyboard as virtual-key state. The
// About box is the shell's, drawn into the frame: this window only tells it
// the keys and clicks.
#pragma once

#include <SDL.h>

#include "platform/platform.h"

namespace sdl2 {

class SdlWindow final : public platform::Window {
 public:
  ~SdlWindow() override;
  // The window titled VELKARI_TEXT_TITLE, client area 640 x 480, no sizing
  // border.
  bool Create() override;

  uint32_t TickCount() override;
  bool PumpEvents() override;
  void WaitForEvent(uint32_t timeoutMs) override;
  void Present(const uint32_t* pixels, int width, int height) override;
  void ReadKeyboard(uint8_t keys[256]) override;
  uint32_t ReadJoystick(platform::JoystickReading* out) override;

  SDL_Window* Handle() const { return window_; }

 private:
  void Destroy();
  SDL_Window* window_ = nullptr;
  bool closed_ = false;
};

}  // namespace sdl2
