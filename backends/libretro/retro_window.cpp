#include "libretro/retro_window.h"

#include <algorithm>

namespace libretro {

RetroWindow::RetroWindow()
    : frame_(static_cast<size_t>(platform::CLIENT_WIDTH) * platform::CLIENT_HEIGHT, 0) {}

void RetroWindow::SetKeys(const uint8_t keys[256]) {
  std::copy(keys, keys + 256, keys_);
}

void RetroWindow::Present(const uint32_t* pixels, int width, int height) {
  if (!pixels || width != platform::CLIENT_WIDTH || height != platform::CLIENT_HEIGHT) return;
  // 0x00BBGGRR to 0x00RRGGBB: red and blue change places. A count known
  // here and pointers that cannot overlap let the compiler (at -O3) do it
  // several pixels at a time.
  constexpr size_t COUNT = static_cast<size_t>(platform::CLIENT_WIDTH) * platform::CLIENT_HEIGHT;
  uint32_t* __restrict out = frame_.data();
  const uint32_t* __restrict in = pixels;
  for (size_t i = 0; i < COUNT; ++i) {
    const uint32_t p = in[i];
    out[i] = ((p & 0xFFu) << 16) | (p & 0xFF00u) | ((p >> 16) & 0xFFu);
  }
}

void RetroWindow::ReadKeyboard(uint8_t keys[256]) {
  std::copy(keys_, keys_ + 256, keys);
}

}  // namespace libretro
