// The SDL2 window backend of the game on Linux: one window of 640 x 480 times
// a whole scale, fullscreen on Alt+Enter or F11, SDL's tick count and event
// queue, the keyboard as virtual-key state. The About box is the shell's,
// drawn into the frame: this window only tells it the keys and clicks.
#pragma once

#include <SDL.h>

#include "platform/platform.h"

namespace sdl2 {

class SdlWindow final : public platform::Window {
 public:
  // scale: the window's client area is scale times 640 x 480 (1 or more).
  explicit SdlWindow(int scale = 1) : scale_(scale < 1 ? 1 : scale) {}
  ~SdlWindow() override;
  // The window titled VELKARI_TEXT_TITLE, client area 640 x 480 times the
  // scale, no sizing border.
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
  // Between the window and the desktop's fullscreen (the screen keeps its
  // mode).
  void ToggleFullscreen();
  // The last frame onto the window surface: at the largest whole scale that
  // fits, centred, black around it (filled again after a size change).
  void ShowFrame();
  // Where the frame stands on the window surface, and its scale.
  SDL_Rect FrameRect(int* scale) const;

  SDL_Window* window_ = nullptr;
  int scale_;
  bool closed_ = false;
  // The last frame presented, 640 x 480 XBGR8888: shown again when the
  // window changes size or is uncovered.
  SDL_Surface* frame_ = nullptr;
  bool framePresented_ = false;
  bool bordersDirty_ = true;
};

}  // namespace sdl2
