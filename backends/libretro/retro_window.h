// The libretro backend's window: a picture in memory that the frontend shows.
// Its clock moves only when the core says so, one frame a retro_run; its
// keyboard is what the RetroPad holds, set before each frame; every presented
// frame is kept as the frontend's XRGB8888.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/platform.h"

namespace libretro {

class RetroWindow final : public platform::Window {
 public:
  RetroWindow();

  void SetTickCount(uint32_t now) { now_ = now; }
  void SetKeys(const uint8_t keys[256]);

  // The last presented frame as 0x00RRGGBB pixels, 640 x 480 (black before
  // the first).
  const uint32_t* Frame() const { return frame_.data(); }

  bool Create() override { return true; }
  uint32_t TickCount() override { return now_; }
  bool PumpEvents() override { return true; }
  void WaitForEvent(uint32_t) override {}
  void Present(const uint32_t* pixels, int width, int height) override;
  void ReadKeyboard(uint8_t keys[256]) override;
  uint32_t ReadJoystick(platform::JoystickReading*) override {
    return platform::JOYSTICK_UNPLUGGED;
  }

 private:
  uint32_t now_ = 0;
  uint8_t keys_[256] = {};
  std::vector<uint32_t> frame_;
};

}  // namespace libretro
