// InputState over a scripted keyboard and joystick: the remap table, the
// merge of both devices, the fresh-press rule and a joystick that stops
// answering.
#include <gtest/gtest.h>

#include <initializer_list>

#include "input/input_state.h"
#include "platform/platform.h"

namespace {
class FakeDevices : public platform::Window {
 public:
  bool Create() override { return true; }
  uint32_t TickCount() override { return 0; }
  bool PumpEvents() override { return true; }
  void WaitForEvent(uint32_t) override {}
  void Present(const uint32_t*, int, int) override {}
  void ReadKeyboard(uint8_t out[256]) override {
    for (int i = 0; i < 256; ++i) out[i] = keys[i];
  }
  uint32_t ReadJoystick(platform::JoystickReading* out) override {
    if (joyResult == platform::JOYSTICK_OK) *out = joy;
    return joyResult;
  }

  void Hold(std::initializer_list<int> held) {
    for (auto& k : keys) k = 0;
    for (int k : held) keys[k] = 0x80;
  }
  void Stick(uint32_t x, uint32_t y, uint32_t buttons) {
    joyResult = platform::JOYSTICK_OK;
    joy = {x, y, buttons};
  }

  uint8_t keys[256] = {};
  uint32_t joyResult = platform::JOYSTICK_UNPLUGGED;
  platform::JoystickReading joy;
};

TEST(DirectionRemapTable, RowsAsDefined) {
  const uint8_t expected[3][16] = {
      {0, 7, 3, 0, 0, 7, 3, 0, 0, 7, 3, 0, 0, 7, 3, 0},
      {0, 7, 3, 0, 1, 0, 0, 0, 5, 0, 0, 0, 0, 0, 0, 0},
      {0, 7, 3, 0, 1, 8, 2, 0, 5, 6, 4, 0, 0, 0, 0, 0},
  };
  for (int mode = 0; mode < 3; ++mode)
    for (int bits = 0; bits < 16; ++bits)
      EXPECT_EQ(DirectionRemapTable[mode * 16 + bits], expected[mode][bits])
          << "mode " << mode << " bits " << bits;
}

struct KeyCase {
  const char* name;
  std::initializer_list<int> keys;
  uint32_t dirBits;
  uint32_t dir[3];  // per mode
  uint32_t buttons;
};

TEST(InputStatePoll, KeyboardDirectionsAndButtons) {
  const KeyCase cases[] = {
      {"nothing", {}, 0, {0, 0, 0}, 0},
      {"left arrow", {platform::VKEY_LEFT}, 1, {7, 7, 7}, 0},
      {"keypad 6", {platform::VKEY_NUMPAD6}, 2, {3, 3, 3}, 0},
      {"keypad 8", {platform::VKEY_NUMPAD8}, 4, {0, 1, 1}, 0},
      {"keypad 2", {platform::VKEY_NUMPAD2}, 8, {0, 5, 5}, 0},
      {"left and right cancel", {platform::VKEY_LEFT, platform::VKEY_RIGHT}, 3, {0, 0, 0}, 0},
      {"up and left", {platform::VKEY_UP, platform::VKEY_LEFT}, 5, {7, 0, 8}, 0},
      {"down and right", {platform::VKEY_DOWN, platform::VKEY_NUMPAD6}, 10, {3, 0, 4}, 0},
      {"up and down cancel", {platform::VKEY_UP, platform::VKEY_NUMPAD2}, 12, {0, 0, 0}, 0},
      {"Z", {platform::VKEY_Z}, 0, {0, 0, 0}, 4},
      {"Space", {platform::VKEY_SPACE}, 0, {0, 0, 0}, 4},
      {"X", {platform::VKEY_X}, 0, {0, 0, 0}, 8},
      {"Enter", {platform::VKEY_RETURN}, 0, {0, 0, 0}, 8},
      {"Esc", {platform::VKEY_ESCAPE}, 0, {0, 0, 0}, 256},
      {"X and Z", {platform::VKEY_X, platform::VKEY_Z}, 0, {0, 0, 0}, 12},
      {"all three",
       {platform::VKEY_SPACE, platform::VKEY_RETURN, platform::VKEY_ESCAPE},
       0,
       {0, 0, 0},
       268},
      {"unrelated key", {'A'}, 0, {0, 0, 0}, 0},
  };
  for (const KeyCase& c : cases) {
    for (int mode = 0; mode < 3; ++mode) {
      FakeDevices dev;
      InputState in;
      in.Attach(&dev);
      dev.Hold(c.keys);
      in.Poll(mode);
      EXPECT_EQ(in.dirBits, c.dirBits) << c.name;
      EXPECT_EQ(in.dir, c.dir[mode]) << c.name << " mode " << mode;
      EXPECT_EQ(in.buttons, c.buttons) << c.name;
    }
  }
}

struct StickCase {
  uint32_t x, y;
  uint32_t dirBits;
};

TEST(InputStatePoll, JoystickThresholdsAreStrict) {
  const StickCase cases[] = {
      {32767, 32767, 0},  {0, 32767, 1},     {16383, 32767, 1}, {16384, 32767, 0},
      {49152, 32767, 0},  {49153, 32767, 2}, {65535, 32767, 2}, {32767, 16383, 4},
      {32767, 16384, 0},  {32767, 49152, 0}, {32767, 49153, 8}, {0, 0, 5},
      {65535, 65535, 10},
  };
  for (const StickCase& c : cases) {
    FakeDevices dev;
    InputState in;
    in.Attach(&dev);
    dev.Stick(c.x, c.y, 0);
    in.Poll(REMAP_EIGHT_WAY);
    EXPECT_EQ(in.dirBits, c.dirBits) << c.x << "," << c.y;
    EXPECT_EQ(in.joyDirBits, c.dirBits) << c.x << "," << c.y;
  }
}

TEST(InputStatePoll, JoystickAndKeyboardMerge) {
  FakeDevices dev;
  InputState in;
  in.Attach(&dev);
  dev.Stick(0, 32767, 1u << 2);  // fully left, button 3
  dev.Hold({platform::VKEY_RIGHT});
  in.Poll(REMAP_FOUR_WAY);
  EXPECT_EQ(in.dirBits, 3u);
  EXPECT_EQ(in.dir, 0u);
  EXPECT_EQ(in.buttons, BUTTON_A);

  // Button 4 is DESTROY, button 9 pause; any other button keeps its own bit.
  dev.Hold({});
  dev.Stick(32767, 32767, (1u << 3) | (1u << 8) | (1u << 0));
  in.Poll(REMAP_FOUR_WAY);
  EXPECT_EQ(in.buttons, BUTTON_X | BUTTON_PAUSE | 1u);
}

TEST(InputStatePoll, FailedJoystickReadKeepsLastGoodValues) {
  FakeDevices dev;
  InputState in;
  in.Attach(&dev);
  in.Poll(REMAP_FOUR_WAY);
  EXPECT_EQ(in.joyResult, platform::JOYSTICK_UNPLUGGED);
  EXPECT_EQ(in.buttons, 0u) << "never read: nothing from the stick";

  dev.Stick(65535, 32767, BUTTON_X);
  in.Poll(REMAP_FOUR_WAY);
  EXPECT_EQ(in.joyResult, platform::JOYSTICK_OK);
  EXPECT_EQ(in.dir, 3u);

  dev.joyResult = platform::JOYSTICK_UNPLUGGED;
  dev.joy = {0, 0, 0};  // must not be read
  in.Poll(REMAP_FOUR_WAY);
  EXPECT_EQ(in.joyResult, platform::JOYSTICK_UNPLUGGED);
  EXPECT_EQ(in.dir, 3u);
  EXPECT_EQ(in.buttons, BUTTON_X);
  EXPECT_EQ(in.joyDirBits, DIR_RIGHT);
}

TEST(InputStatePoll, NoSourceReadsNothing) {
  InputState in;
  in.Poll(REMAP_FOUR_WAY);
  EXPECT_EQ(in.dir, 0u);
  EXPECT_EQ(in.buttons, 0u);
  in.Poll(99);  // an unknown mode reads as four-way, never outside the table
  EXPECT_EQ(in.dir, 0u);
}

// The Enter of Alt+Enter is held back until released; the arrow held with it
// is not, and a new press of Enter is the game's again.
TEST(InputStatePoll, AKeyHeldBackReadsUpUntilReleased) {
  FakeDevices devices;
  InputState input;
  input.Attach(&devices);
  devices.Hold({platform::VKEY_RETURN, platform::VKEY_RIGHT});
  input.IgnoreUntilReleased(platform::VKEY_RETURN);
  input.Poll(REMAP_FOUR_WAY);
  EXPECT_EQ(input.buttons, 0u);
  EXPECT_EQ(input.dir, DIR_CODE_RIGHT);
  devices.Hold({platform::VKEY_RIGHT});
  input.Poll(REMAP_FOUR_WAY);
  devices.Hold({platform::VKEY_RETURN});
  input.Poll(REMAP_FOUR_WAY);
  EXPECT_EQ(input.buttons, BUTTON_X);
}

TEST(InputState, ConstructionPreparesTheJoystickRecord) {
  InputState in;
  EXPECT_EQ(in.joyInfo.dwSize, 52u);
  EXPECT_EQ(in.joyInfo.dwFlags, 131u);
  EXPECT_EQ(in.joyDirBits, 0u);
}

// Successive polls: which ones count as a fresh press of which button.
struct PressStep {
  std::initializer_list<int> keys;
  uint32_t buttons, prevButtons;
  bool pressedA, pressedX;
};

TEST(InputStateFreshPress, Sequences) {
  const PressStep steps[] = {
      {{platform::VKEY_Z}, 4, 0, true, false},                      // press Z
      {{}, 0, 4, false, false},                                     // release
      {{platform::VKEY_Z}, 4, 0, true, false},                      // a fresh press again
      {{platform::VKEY_Z}, 4, 4, false, false},                     // held: no repeat
      {{platform::VKEY_X}, 8, 4, false, true},                      // Z off and X on in one poll
      {{platform::VKEY_X, platform::VKEY_Z}, 12, 8, false, false},  // Z while X is held: neither
      {{platform::VKEY_Z}, 4, 12, true, false},      // X let go: only Z left, a change
      {{platform::VKEY_SPACE}, 4, 4, false, false},  // Space for Z is no change
  };
  FakeDevices dev;
  InputState in;
  in.Attach(&dev);
  int i = 0;
  for (const PressStep& s : steps) {
    dev.Hold(s.keys);
    in.Poll(REMAP_FOUR_WAY);
    EXPECT_EQ(in.buttons, s.buttons) << "step " << i;
    EXPECT_EQ(in.prevButtons, s.prevButtons) << "step " << i;
    EXPECT_EQ(in.Pressed(BUTTON_A), s.pressedA) << "step " << i;
    EXPECT_EQ(in.Pressed(BUTTON_X), s.pressedX) << "step " << i;
    ++i;
  }
}

}  // namespace
