// Builds BMP files byte by byte for the graphics tests, in every layout the
// reader accepts, so that each test can also damage one field at a time.
#pragma once

#include <cstdint>
#include <vector>

#include "gfx/surface.h"

namespace bmptest {

struct Layout {
  int width = 3;
  int height = 2;
  int bpp = 24;
  bool topDown = false;
  bool bitfields = false;    // BI_BITFIELDS with the masks below
  uint32_t headerSize = 40;  // 12 (core), 40, 108 or 124
  uint32_t masks[3] = {0x00FF0000u, 0x0000FF00u, 0x000000FFu};
  int paletteSize = -1;  // -1: the full 2^bpp
};

inline void Put(std::vector<uint8_t>& v, uint32_t x, int bytes) {
  for (int i = 0; i < bytes; ++i) v.push_back(static_cast<uint8_t>(x >> (8 * i)));
}

// `pixels` holds, row by row from the top, either palette indices (up to
// 8 bits per pixel) or raw pixel values as they are stored in the file.
inline std::vector<uint8_t> Build(const Layout& l, const std::vector<uint32_t>& pixels,
                                  const std::vector<COLORREF>& palette = {}) {
  std::vector<uint8_t> info;
  const bool core = l.headerSize == 12;
  Put(info, l.headerSize, 4);
  if (core) {
    Put(info, static_cast<uint32_t>(l.width), 2);
    Put(info, static_cast<uint32_t>(l.height), 2);
    Put(info, 1, 2);
    Put(info, static_cast<uint32_t>(l.bpp), 2);
  } else {
    Put(info, static_cast<uint32_t>(l.width), 4);
    Put(info, static_cast<uint32_t>(l.topDown ? -l.height : l.height), 4);
    Put(info, 1, 2);
    Put(info, static_cast<uint32_t>(l.bpp), 2);
    Put(info, l.bitfields ? 3 : 0, 4);
    Put(info, 0, 4);
    Put(info, 2835, 4);
    Put(info, 2835, 4);
    Put(info, l.paletteSize < 0 ? 0 : static_cast<uint32_t>(l.paletteSize), 4);
    Put(info, 0, 4);
    if (l.headerSize > 40) {
      for (uint32_t m : l.masks) Put(info, m, 4);
      while (info.size() < l.headerSize) info.push_back(0);
    } else if (l.bitfields) {
      for (uint32_t m : l.masks) Put(info, m, 4);
    }
  }
  if (l.bpp <= 8) {
    const int n = l.paletteSize < 0 ? 1 << l.bpp : l.paletteSize;
    for (int i = 0; i < n; ++i) {
      const COLORREF c = i < static_cast<int>(palette.size()) ? palette[i] : 0;
      info.push_back(static_cast<uint8_t>(c >> 16));
      info.push_back(static_cast<uint8_t>(c >> 8));
      info.push_back(static_cast<uint8_t>(c));
      if (!core) info.push_back(0);
    }
  }
  const int stride = ((l.width * l.bpp + 31) / 32) * 4;
  std::vector<uint8_t> image(static_cast<size_t>(stride) * l.height, 0);
  for (int row = 0; row < l.height; ++row) {
    const int fileRow = l.topDown ? row : l.height - 1 - row;
    uint8_t* dst = image.data() + static_cast<size_t>(fileRow) * stride;
    for (int x = 0; x < l.width; ++x) {
      const uint32_t v = pixels[static_cast<size_t>(row) * l.width + x];
      if (l.bpp <= 8) {
        const int bit = x * l.bpp;
        dst[bit / 8] |= static_cast<uint8_t>(v << (8 - l.bpp - bit % 8));
      } else {
        for (int b = 0; b < l.bpp / 8; ++b)
          dst[x * (l.bpp / 8) + b] = static_cast<uint8_t>(v >> (8 * b));
      }
    }
  }
  std::vector<uint8_t> file;
  const uint32_t offset = 14 + static_cast<uint32_t>(info.size());
  file.push_back('B');
  file.push_back('M');
  Put(file, offset + static_cast<uint32_t>(image.size()), 4);
  Put(file, 0, 4);
  Put(file, offset, 4);
  file.insert(file.end(), info.begin(), info.end());
  file.insert(file.end(), image.begin(), image.end());
  return file;
}

}  // namespace bmptest
