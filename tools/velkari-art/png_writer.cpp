#include "png_writer.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

namespace {

uint32_t Crc32(const uint8_t* data, size_t size, uint32_t crc = 0) {
  crc = ~crc;
  for (size_t i = 0; i < size; ++i) {
    crc ^= data[i];
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

uint32_t Adler32(const std::vector<uint8_t>& data) {
  uint32_t a = 1, b = 0;
  for (const uint8_t byte : data) {
    a = (a + byte) % 65521;
    b = (b + a) % 65521;
  }
  return (b << 16) | a;
}

void PutBig32(std::vector<uint8_t>& out, uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(v >> shift));
}

void PutChunk(std::vector<uint8_t>& out, const char type[5], const std::vector<uint8_t>& data) {
  PutBig32(out, static_cast<uint32_t>(data.size()));
  const size_t start = out.size();
  out.insert(out.end(), type, type + 4);
  out.insert(out.end(), data.begin(), data.end());
  PutBig32(out, Crc32(out.data() + start, out.size() - start));
}

}  // namespace

bool SavePngFile(const char* path, const Surface& picture, int scale) {
  if (!picture.Valid() || scale < 1) return false;
  const uint32_t w = static_cast<uint32_t>(picture.Width() * scale);
  const uint32_t h = static_cast<uint32_t>(picture.Height() * scale);

  // The raw rows: filter type 0, then R G B for each pixel.
  std::vector<uint8_t> raw;
  raw.reserve((w * 3 + 1) * h);
  for (uint32_t y = 0; y < h; ++y) {
    raw.push_back(0);
    for (uint32_t x = 0; x < w; ++x) {
      const COLORREF c = picture.GetPixel(static_cast<int>(x) / scale, static_cast<int>(y) / scale);
      raw.push_back(static_cast<uint8_t>(c));
      raw.push_back(static_cast<uint8_t>(c >> 8));
      raw.push_back(static_cast<uint8_t>(c >> 16));
    }
  }

  // zlib: deflate with a 32 KiB window and no preset dictionary, then stored
  // blocks of at most 65535 bytes, then the Adler-32 of the raw rows.
  std::vector<uint8_t> z = {0x78, 0x01};
  size_t at = 0;
  do {
    const size_t n = std::min<size_t>(65535, raw.size() - at);
    const bool last = at + n == raw.size();
    z.push_back(last ? 1 : 0);
    z.push_back(static_cast<uint8_t>(n));
    z.push_back(static_cast<uint8_t>(n >> 8));
    z.push_back(static_cast<uint8_t>(~n));
    z.push_back(static_cast<uint8_t>(~n >> 8));
    z.insert(z.end(), raw.begin() + static_cast<std::ptrdiff_t>(at),
             raw.begin() + static_cast<std::ptrdiff_t>(at + n));
    at += n;
  } while (at < raw.size());
  PutBig32(z, Adler32(raw));

  std::vector<uint8_t> header;
  PutBig32(header, w);
  PutBig32(header, h);
  header.insert(header.end(),
                {8, 2, 0, 0, 0});  // 8 bits, RGB, deflate, no filter choice, no interlace

  std::vector<uint8_t> out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  PutChunk(out, "IHDR", header);
  PutChunk(out, "IDAT", z);
  PutChunk(out, "IEND", {});
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(reinterpret_cast<const char*>(out.data()), static_cast<std::streamsize>(out.size()));
  return static_cast<bool>(file);
}
