// The web backend's window: a 640x480 canvas in the page. The clock is
// performance.now(), the keyboard is the state the page's key events leave
// behind, the joystick is the first pad of the Gamepad API, and Present puts
// the finished frame into the canvas in one putImageData. The About box is the
// shell's, drawn into the frame like the desktop's.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/platform.h"

namespace web {

class WebWindow final : public platform::Window {
 public:
  bool Create() override;
  uint32_t TickCount() override;
  // Events reach the page between animation frames, never in a loop of ours:
  // there is nothing to pump and the tab is never closed from inside.
  bool PumpEvents() override { return true; }
  // The browser calls back on the next animation frame; nothing may block.
  void WaitForEvent(uint32_t) override {}
  void Present(const uint32_t* pixels, int width, int height) override;
  void ReadKeyboard(uint8_t keys[256]) override;
  uint32_t ReadJoystick(platform::JoystickReading* out) override;

  // A key went down or up; `code` is the DOM KeyboardEvent.code (the key's
  // position, whatever the layout). True when the key is one of the game's,
  // so the page must not act on it (no scrolling on arrows and Space).
  bool OnKey(const char* code, bool down);
  // The page lost the focus: every key counts as released, since their key
  // ups go elsewhere.
  void ReleaseAllKeys();

  // The frame the shell is running, for the page's test hook.
  void SetFrameNumber(uint64_t frame) { frame_ = frame; }

 private:
  // The game's keys that are down, one bit per key position (KeyboardEvent
  // code), and the set the last ReadKeyboard saw.
  uint32_t codesDown_ = 0;
  uint32_t lastRead_ = 0;
  std::vector<uint32_t> rgba_;
  uint64_t frame_ = 0;
};

// The virtual key of a DOM KeyboardEvent.code the game reads, or 0.
int VirtualKeyOfCode(const char* code);

// A standard-mapping pad as the joystick reading: the left stick, the d-pad
// pushing the position to its ends, south = button 3, west = button 4,
// Start = button 9.
struct PadState {
  double axisX = 0.0;
  double axisY = 0.0;
  bool buttons[17] = {};
};
platform::JoystickReading ReadingOfPad(const PadState& pad);

}  // namespace web
