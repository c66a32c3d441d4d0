#include "png_writer.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <fstream>
#include <initializer_list>
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

// Deflate's bits go out least significant first.
class BitWriter {
 public:
  explicit BitWriter(std::vector<uint8_t>& out) : out_(out) {}
  void Put(uint32_t value, int bits) {
    for (int i = 0; i < bits; ++i) {
      if (used_ == 0) out_.push_back(0);
      out_.back() = static_cast<uint8_t>(out_.back() | ((value >> i) & 1u) << used_);
      used_ = (used_ + 1) % 8;
    }
  }
  // Huffman codes go out from their most significant bit.
  void PutCode(uint32_t code, int bits) {
    for (int i = bits - 1; i >= 0; --i) Put(code >> i, 1);
  }

 private:
  std::vector<uint8_t>& out_;
  int used_ = 0;
};

// A literal or length symbol in the fixed code.
void PutSymbol(BitWriter& bits, uint32_t symbol) {
  if (symbol < 144)
    bits.PutCode(0x30 + symbol, 8);
  else if (symbol < 256)
    bits.PutCode(0x190 + symbol - 144, 9);
  else if (symbol < 280)
    bits.PutCode(symbol - 256, 7);
  else
    bits.PutCode(0xC0 + symbol - 280, 8);
}

constexpr uint16_t LENGTH_BASE[29] = {3,  4,  5,  6,   7,   8,   9,   10,  11, 13,
                                      15, 17, 19, 23,  27,  31,  35,  43,  51, 59,
                                      67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr uint8_t LENGTH_EXTRA[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                      2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr uint16_t DISTANCE_BASE[30] = {
    1,   2,   3,   4,   5,   7,    9,    13,   17,   25,   33,   49,   65,    97,    129,
    193, 257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
constexpr uint8_t DISTANCE_EXTRA[30] = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                        6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

// One deflate block of fixed codes. The pictures are enlarged pixel art, so
// the only copies looked for are the pixel before (runs along a row) and the
// row above (repeated rows): each byte is a copy at one of `distances` where
// one of at least 3 bytes starts, else a literal.
void Deflate(const std::vector<uint8_t>& raw, std::initializer_list<size_t> distances,
             std::vector<uint8_t>& out) {
  BitWriter bits(out);
  bits.Put(1, 1);  // the last block
  bits.Put(1, 2);  // fixed codes
  size_t at = 0;
  while (at < raw.size()) {
    size_t best = 0, bestDistance = 0;
    for (const size_t d : distances) {
      if (d == 0 || d > at || d > 32768) continue;
      size_t n = 0;
      while (n < 258 && at + n < raw.size() && raw[at + n] == raw[at + n - d]) ++n;
      if (n > best) {
        best = n;
        bestDistance = d;
      }
    }
    if (best < 3) {
      PutSymbol(bits, raw[at++]);
      continue;
    }
    int l = 28;
    while (LENGTH_BASE[l] > best) --l;
    PutSymbol(bits, 257 + static_cast<uint32_t>(l));
    bits.Put(static_cast<uint32_t>(best - LENGTH_BASE[l]), LENGTH_EXTRA[l]);
    int d = 29;
    while (DISTANCE_BASE[d] > bestDistance) --d;
    bits.PutCode(static_cast<uint32_t>(d), 5);
    bits.Put(static_cast<uint32_t>(bestDistance - DISTANCE_BASE[d]), DISTANCE_EXTRA[d]);
    at += best;
  }
  PutSymbol(bits, 256);  // the end of the block
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

  // zlib: deflate with a 32 KiB window and no preset dictionary, one block
  // of fixed codes, then the Adler-32 of the raw rows.
  std::vector<uint8_t> z = {0x78, 0x01};
  Deflate(raw, {3, w * 3 + 1}, z);
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
