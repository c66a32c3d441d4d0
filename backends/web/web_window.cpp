#include "web/web_window.h"

#include <emscripten.h>
#include <emscripten/html5.h>

#include <cmath>
#include <cstring>

// The page side (page.js): the canvas, its scale and the test hook.
EM_JS(int, velkari_page_create, (), { return Module.velkariPage.create(); });
EM_JS(void, velkari_page_present, (const void* rgba, int width, int height, double frame),
      { Module.velkariPage.present(rgba, width, height, frame); });
EM_JS(void, velkari_page_keys, (double frame, int mask), { Module.velkariPage.keys(frame, mask); });

namespace web {

namespace {

struct CodeKey {
  const char* code;
  int vkey;
};
// By position, as the desktop reads scancodes: the keypad steers whatever
// the NumLock state, and both Enter keys are Enter.
constexpr CodeKey KEY_CODES[] = {
    {"ArrowLeft", platform::VKEY_LEFT},
    {"ArrowRight", platform::VKEY_RIGHT},
    {"ArrowUp", platform::VKEY_UP},
    {"ArrowDown", platform::VKEY_DOWN},
    {"Numpad2", platform::VKEY_NUMPAD2},
    {"Numpad4", platform::VKEY_NUMPAD4},
    {"Numpad6", platform::VKEY_NUMPAD6},
    {"Numpad8", platform::VKEY_NUMPAD8},
    {"KeyZ", platform::VKEY_Z},
    {"KeyX", platform::VKEY_X},
    {"Space", platform::VKEY_SPACE},
    {"Enter", platform::VKEY_RETURN},
    {"NumpadEnter", platform::VKEY_RETURN},
    {"Escape", platform::VKEY_ESCAPE},
};

constexpr int KEY_CODE_COUNT = sizeof KEY_CODES / sizeof KEY_CODES[0];
static_assert(KEY_CODE_COUNT <= 16);

int CodeIndex(const char* code) {
  if (!code) return -1;
  for (int i = 0; i < KEY_CODE_COUNT; ++i)
    if (std::strcmp(code, KEY_CODES[i].code) == 0) return i;
  return -1;
}

// Gamepad axes run -1..1; the game's positions 0..65535, centre 32767.
uint32_t Position(double axis) {
  if (!(axis >= -1.0)) axis = -1.0;  // also NaN
  if (axis > 1.0) axis = 1.0;
  return static_cast<uint32_t>(std::lround((axis + 1.0) * 32767.5));
}

// Standard mapping: 0 south, 2 west, 9 start, 12..15 up, down, left, right.
constexpr int PAD_SOUTH = 0;
constexpr int PAD_WEST = 2;
constexpr int PAD_START = 9;
constexpr int PAD_UP = 12;
constexpr int PAD_DOWN = 13;
constexpr int PAD_LEFT = 14;
constexpr int PAD_RIGHT = 15;

}  // namespace

int VirtualKeyOfCode(const char* code) {
  const int i = CodeIndex(code);
  return i < 0 ? 0 : KEY_CODES[i].vkey;
}

platform::JoystickReading ReadingOfPad(const PadState& pad) {
  platform::JoystickReading r;
  r.x = Position(pad.axisX);
  r.y = Position(pad.axisY);
  if (pad.buttons[PAD_LEFT]) r.x = 0;
  if (pad.buttons[PAD_RIGHT]) r.x = 65535;
  if (pad.buttons[PAD_UP]) r.y = 0;
  if (pad.buttons[PAD_DOWN]) r.y = 65535;
  if (pad.buttons[PAD_SOUTH]) r.buttons |= 4;    // button 3
  if (pad.buttons[PAD_WEST]) r.buttons |= 8;     // button 4
  if (pad.buttons[PAD_START]) r.buttons |= 256;  // button 9
  return r;
}

bool WebWindow::Create() {
  rgba_.assign(static_cast<size_t>(platform::CLIENT_WIDTH) * platform::CLIENT_HEIGHT, 0);
  return velkari_page_create() != 0;
}

uint32_t WebWindow::TickCount() {
  // performance.now(): milliseconds since the page began, wrapped to 32 bits.
  return static_cast<uint32_t>(static_cast<uint64_t>(emscripten_get_now()));
}

void WebWindow::Present(const uint32_t* pixels, int width, int height) {
  if (!pixels || width != platform::CLIENT_WIDTH || height != platform::CLIENT_HEIGHT) return;
  // 0x00BBGGRR in little-endian memory is R, G, B, 0: the canvas wants the
  // fourth byte opaque.
  const size_t n = rgba_.size();
  for (size_t i = 0; i < n; ++i) rgba_[i] = pixels[i] | 0xFF000000u;
  velkari_page_present(rgba_.data(), width, height, static_cast<double>(frame_));
}

bool WebWindow::OnKey(const char* code, bool down) {
  const int i = CodeIndex(code);
  if (i < 0) return false;
  if (down)
    codesDown_ |= 1u << i;
  else
    codesDown_ &= ~(1u << i);
  return true;
}

void WebWindow::ReleaseAllKeys() {
  codesDown_ = 0;
}

void WebWindow::ReadKeyboard(uint8_t keys[256]) {
  // A virtual key is down while any of its keys is (the two Enter keys).
  std::memset(keys, 0, 256);
  for (int i = 0; i < KEY_CODE_COUNT; ++i)
    if (codesDown_ & (1u << i)) keys[KEY_CODES[i].vkey] = 0x80;
  if (codesDown_ != lastRead_) {
    velkari_page_keys(static_cast<double>(frame_), static_cast<int>(codesDown_));
    lastRead_ = codesDown_;
  }
}

uint32_t WebWindow::ReadJoystick(platform::JoystickReading* out) {
  if (!out || emscripten_sample_gamepad_data() != EMSCRIPTEN_RESULT_SUCCESS)
    return platform::JOYSTICK_UNPLUGGED;
  const int count = emscripten_get_num_gamepads();
  for (int i = 0; i < count; ++i) {
    EmscriptenGamepadEvent g;
    if (emscripten_get_gamepad_status(i, &g) != EMSCRIPTEN_RESULT_SUCCESS || !g.connected) continue;
    if (std::strcmp(g.mapping, "standard") == 0) {
      PadState pad;
      if (g.numAxes > 0) pad.axisX = g.axis[0];
      if (g.numAxes > 1) pad.axisY = g.axis[1];
      for (int b = 0; b < g.numButtons && b < 17; ++b) pad.buttons[b] = g.digitalButton[b];
      *out = ReadingOfPad(pad);
    } else {
      // A pad without the standard layout: its first two axes and its
      // buttons as they are numbered.
      platform::JoystickReading r;
      if (g.numAxes > 0) r.x = Position(g.axis[0]);
      if (g.numAxes > 1) r.y = Position(g.axis[1]);
      for (int b = 0; b < g.numButtons && b < 32; ++b)
        if (g.digitalButton[b]) r.buttons |= 1u << b;
      *out = r;
    }
    return platform::JOYSTICK_OK;
  }
  return platform::JOYSTICK_UNPLUGGED;
}

}  // namespace web
