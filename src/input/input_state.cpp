#include "input/input_state.h"

#include <cstring>

#include "platform/platform.h"

// clang-format off
const uint8_t DirectionRemapTable[48] = {
    0, 7, 3, 0, 0, 7, 3, 0, 0, 7, 3, 0, 0, 7, 3, 0,  // REMAP_HORIZONTAL
    0, 7, 3, 0, 1, 0, 0, 0, 5, 0, 0, 0, 0, 0, 0, 0,  // REMAP_FOUR_WAY
    0, 7, 3, 0, 1, 8, 2, 0, 5, 6, 4, 0, 0, 0, 0, 0,  // REMAP_EIGHT_WAY
};
// clang-format on

InputState gInputState;

namespace {
bool Down(const uint8_t keys[256], int vkey) {
  return (keys[vkey & 0xFF] & 0x80) != 0;
}
}  // namespace

InputState::InputState() = default;

void InputState::IgnoreHeldKeys() {
  std::memset(ignored_, 0, sizeof ignored_);
  if (fed_) return;
  if (source_) source_->ReadKeyboard(ignored_);
  ignoring_ = true;
}

void InputState::IgnoreUntilReleased(int vkey) {
  if (fed_) return;
  ignored_[vkey & 0xFF] = 0x80;
  ignoring_ = true;
}

void InputState::Poll(int mode) {
  prevButtons = buttons;
  ++polls;

  platform::JoystickReading reading;
  joyResult = source_ && !fed_ ? source_->ReadJoystick(&reading) : platform::JOYSTICK_UNPLUGGED;
  if (joyResult == platform::JOYSTICK_OK) {
    joyInfo.dwXpos = reading.x;
    joyInfo.dwYpos = reading.y;
    joyInfo.dwButtons = reading.buttons;
    uint32_t bits = 0;
    if (reading.x < 16384) bits |= DIR_LEFT;
    if (reading.x > 49152) bits |= DIR_RIGHT;
    if (reading.y < 16384) bits |= DIR_UP;
    if (reading.y > 49152) bits |= DIR_DOWN;
    joyDirBits = bits;
    joyButtons_ = reading.buttons;
  }

  std::memset(keys, 0, sizeof keys);
  if (fed_) {
    std::memcpy(keys, fed_, sizeof keys);
  } else if (source_) {
    source_->ReadKeyboard(keys);
  }
  if (ignoring_) {
    ignoring_ = false;
    for (int k = 0; k < 256; ++k) {
      if (!Down(ignored_, k)) continue;
      if (Down(keys, k)) {
        keys[k] = 0;
        ignoring_ = true;
      } else {
        ignored_[k] = 0;
      }
    }
  }
  uint32_t keyBits = 0;
  if (Down(keys, platform::VKEY_LEFT) || Down(keys, platform::VKEY_NUMPAD4)) keyBits |= DIR_LEFT;
  if (Down(keys, platform::VKEY_RIGHT) || Down(keys, platform::VKEY_NUMPAD6)) keyBits |= DIR_RIGHT;
  if (Down(keys, platform::VKEY_UP) || Down(keys, platform::VKEY_NUMPAD8)) keyBits |= DIR_UP;
  if (Down(keys, platform::VKEY_DOWN) || Down(keys, platform::VKEY_NUMPAD2)) keyBits |= DIR_DOWN;
  dirBits = (keyBits | joyDirBits) & 15u;

  if (mode < REMAP_HORIZONTAL || mode > REMAP_EIGHT_WAY) mode = REMAP_FOUR_WAY;
  dir = DirectionRemapTable[mode * 16 + static_cast<int>(dirBits)];

  uint32_t b = joyButtons_;
  if (Down(keys, platform::VKEY_Z) || Down(keys, platform::VKEY_SPACE)) b |= BUTTON_A;
  if (Down(keys, platform::VKEY_X) || Down(keys, platform::VKEY_RETURN)) b |= BUTTON_X;
  if (Down(keys, platform::VKEY_ESCAPE)) b |= BUTTON_PAUSE;
  buttons = b;
}

InputState::Carried InputState::SaveCarried() const {
  Carried c;
  c.joyButtons = joyButtons_;
  std::memcpy(c.ignored, ignored_, sizeof ignored_);
  c.ignoring = ignoring_;
  return c;
}

void InputState::LoadCarried(const Carried& carried) {
  joyButtons_ = carried.joyButtons;
  std::memcpy(ignored_, carried.ignored, sizeof ignored_);
  ignoring_ = carried.ignoring;
}
