#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "bmp_builder.h"
#include "gfx/bmp.h"

namespace {

using bmptest::Build;
using bmptest::Layout;

std::vector<COLORREF> Pixels(const Surface& s) {
  std::vector<COLORREF> v;
  for (int y = 0; y < s.Height(); ++y)
    for (int x = 0; x < s.Width(); ++x) v.push_back(s.GetPixel(x, y));
  return v;
}

struct FormatCase {
  const char* name;
  Layout layout;
  std::vector<uint32_t> stored;    // as written in the file, top row first
  std::vector<COLORREF> palette;   // for indexed formats
  std::vector<COLORREF> expected;  // 0x00BBGGRR, top row first
};

Layout L(int w, int h, int bpp, bool topDown = false, bool bitfields = false,
         uint32_t headerSize = 40) {
  Layout l;
  l.width = w;
  l.height = h;
  l.bpp = bpp;
  l.topDown = topDown;
  l.bitfields = bitfields;
  l.headerSize = headerSize;
  return l;
}

TEST(Bmp, DecodesEverySupportedFormat) {
  const COLORREF red = 0x000000FF, green = 0x0000FF00, blue = 0x00FF0000, white = 0x00FFFFFF;
  Layout masks565 = L(2, 1, 16, false, true);
  masks565.masks[0] = 0xF800;
  masks565.masks[1] = 0x07E0;
  masks565.masks[2] = 0x001F;
  Layout rgba32 = L(2, 1, 32, false, true);
  rgba32.masks[0] = 0x000000FF;  // red in the lowest byte
  rgba32.masks[1] = 0x0000FF00;
  rgba32.masks[2] = 0x00FF0000;
  Layout v5 = L(2, 1, 32, true, true, 124);
  Layout small = L(3, 1, 8);
  small.paletteSize = 3;
  const FormatCase cases[] = {
      {"1 bpp, 9 wide (a partly used byte)",
       L(9, 2, 1),
       {1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 0, 0, 0, 0, 0, 0, 1, 1},
       {red, blue},
       {blue, red, blue, red, blue, red, blue, red, blue, red, red, red, red, red, red, red, blue,
        blue}},
      {"4 bpp",
       L(3, 2, 4),
       {0, 1, 15, 2, 2, 1},
       {red, green, blue, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, white},
       {red, green, white, blue, blue, green}},
      {"8 bpp top-down",
       L(2, 2, 8, true),
       {200, 1, 1, 200},
       {0, 0x00123456},
       {0, 0x00123456, 0x00123456, 0}},
      {"8 bpp with a short palette", small, {2, 1, 0}, {red, green, blue}, {blue, green, red}},
      {"8 bpp core header",
       L(2, 1, 8, false, false, 12),
       {1, 0},
       {red, 0x00C0FFEE},
       {0x00C0FFEE, red}},
      {"16 bpp 5-5-5", L(2, 1, 16), {0x7C00, 0x001F}, {}, {red, blue}},
      {"16 bpp 5-6-5 bit fields", masks565, {0x07E0, 0xFFFF}, {}, {green, white}},
      {"24 bpp bottom-up",
       L(3, 2, 24),
       {0xFF0000, 0x00FF00, 0x0000FF, 0x123456, 0, 0xFFFFFF},
       {},
       {red, green, blue, 0x00563412, 0, white}},
      {"24 bpp top-down", L(1, 2, 24, true), {0x0000FF, 0xFF0000}, {}, {blue, red}},
      {"32 bpp ignores the fourth byte",
       L(2, 1, 32),
       {0xFF123456, 0x00ABCDEF},
       {},
       {0x00563412, 0x00EFCDAB}},
      {"32 bpp bit fields, red low", rgba32, {0x00000080, 0xFF00FF00}, {}, {0x00000080, green}},
      {"32 bpp version 5 header, top-down", v5, {0x00FF0000, 0x000000FF}, {}, {red, blue}},
  };
  for (const FormatCase& c : cases) {
    const std::vector<uint8_t> file = Build(c.layout, c.stored, c.palette);
    Surface s;
    ASSERT_TRUE(DecodeBmp(file.data(), file.size(), s)) << c.name;
    EXPECT_EQ(s.Width(), c.layout.width) << c.name;
    EXPECT_EQ(s.Height(), c.layout.height) << c.name;
    EXPECT_EQ(Pixels(s), c.expected) << c.name;
  }
}

struct Damage {
  const char* name;
  void (*apply)(std::vector<uint8_t>& file);
  BmpFault fault;
  const char* said = nullptr;  // the reason as the one-line report words it
};

void Set32(std::vector<uint8_t>& f, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) f[at + i] = static_cast<uint8_t>(v >> (8 * i));
}
void Set16(std::vector<uint8_t>& f, size_t at, uint32_t v) {
  f[at] = static_cast<uint8_t>(v);
  f[at + 1] = static_cast<uint8_t>(v >> 8);
}

// Each damage is applied to a sound 4 x 3 8-bit file with a 2-colour palette
// (header 40 bytes at 14, palette at 54, pixels at 62).
TEST(Bmp, RefusesMalformedFilesAndLeavesTheOutputAlone) {
  const Damage damages[] = {
      {"empty", [](std::vector<uint8_t>& f) { f.clear(); }, BMP_EMPTY, "empty"},
      {"only the file header", [](std::vector<uint8_t>& f) { f.resize(14); }, BMP_TRUNCATED,
       "truncated (14 of 26 bytes)"},
      {"wrong magic", [](std::vector<uint8_t>& f) { f[1] = 'A'; }, BMP_NOT_A_BITMAP,
       "not a bitmap"},
      {"truncated header", [](std::vector<uint8_t>& f) { f.resize(30); }, BMP_TRUNCATED,
       "truncated (30 of 54 bytes)"},
      {"truncated pixels", [](std::vector<uint8_t>& f) { f.pop_back(); }, BMP_TRUNCATED,
       "truncated (73 of 74 bytes)"},
      {"unknown header size", [](std::vector<uint8_t>& f) { Set32(f, 14, 20); }, BMP_BAD_HEADER,
       "a damaged bitmap header"},
      {"header larger than the file", [](std::vector<uint8_t>& f) { Set32(f, 14, 100000); },
       BMP_TRUNCATED},
      {"zero width", [](std::vector<uint8_t>& f) { Set32(f, 18, 0); }, BMP_SIZE_REFUSED,
       "a size the reader refuses (0 x 3 pixels)"},
      {"negative width", [](std::vector<uint8_t>& f) { Set32(f, 18, static_cast<uint32_t>(-4)); },
       BMP_SIZE_REFUSED},
      {"zero height", [](std::vector<uint8_t>& f) { Set32(f, 22, 0); }, BMP_SIZE_REFUSED},
      {"most negative height", [](std::vector<uint8_t>& f) { Set32(f, 22, 0x80000000u); },
       BMP_SIZE_REFUSED, "a size the reader refuses (4 x 2147483648 pixels)"},
      {"huge width", [](std::vector<uint8_t>& f) { Set32(f, 18, 1u << 20); }, BMP_SIZE_REFUSED},
      {"too many pixels",
       [](std::vector<uint8_t>& f) {
         Set32(f, 18, 16000);
         Set32(f, 22, 16000);
       },
       BMP_SIZE_REFUSED, "a size the reader refuses (16000 x 16000 pixels)"},
      {"two planes", [](std::vector<uint8_t>& f) { Set16(f, 26, 2); }, BMP_BAD_HEADER},
      {"unsupported depth", [](std::vector<uint8_t>& f) { Set16(f, 28, 7); }, BMP_DEPTH_REFUSED,
       "a depth the reader refuses (7 bits per pixel)"},
      {"run-length compressed", [](std::vector<uint8_t>& f) { Set32(f, 30, 1); },
       BMP_COMPRESSION_REFUSED, "a compression the reader refuses (type 1)"},
      {"bit fields on 8 bits", [](std::vector<uint8_t>& f) { Set32(f, 30, 3); }, BMP_DEPTH_REFUSED,
       "a depth the reader refuses (8 bits per pixel with bit fields)"},
      {"palette larger than the depth allows", [](std::vector<uint8_t>& f) { Set32(f, 46, 257); },
       BMP_BAD_PALETTE, "a damaged palette"},
      {"palette past the end", [](std::vector<uint8_t>& f) { Set32(f, 46, 200); }, BMP_TRUNCATED,
       "truncated (74 of 854 bytes)"},
      {"index beyond the palette", [](std::vector<uint8_t>& f) { f[62] = 5; }, BMP_BAD_PALETTE},
      {"pixel offset inside the header", [](std::vector<uint8_t>& f) { Set32(f, 10, 20); },
       BMP_BAD_HEADER},
      {"pixel offset past the end", [](std::vector<uint8_t>& f) { Set32(f, 10, 0xFFFFFFF0u); },
       BMP_TRUNCATED},
  };
  Layout good = L(4, 3, 8);
  good.paletteSize = 2;
  const std::vector<uint8_t> sound =
      Build(good, std::vector<uint32_t>(12, 1), {0x000000FF, 0x0000FF00});
  {
    Surface s;
    ASSERT_TRUE(DecodeBmp(sound.data(), sound.size(), s)) << "the undamaged file must decode";
  }
  for (const Damage& d : damages) {
    std::vector<uint8_t> file = sound;
    d.apply(file);
    Surface s;
    s.Create(1, 1);
    s.SetPixel(0, 0, 0x00123456);
    BmpReason why;
    EXPECT_FALSE(DecodeBmp(file.data(), file.size(), s, &why)) << d.name;
    EXPECT_EQ(why.fault, d.fault) << d.name;
    if (d.said) {
      EXPECT_EQ(DescribeBmpReason(why), d.said) << d.name;
    }
    EXPECT_EQ(s.Width(), 1) << d.name;
    EXPECT_EQ(s.GetPixel(0, 0), 0x00123456u) << d.name;
  }
}

TEST(Bmp, RefusesAPaletteLargerThanItsDepthAllows) {
  for (const int bpp : {1, 4, 8}) {
    Layout l = L(2, 1, bpp);
    l.paletteSize = (1 << bpp) + 1;  // present in the file, but impossible
    const std::vector<uint8_t> file = Build(l, {0, 1});
    Surface s;
    EXPECT_FALSE(DecodeBmp(file.data(), file.size(), s)) << bpp;
  }
}

TEST(Bmp, RefusesBadBitFieldMasks) {
  const uint32_t badMasks[][3] = {{0, 0, 0}, {0x00FF00FF, 0x0000FF00, 0}};
  for (const auto& m : badMasks) {
    Layout l = L(1, 1, 32, false, true);
    for (int i = 0; i < 3; ++i) l.masks[i] = m[i];
    const std::vector<uint8_t> file = Build(l, {0xFFFFFFFF});
    Surface s;
    EXPECT_FALSE(DecodeBmp(file.data(), file.size(), s)) << std::hex << m[0];
  }
}

TEST(Bmp, WritesWhatItReadsBack) {
  Surface s;
  s.Create(5, 3);  // 15 bytes a row: padded to 16
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x) s.SetPixel(x, y, static_cast<COLORREF>(x * 0x3311 + y * 0x550000));
  std::vector<uint8_t> bytes;
  ASSERT_TRUE(EncodeBmp(s, bytes));
  EXPECT_EQ(bytes.size(), 14u + 40u + 16u * 3u);
  EXPECT_EQ(bytes[28], 24);  // bits per pixel
  Surface back;
  ASSERT_TRUE(DecodeBmp(bytes.data(), bytes.size(), back));
  EXPECT_EQ(Pixels(back), Pixels(s));
  Surface none;
  EXPECT_FALSE(EncodeBmp(none, bytes));
}

TEST(Bmp, WritesFewColoursWithAPaletteThatReadsBackTheSame) {
  // {colours, width, expected bits per pixel, expected file size}: rows are
  // padded to 4 bytes, the palette holds exactly the colours used.
  const struct {
    int colours, width;
    int bpp;
    size_t bytes;
  } rows[] = {
      {2, 9, 4, 14 + 40 + 4 * 2 + 8 * 2},
      {16, 9, 4, 14 + 40 + 4 * 16 + 8 * 2},
      {17, 9, 8, 14 + 40 + 4 * 17 + 12 * 2},
      {256, 128, 8, 14 + 40 + 4 * 256 + 128 * 2},
  };
  for (const auto& r : rows) {
    Surface s;
    s.Create(r.width, 2);
    for (int i = 0; i < r.width * 2; ++i)
      s.SetPixel(i % r.width, i / r.width, static_cast<COLORREF>((i % r.colours) * 0x010101));
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(EncodePaletteBmp(s, bytes)) << r.colours;
    EXPECT_EQ(bytes.size(), r.bytes) << r.colours;
    EXPECT_EQ(bytes[28], r.bpp) << r.colours;
    Surface back;
    ASSERT_TRUE(DecodeBmp(bytes.data(), bytes.size(), back)) << r.colours;
    EXPECT_EQ(Pixels(back), Pixels(s)) << r.colours;
  }
  Surface many;
  many.Create(257, 1);
  for (int x = 0; x < 257; ++x) many.SetPixel(x, 0, static_cast<COLORREF>(x));
  std::vector<uint8_t> bytes = {1};
  EXPECT_FALSE(EncodePaletteBmp(many, bytes));
  EXPECT_TRUE(bytes.empty());
  Surface none;
  EXPECT_FALSE(EncodePaletteBmp(none, bytes));
}

TEST(Bmp, LoadsFilesAndRefusesMissingOnes) {
  const std::string path = testing::TempDir() + "velkari_bmp_test_" +
                           testing::UnitTest::GetInstance()->current_test_info()->name() + ".bmp";
  const std::vector<uint8_t> file = Build(L(2, 2, 24), {1, 2, 3, 4});
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
  Surface s;
  EXPECT_TRUE(LoadBmpFile(path.c_str(), s));
  EXPECT_EQ(s.GetPixel(1, 1), 0x00040000u);
  std::remove(path.c_str());
  Surface t;
  BmpReason why;
  EXPECT_FALSE(LoadBmpFile(path.c_str(), t, &why));
  EXPECT_EQ(why.fault, BMP_NOT_FOUND);
  EXPECT_FALSE(LoadBmpFile("", t));
  EXPECT_FALSE(LoadBmpFile(nullptr, t));
  EXPECT_FALSE(LoadBmpFile(testing::TempDir().c_str(), t, &why));
  EXPECT_EQ(DescribeBmpReason(why), "a folder, not a file");
  std::ofstream(path, std::ios::binary).close();
  EXPECT_FALSE(LoadBmpFile(path.c_str(), t, &why));
  EXPECT_EQ(DescribeBmpReason(why), "empty");
  std::remove(path.c_str());
#ifndef _WIN32
  // A device (or a FIFO) is refused by its name, never opened: a read of it
  // would not end, or would block.
  EXPECT_FALSE(LoadBmpFile("/dev/zero", t, &why));
  EXPECT_EQ(DescribeBmpReason(why), "not a regular file (a FIFO, a device or a socket)");
#endif
  EXPECT_FALSE(t.Valid());
}

}  // namespace
