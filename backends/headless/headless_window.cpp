#include "headless/headless_window.h"

#include <algorithm>

namespace headless {

void HeadlessWindow::ReleaseAllKeys() {
  std::fill(std::begin(keys_), std::end(keys_), 0);
}

bool HeadlessWindow::PumpEvents() {
  if (closeRequested_) destroyed_ = true;
  return !destroyed_;
}

void HeadlessWindow::WaitForEvent(uint32_t timeoutMs) {
  now_ += timeoutMs;
  waited_ += timeoutMs;
}

void HeadlessWindow::Present(const uint32_t* pixels, int width, int height) {
  if (!pixels || width <= 0 || height <= 0) return;
  lastFrame_.assign(pixels, pixels + static_cast<size_t>(width) * static_cast<size_t>(height));
  ++presentCount_;
}

void HeadlessWindow::ReadKeyboard(uint8_t keys[256]) {
  std::copy(keys_, keys_ + 256, keys);
}

uint32_t HeadlessWindow::ReadJoystick(platform::JoystickReading* out) {
  if (joyResult_ == platform::JOYSTICK_OK && out) *out = joy_;
  return joyResult_;
}

}  // namespace headless
