// Surface: a block of 32-bit pixels (COLORREF values, 0x00BBGGRR) that the core
// draws into. The back buffer, every loaded sheet, its mask and its keyed copy
// are surfaces. Storage is allocated once, by Create, never per frame.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

using COLORREF = uint32_t;

class Surface {
 public:
  // Allocates width x height pixels, all black. A width or height of 0 or less
  // makes an empty surface that every operation treats as having no pixels.
  bool Create(int width, int height);
  void Release();

  bool Valid() const { return width_ > 0 && height_ > 0; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  uint32_t* Pixels() { return pixels_.data(); }
  const uint32_t* Pixels() const { return pixels_.data(); }
  uint32_t* Row(int y) {
    return pixels_.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width_);
  }
  const uint32_t* Row(int y) const {
    return pixels_.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width_);
  }

  // Single-pixel access. Outside the surface GetPixel yields CLR_INVALID and
  // SetPixel does nothing, as GDI does.
  COLORREF GetPixel(int x, int y) const;
  void SetPixel(int x, int y, COLORREF color);

  // Fills the whole surface with black (the BLACKNESS raster operation).
  void FillBlack();

 private:
  int width_ = 0;
  int height_ = 0;
  std::vector<uint32_t> pixels_;
};

constexpr COLORREF CLR_INVALID = 0xFFFFFFFFu;
