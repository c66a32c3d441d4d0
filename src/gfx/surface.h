// Surface: a block of 32-bit pixels (COLORREF values, 0x00BBGGRR) that the core
// draws into. The back buffer, every loaded sheet, its mask and its keyed copy
// are surfaces. Storage is allocated once, by Create, never per frame.
#pragma once

#include <cstddef>
#include <cstdint>
#include <new>
#include <vector>

using COLORREF = uint32_t;

// Pixels start on a cache line: the rows of a cell then lie on whole lines
// (a cell row is two of them), and no vector move of the row loops is split
// across two lines.
template <typename T>
struct CacheLineAllocator {
  using value_type = T;
  static constexpr std::align_val_t ALIGNMENT{64};
  CacheLineAllocator() = default;
  template <typename U>
  CacheLineAllocator(const CacheLineAllocator<U>&) {}
  T* allocate(std::size_t n) { return static_cast<T*>(::operator new(n * sizeof(T), ALIGNMENT)); }
  void deallocate(T* p, std::size_t) { ::operator delete(p, ALIGNMENT); }
  template <typename U>
  bool operator==(const CacheLineAllocator<U>&) const {
    return true;
  }
};

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
  std::vector<uint32_t, CacheLineAllocator<uint32_t>> pixels_;
};

constexpr COLORREF CLR_INVALID = 0xFFFFFFFFu;
