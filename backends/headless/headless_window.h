// The headless backend: a window that exists only in memory, for tests and for
// velkari-replay. Its clock is virtual (it moves only when told to), its
// keyboard and joystick are whatever the caller sets, and every presented frame
// is kept.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/platform.h"

namespace headless {

class HeadlessWindow : public platform::Window {
 public:
  // The virtual tick count.
  void SetTickCount(uint32_t now) { now_ = now; }
  void Advance(uint32_t ms) { now_ += ms; }

  // Keyboard and joystick as the next reads will see them.
  void SetKey(int vkey, bool down) { keys_[vkey & 0xFF] = down ? 0x80 : 0; }
  void ReleaseAllKeys();
  void SetJoystick(uint32_t result, const platform::JoystickReading& reading) {
    joyResult_ = result;
    joy_ = reading;
  }

  // Makes the next Create fail, as a window the system refuses.
  void FailCreate() { failCreate_ = true; }
  int CreateCount() const { return createCount_; }

  // Asks the window to close: the next PumpEvents destroys it.
  void RequestClose() { closeRequested_ = true; }

  // The last presented frame (empty before the first Present) and the count.
  const std::vector<uint32_t>& LastFrame() const { return lastFrame_; }
  int PresentCount() const { return presentCount_; }
  // The time WaitForEvent has slept, in total, on the virtual clock.
  uint64_t WaitedMilliseconds() const { return waited_; }

  bool Create() override {
    ++createCount_;
    return !failCreate_;
  }
  uint32_t TickCount() override { return now_; }
  bool PumpEvents() override;
  // Nothing else can happen in a headless window: the wait simply lets the
  // virtual time pass.
  void WaitForEvent(uint32_t timeoutMs) override;
  void Present(const uint32_t* pixels, int width, int height) override;
  void ReadKeyboard(uint8_t keys[256]) override;
  uint32_t ReadJoystick(platform::JoystickReading* out) override;

 private:
  uint32_t now_ = 0;
  uint8_t keys_[256] = {};
  uint32_t joyResult_ = platform::JOYSTICK_UNPLUGGED;
  platform::JoystickReading joy_;
  bool failCreate_ = false;
  int createCount_ = 0;
  bool closeRequested_ = false;
  bool destroyed_ = false;
  std::vector<uint32_t> lastFrame_;
  int presentCount_ = 0;
  uint64_t waited_ = 0;
};

}  // namespace headless
