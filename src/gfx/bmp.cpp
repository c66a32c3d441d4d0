#include "gfx/bmp.h"

#include <bit>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <system_error>
#include <utility>
#include <vector>

#include "gfx/utf8_path.h"

namespace {

constexpr uint32_t BI_RGB = 0;
constexpr uint32_t BI_BITFIELDS = 3;
constexpr size_t FILE_HEADER_BYTES = 14;
constexpr uint32_t CORE_HEADER_BYTES = 12;
constexpr uint32_t INFO_HEADER_BYTES = 40;

uint32_t Le16(const uint8_t* p) {
  return uint32_t{p[0]} | uint32_t{p[1]} << 8;
}
uint32_t Le32(const uint8_t* p) {
  return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

inline COLORREF Rgb(uint32_t r, uint32_t g, uint32_t b) {
  return r | g << 8 | b << 16;
}

// One colour channel of a bit-field pixel, scaled to 8 bits so that a full
// field gives 255.
struct Field {
  uint32_t mask = 0;
  int shift = 0;
  uint32_t max = 0;

  bool Set(uint32_t m) {
    mask = m;
    if (m == 0) return true;  // a missing channel reads as 0
    shift = std::countr_zero(m);
    max = m >> shift;
    return (max & (max + 1)) == 0;  // the bits must be contiguous
  }
  uint32_t Get(uint32_t px) const {
    if (mask == 0) return 0;
    const uint32_t v = (px & mask) >> shift;
    return static_cast<uint32_t>((uint64_t{v} * 255 + max / 2) / max);
  }
};

}  // namespace

bool DecodeBmp(const uint8_t* data, size_t size, Surface& out, BmpReason* why) {
  BmpReason local;
  BmpReason& r = why ? *why : local;
  r = BmpReason{};
  auto refuse = [&r](BmpFault fault) {
    r.fault = fault;
    return false;
  };
  auto truncated = [&r, size](uint64_t need) {
    r.fault = BMP_TRUNCATED;
    r.have = size;
    r.need = need;
    return false;
  };
  if (!data || size == 0) return refuse(BMP_EMPTY);
  if (size < 2 || data[0] != 'B' || data[1] != 'M') return refuse(BMP_NOT_A_BITMAP);
  if (size < FILE_HEADER_BYTES + CORE_HEADER_BYTES)
    return truncated(FILE_HEADER_BYTES + CORE_HEADER_BYTES);
  const uint32_t pixelOffset = Le32(data + 10);
  const uint32_t headerSize = Le32(data + FILE_HEADER_BYTES);
  if (headerSize != CORE_HEADER_BYTES && headerSize < INFO_HEADER_BYTES)
    return refuse(BMP_BAD_HEADER);
  if (headerSize > size - FILE_HEADER_BYTES)
    return truncated(uint64_t{FILE_HEADER_BYTES} + headerSize);
  const uint8_t* h = data + FILE_HEADER_BYTES;

  int64_t width, height;
  uint32_t planes, bpp, compression = BI_RGB, paletteUsed = 0;
  size_t paletteEntryBytes;
  if (headerSize == CORE_HEADER_BYTES) {
    width = Le16(h + 4);
    height = Le16(h + 6);
    planes = Le16(h + 8);
    bpp = Le16(h + 10);
    paletteEntryBytes = 3;
  } else {
    width = static_cast<int32_t>(Le32(h + 4));
    height = static_cast<int32_t>(Le32(h + 8));
    planes = Le16(h + 12);
    bpp = Le16(h + 14);
    compression = Le32(h + 16);
    paletteUsed = Le32(h + 32);
    paletteEntryBytes = 4;
  }
  const bool topDown = height < 0;
  if (topDown) height = -height;
  r.width = width;
  r.height = height;
  r.bitsPerPixel = bpp;
  r.compression = compression;
  if (planes != 1) return refuse(BMP_BAD_HEADER);
  if (width <= 0 || height <= 0 || width > BMP_MAX_SIDE || height > BMP_MAX_SIDE)
    return refuse(BMP_SIZE_REFUSED);
  if (width * height > BMP_MAX_PIXELS) return refuse(BMP_SIZE_REFUSED);
  if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32)
    return refuse(BMP_DEPTH_REFUSED);
  if (compression == BI_BITFIELDS) {
    if (bpp != 16 && bpp != 32) return refuse(BMP_DEPTH_REFUSED);
  } else if (compression != BI_RGB) {
    return refuse(BMP_COMPRESSION_REFUSED);  // run-length, JPEG and PNG payloads are not read
  }

  // Colour masks: in the header from version 2 on, else right after it.
  Field red, green, blue;
  size_t afterHeader = FILE_HEADER_BYTES + headerSize;
  if (compression == BI_BITFIELDS) {
    const uint8_t* m;
    if (headerSize >= INFO_HEADER_BYTES + 12) {
      m = h + INFO_HEADER_BYTES;
    } else {
      if (size - afterHeader < 12) return truncated(afterHeader + 12);
      m = data + afterHeader;
      afterHeader += 12;
    }
    if (!red.Set(Le32(m)) || !green.Set(Le32(m + 4)) || !blue.Set(Le32(m + 8)))
      return refuse(BMP_BAD_MASKS);
    if (red.mask == 0 && green.mask == 0 && blue.mask == 0) return refuse(BMP_BAD_MASKS);
  } else if (bpp == 16) {
    red.Set(0x7C00);
    green.Set(0x03E0);
    blue.Set(0x001F);
  }

  // The palette of indexed pictures.
  COLORREF palette[256] = {};
  size_t paletteSize = 0;
  if (bpp <= 8) {
    const size_t full = size_t{1} << bpp;
    if (paletteUsed > full) return refuse(BMP_BAD_PALETTE);
    paletteSize = paletteUsed ? paletteUsed : full;
    const size_t bytes = paletteSize * paletteEntryBytes;
    if (size - afterHeader < bytes) return truncated(afterHeader + bytes);
    for (size_t i = 0; i < paletteSize; ++i) {
      const uint8_t* e = data + afterHeader + i * paletteEntryBytes;
      palette[i] = Rgb(e[2], e[1], e[0]);
    }
  }

  const int64_t stride = ((width * bpp + 31) / 32) * 4;
  if (pixelOffset < afterHeader) return refuse(BMP_BAD_HEADER);
  if (pixelOffset > size || static_cast<int64_t>(size - pixelOffset) < stride * height)
    return truncated(uint64_t{pixelOffset} + static_cast<uint64_t>(stride * height));

  Surface result;
  if (!result.Create(static_cast<int>(width), static_cast<int>(height)))
    return refuse(BMP_OUT_OF_MEMORY);
  const int w = static_cast<int>(width), hgt = static_cast<int>(height);
  for (int row = 0; row < hgt; ++row) {
    const uint8_t* src =
        data + pixelOffset + static_cast<size_t>(row) * static_cast<size_t>(stride);
    uint32_t* dst = result.Row(topDown ? row : hgt - 1 - row);
    for (int x = 0; x < w; ++x) {
      COLORREF c;
      switch (bpp) {
        case 1:
        case 4:
        case 8: {
          const size_t bit = static_cast<size_t>(x) * bpp;
          const uint32_t index = (src[bit / 8] >> (8 - bpp - bit % 8)) & ((1u << bpp) - 1);
          if (index >= paletteSize) return refuse(BMP_BAD_PALETTE);
          c = palette[index];
          break;
        }
        case 16: {
          const uint32_t px = Le16(src + 2 * x);
          c = Rgb(red.Get(px), green.Get(px), blue.Get(px));
          break;
        }
        case 24:
          c = Rgb(src[3 * x + 2], src[3 * x + 1], src[3 * x]);
          break;
        default: {
          const uint8_t* p = src + 4 * x;
          if (compression == BI_BITFIELDS) {
            const uint32_t px = Le32(p);
            c = Rgb(red.Get(px), green.Get(px), blue.Get(px));
          } else {
            c = Rgb(p[2], p[1], p[0]);  // the fourth byte is unused
          }
          break;
        }
      }
      dst[x] = c;
    }
  }
  out = std::move(result);
  return true;
}

bool LoadBmpFile(const char* path, Surface& out, BmpReason* why) {
  BmpReason local;
  BmpReason& r = why ? *why : local;
  r = BmpReason{};
  if (!path || !*path) {
    r.fault = BMP_NOT_FOUND;
    return false;
  }
  std::error_code ec;
  const std::filesystem::file_status status = std::filesystem::status(Utf8Path(path), ec);
  if (!std::filesystem::exists(status)) {
    // A path that cannot be looked at (a part of it is no folder, no
    // permission) is as good as missing to the game.
    r.fault = status.type() == std::filesystem::file_type::unknown ? BMP_UNREADABLE : BMP_NOT_FOUND;
    return false;
  }
  if (std::filesystem::is_directory(status)) {
    r.fault = BMP_FOLDER;
    return false;
  }
  if (!std::filesystem::is_regular_file(status)) {
    r.fault = BMP_NOT_REGULAR;
    return false;
  }
  std::ifstream file(Utf8Path(path), std::ios::binary | std::ios::ate);
  if (!file) {
    r.fault = BMP_UNREADABLE;
    return false;
  }
  const std::streamoff length = file.tellg();
  if (length < 0) {
    r.fault = BMP_UNREADABLE;
    return false;
  }
  if (length > BMP_MAX_FILE_BYTES) {
    r.fault = BMP_FILE_TOO_LARGE;
    r.have = static_cast<uint64_t>(length);
    r.need = BMP_MAX_FILE_BYTES;
    return false;
  }
  if (length == 0) {
    r.fault = BMP_EMPTY;
    return false;
  }
  std::vector<uint8_t> bytes(static_cast<size_t>(length));
  file.seekg(0);
  if (!file.read(reinterpret_cast<char*>(bytes.data()), length)) {
    r.fault = BMP_UNREADABLE;
    return false;
  }
  return DecodeBmp(bytes.data(), bytes.size(), out, &r);
}

std::string DescribeBmpReason(const BmpReason& why) {
  char detail[96] = "";
  const char* text = "";
  // A message with the bytes there are and the bytes wanted.
  auto haveAndNeed = [&](const char* format) -> std::string {
    std::snprintf(detail, sizeof detail, format, static_cast<unsigned long long>(why.have),
                  static_cast<unsigned long long>(why.need));
    return detail;
  };
  switch (why.fault) {
    case BMP_OK:
      return "loaded";
    case BMP_NOT_FOUND:
      return "not found";
    case BMP_FOLDER:
      return "a folder, not a file";
    case BMP_UNREADABLE:
      return "cannot be read";
    case BMP_EMPTY:
      return "empty";
    case BMP_FILE_TOO_LARGE:
      return haveAndNeed("too large (%llu bytes, at most %llu)");
    case BMP_NOT_A_BITMAP:
      return "not a bitmap";
    case BMP_TRUNCATED:
      return haveAndNeed("truncated (%llu of %llu bytes)");
    case BMP_BAD_HEADER:
      return "a damaged bitmap header";
    case BMP_SIZE_REFUSED:
      std::snprintf(detail, sizeof detail, "a size the reader refuses (%lld x %lld pixels)",
                    static_cast<long long>(why.width), static_cast<long long>(why.height));
      return detail;
    case BMP_DEPTH_REFUSED:
      std::snprintf(detail, sizeof detail, "a depth the reader refuses (%u bits per pixel%s)",
                    static_cast<unsigned>(why.bitsPerPixel),
                    why.compression == BI_BITFIELDS ? " with bit fields" : "");
      return detail;
    case BMP_COMPRESSION_REFUSED:
      std::snprintf(detail, sizeof detail, "a compression the reader refuses (type %u)",
                    static_cast<unsigned>(why.compression));
      return detail;
    case BMP_BAD_MASKS:
      text = "damaged colour masks";
      break;
    case BMP_BAD_PALETTE:
      text = "a damaged palette";
      break;
    case BMP_OUT_OF_MEMORY:
      text = "out of memory";
      break;
    case BMP_NOT_REGULAR:
      text = "not a regular file (a FIFO, a device or a socket)";
      break;
  }
  return text;
}

namespace {
void Put16(std::vector<uint8_t>& v, uint32_t x) {
  v.push_back(static_cast<uint8_t>(x));
  v.push_back(static_cast<uint8_t>(x >> 8));
}
void Put32(std::vector<uint8_t>& v, uint32_t x) {
  Put16(v, x & 0xFFFF);
  Put16(v, x >> 16);
}

// The file and info headers of a bottom-up BI_RGB bitmap of `bitsPerPixel`,
// with `colours` palette entries (the colours used, all of them important)
// between the headers and the pixels.
void PutHeaders(std::vector<uint8_t>& out, int w, int h, uint32_t bitsPerPixel, uint32_t colours,
                uint32_t imageBytes) {
  const uint32_t offset = FILE_HEADER_BYTES + INFO_HEADER_BYTES + 4 * colours;
  out.reserve(offset + imageBytes);
  out.push_back('B');
  out.push_back('M');
  Put32(out, offset + imageBytes);
  Put32(out, 0);
  Put32(out, offset);
  Put32(out, INFO_HEADER_BYTES);
  Put32(out, static_cast<uint32_t>(w));
  Put32(out, static_cast<uint32_t>(h));
  Put16(out, 1);
  Put16(out, bitsPerPixel);
  Put32(out, BI_RGB);
  Put32(out, imageBytes);
  Put32(out, 2835);  // 72 dots per inch
  Put32(out, 2835);
  Put32(out, colours);
  Put32(out, 0);
}

}  // namespace

bool EncodeBmp(const Surface& surface, std::vector<uint8_t>& out) {
  out.clear();
  if (!surface.Valid()) return false;
  const int w = surface.Width(), h = surface.Height();
  const uint32_t stride = (static_cast<uint32_t>(w) * 3 + 3) & ~3u;
  const uint32_t imageBytes = stride * static_cast<uint32_t>(h);
  PutHeaders(out, w, h, 24, 0, imageBytes);
  for (int y = h - 1; y >= 0; --y) {
    const uint32_t* row = surface.Row(y);
    for (int x = 0; x < w; ++x) {
      out.push_back(static_cast<uint8_t>(row[x] >> 16));
      out.push_back(static_cast<uint8_t>(row[x] >> 8));
      out.push_back(static_cast<uint8_t>(row[x]));
    }
    for (uint32_t pad = static_cast<uint32_t>(w) * 3; pad < stride; ++pad) out.push_back(0);
  }
  return true;
}

bool EncodePaletteBmp(const Surface& surface, std::vector<uint8_t>& out) {
  out.clear();
  if (!surface.Valid()) return false;
  const int w = surface.Width(), h = surface.Height();
  std::vector<COLORREF> palette;
  std::vector<uint8_t> indices(static_cast<size_t>(w) * static_cast<size_t>(h));
  for (int y = 0; y < h; ++y) {
    const uint32_t* row = surface.Row(y);
    for (int x = 0; x < w; ++x) {
      // Pictures hold few colours, in runs: the last one found is the likely one.
      size_t i = palette.size();
      while (i > 0 && palette[i - 1] != row[x]) --i;
      if (i == 0) {
        if (palette.size() == 256) return false;
        palette.push_back(row[x]);
        i = palette.size();
      }
      indices[static_cast<size_t>(y) * static_cast<size_t>(w) + static_cast<size_t>(x)] =
          static_cast<uint8_t>(i - 1);
    }
  }
  const uint32_t bpp = palette.size() <= 16 ? 4 : 8;
  const uint32_t stride = ((static_cast<uint32_t>(w) * bpp + 31) / 32) * 4;
  const uint32_t imageBytes = stride * static_cast<uint32_t>(h);
  const uint32_t colours = static_cast<uint32_t>(palette.size());
  PutHeaders(out, w, h, bpp, colours, imageBytes);
  for (const COLORREF c : palette) {
    out.push_back(static_cast<uint8_t>(c >> 16));
    out.push_back(static_cast<uint8_t>(c >> 8));
    out.push_back(static_cast<uint8_t>(c));
    out.push_back(0);
  }
  for (int y = h - 1; y >= 0; --y) {
    const size_t rowStart = out.size();
    const uint8_t* index = indices.data() + static_cast<size_t>(y) * static_cast<size_t>(w);
    for (int x = 0; x < w; ++x) {
      if (bpp == 8)
        out.push_back(index[x]);
      else if (x % 2 == 0)
        out.push_back(static_cast<uint8_t>(index[x] << 4));
      else
        out.back() = static_cast<uint8_t>(out.back() | index[x]);
    }
    out.resize(rowStart + stride, 0);
  }
  return true;
}

bool SaveBmpFile(const char* path, const Surface& surface) {
  std::vector<uint8_t> bytes;
  if (!path || !EncodeBmp(surface, bytes)) return false;
  std::ofstream file(Utf8Path(path), std::ios::binary | std::ios::trunc);
  if (!file) return false;
  file.write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(file);
}
