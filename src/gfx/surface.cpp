#include "gfx/surface.h"

#include <algorithm>

bool Surface::Create(int width, int height) {
  if (width <= 0 || height <= 0) {
    Release();
    return false;
  }
  width_ = width;
  height_ = height;
  pixels_.assign(static_cast<size_t>(width) * static_cast<size_t>(height), 0u);
  return true;
}

void Surface::Release() {
  width_ = 0;
  height_ = 0;
  pixels_.clear();
  pixels_.shrink_to_fit();
}

COLORREF Surface::GetPixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return CLR_INVALID;
  return Row(y)[x];
}

void Surface::SetPixel(int x, int y, COLORREF color) {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
  Row(y)[x] = color & 0x00FFFFFFu;
}

void Surface::FillBlack() {
  std::fill(pixels_.begin(), pixels_.end(), 0u);
}
