// velkari-art: turns a pixel-art source (res/art/*.txt) into a BMP: with a
// palette of its own colours when it has at most 256 of them (every picture
// of the game does), else 24-bit.
// The build runs it for the font sheet, the cell sheet, the title picture,
// the window icons and the installed desktop icons.
//
//   velkari-art SOURCE.txt OUT.bmp
//   velkari-art --ico OUT.ico [--16-colours] SOURCE.txt...
//                            one icon holding every picture (32-bit colour,
//                            or 16 colours from each picture's own palette)
//   velkari-art --png SCALE SOURCE.txt OUT.png
//                            the picture as a PNG, each pixel SCALE x SCALE
//
// Source lines (blank lines and lines starting with '#' are skipped outside
// pixel blocks):
//   include FILE             read FILE (relative to this source) in place
//   color C RRGGBB           palette: character C paints colour RRGGBB
//   canvas W H RRGGBB        the picture's size and background colour
//   grid CW CH               cell size for `cell` and `glyph`
//   sprite NAME              pixel rows until `end`; '.' paints nothing
//   place NAME X Y [S]       paint a sprite at (X, Y), each pixel S x S
//   cell N NAME [S] [DX DY]  paint a sprite in cell N (row by row) + (DX, DY)
//   glyphstyle S DX DY       scale and offset of the glyphs in their cells
//   tint NAME X Y S C        paint a sprite's shape in one colour C
//   key C | key none         C also paints nothing (for sprites drawn on a
//                            key-green background, set onto something else)
//   shadow C DX DY           glyphs cast a shadow of colour C, offset in
//                            canvas pixels, kept inside the cell
//   glyph X                  pixel rows until `end`, painted into the cell
//                            of character X (`glyph space` for ' ')
// Any error names the file and line and exits with status 1.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "gfx/bmp.h"
#include "gfx/surface.h"
#include "png_writer.h"

namespace {

struct Sprite {
  std::vector<std::string> rows;
  int Width() const { return rows.empty() ? 0 : static_cast<int>(rows[0].size()); }
  int Height() const { return static_cast<int>(rows.size()); }
};

struct Art {
  std::map<char, COLORREF> palette;
  std::map<std::string, Sprite> sprites;
  Surface canvas;
  int cellW = 0, cellH = 0;
  int glyphScale = 1, glyphDX = 0, glyphDY = 0;
  bool shadow = false;
  char shadowChar = 0;
  int shadowDX = 0, shadowDY = 0;
  char keyChar = '.';
};

[[noreturn]] void Fail(const std::string& where, const std::string& what) {
  std::fprintf(stderr, "velkari-art: %s: %s\n", where.c_str(), what.c_str());
  std::exit(1);
}

bool ParseColour(const std::string& hex, COLORREF& out) {
  if (hex.size() != 6) return false;
  char* end = nullptr;
  const unsigned long v = std::strtoul(hex.c_str(), &end, 16);
  if (*end) return false;
  out = static_cast<COLORREF>(((v >> 16) & 0xFF) | (v & 0xFF00) | ((v & 0xFF) << 16));
  return true;
}

// Paints `s` with its top left at (x, y), scaled; pixels outside `clip`
// (x0, y0, x1, y1) are dropped. `only` paints every opaque pixel in that
// palette colour instead (for shadows).
void Paint(Art& art, const std::string& where, const Sprite& s, int x, int y, int scale,
           const int clip[4], const char* only) {
  for (int r = 0; r < s.Height(); ++r) {
    for (int c = 0; c < s.Width(); ++c) {
      const char ch = s.rows[r][c];
      if (ch == '.' || ch == art.keyChar) continue;
      const auto it = art.palette.find(only ? *only : ch);
      if (it == art.palette.end())
        Fail(where, std::string("colour '") + (only ? *only : ch) + "' is not in the palette");
      for (int dy = 0; dy < scale; ++dy)
        for (int dx = 0; dx < scale; ++dx) {
          const int px = x + c * scale + dx, py = y + r * scale + dy;
          if (px < clip[0] || py < clip[1] || px >= clip[2] || py >= clip[3]) continue;
          art.canvas.SetPixel(px, py, it->second);
        }
    }
  }
}

bool CellOrigin(const Art& art, int n, int& x, int& y) {
  if (art.cellW <= 0 || art.cellH <= 0 || !art.canvas.Valid()) return false;
  const int perRow = art.canvas.Width() / art.cellW;
  if (perRow <= 0 || n < 0) return false;
  x = (n % perRow) * art.cellW;
  y = (n / perRow) * art.cellH;
  return y + art.cellH <= art.canvas.Height();
}

std::string Dir(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

void ReadRows(std::ifstream& in, const std::string& path, int& lineNo, Sprite& s) {
  std::string line;
  while (std::getline(in, line)) {
    ++lineNo;
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
    if (line == "end") {
      if (s.rows.empty()) Fail(path + ":" + std::to_string(lineNo), "empty pixel block");
      return;
    }
    if (!s.rows.empty() && line.size() != s.rows[0].size())
      Fail(path + ":" + std::to_string(lineNo), "pixel row of " + std::to_string(line.size()) +
                                                    " characters, expected " +
                                                    std::to_string(s.rows[0].size()));
    if (line.empty()) Fail(path + ":" + std::to_string(lineNo), "empty pixel row");
    s.rows.push_back(line);
  }
  Fail(path, "pixel block without `end`");
}

void Run(Art& art, const std::string& path, int depth) {
  if (depth > 8) Fail(path, "includes nested too deeply");
  std::ifstream in(path);
  if (!in) Fail(path, "cannot open");
  std::string line;
  int lineNo = 0;
  while (std::getline(in, line)) {
    ++lineNo;
    const std::string where = path + ":" + std::to_string(lineNo);
    std::istringstream words(line);
    std::string cmd;
    if (!(words >> cmd) || cmd[0] == '#') continue;
    auto needCanvas = [&] {
      if (!art.canvas.Valid()) Fail(where, "`" + cmd + "` before `canvas`");
    };
    if (cmd == "include") {
      std::string file;
      if (!(words >> file)) Fail(where, "include needs a file");
      Run(art, Dir(path) + file, depth + 1);
    } else if (cmd == "color") {
      std::string c, hex;
      COLORREF v;
      if (!(words >> c >> hex) || c.size() != 1 || c == "." || !ParseColour(hex, v))
        Fail(where, "expected `color C RRGGBB` (C one character, not '.')");
      art.palette[c[0]] = v;
    } else if (cmd == "canvas") {
      int w, h;
      std::string hex;
      COLORREF bg;
      if (!(words >> w >> h >> hex) || w <= 0 || h <= 0 || w > 4096 || h > 4096 ||
          !ParseColour(hex, bg))
        Fail(where, "expected `canvas W H RRGGBB` with sides 1 to 4096");
      art.canvas.Create(w, h);
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) art.canvas.SetPixel(x, y, bg);
    } else if (cmd == "grid") {
      if (!(words >> art.cellW >> art.cellH) || art.cellW <= 0 || art.cellH <= 0)
        Fail(where, "expected `grid CW CH`");
    } else if (cmd == "sprite") {
      std::string name;
      if (!(words >> name)) Fail(where, "sprite needs a name");
      Sprite s;
      ReadRows(in, path, lineNo, s);
      art.sprites[name] = s;
    } else if (cmd == "place" || cmd == "cell") {
      needCanvas();
      std::string name;
      int x = 0, y = 0, n = 0, scale = 1;
      if (cmd == "place") {
        if (!(words >> name >> x >> y)) Fail(where, "expected `place NAME X Y [S]`");
        if (!(words >> scale)) scale = 1;
      } else {
        int dx = 0, dy = 0;
        if (!(words >> n >> name)) Fail(where, "expected `cell N NAME [S] [DX DY]`");
        if (!(words >> scale)) scale = 1;
        if (!(words >> dx >> dy)) dx = dy = 0;
        if (!CellOrigin(art, n, x, y))
          Fail(where, "cell " + std::to_string(n) + " is not on the canvas");
        x += dx;
        y += dy;
      }
      if (scale < 1 || scale > 64) Fail(where, "scale must be 1 to 64");
      const auto it = art.sprites.find(name);
      if (it == art.sprites.end()) Fail(where, "no sprite named " + name);
      const int all[4] = {0, 0, art.canvas.Width(), art.canvas.Height()};
      Paint(art, where, it->second, x, y, scale, all, nullptr);
    } else if (cmd == "tint") {
      needCanvas();
      std::string name, c;
      int x, y, scale;
      if (!(words >> name >> x >> y >> scale >> c) || c.size() != 1 || scale < 1 || scale > 64)
        Fail(where, "expected `tint NAME X Y S C`");
      const auto it = art.sprites.find(name);
      if (it == art.sprites.end()) Fail(where, "no sprite named " + name);
      const int all[4] = {0, 0, art.canvas.Width(), art.canvas.Height()};
      Paint(art, where, it->second, x, y, scale, all, &c[0]);
    } else if (cmd == "key") {
      std::string c;
      if (!(words >> c) || (c.size() != 1 && c != "none"))
        Fail(where, "expected `key C` or `key none`");
      art.keyChar = c == "none" ? '.' : c[0];
    } else if (cmd == "glyphstyle") {
      if (!(words >> art.glyphScale >> art.glyphDX >> art.glyphDY) || art.glyphScale < 1)
        Fail(where, "expected `glyphstyle S DX DY`");
    } else if (cmd == "shadow") {
      std::string c;
      if (!(words >> c >> art.shadowDX >> art.shadowDY) || c.size() != 1)
        Fail(where, "expected `shadow C DX DY`");
      art.shadow = true;
      art.shadowChar = c[0];
    } else if (cmd == "glyph") {
      needCanvas();
      std::string which;
      if (!(words >> which)) Fail(where, "glyph needs a character");
      int code;
      if (which == "space") {
        code = ' ';
      } else if (which.size() == 1) {
        code = static_cast<unsigned char>(which[0]);
      } else {
        Fail(where, "glyph takes one character or `space`");
      }
      Sprite s;
      ReadRows(in, path, lineNo, s);
      int x, y;
      if (!CellOrigin(art, code, x, y)) Fail(where, "the glyph's cell is not on the canvas");
      const int cell[4] = {x, y, x + art.cellW, y + art.cellH};
      const int gx = x + art.glyphDX, gy = y + art.glyphDY, k = art.glyphScale;
      if (art.shadow)
        Paint(art, where, s, gx + art.shadowDX, gy + art.shadowDY, k, cell, &art.shadowChar);
      Paint(art, where, s, gx, gy, k, cell, nullptr);
    } else {
      Fail(where, "unknown command `" + cmd + "`");
    }
  }
}

// An icon file with one image per picture (no transparency: the AND masks are
// all clear), as the Windows resource compiler takes it: 32-bit colour, or,
// with paletteBits 4, 16 colours from a palette of the picture's own colours.
// False when a 16-colour picture has more colours than that, or on a write
// error.
bool WriteIcon(const char* path, const std::vector<Surface>& pictures, int paletteBits,
               std::string* error) {
  const bool indexed = paletteBits == 4;
  std::vector<std::vector<COLORREF>> palettes;
  for (const Surface& p : pictures) {
    std::vector<COLORREF> palette;
    for (int y = 0; y < p.Height(); ++y)
      for (int x = 0; x < p.Width(); ++x) {
        const COLORREF c = p.GetPixel(x, y);
        bool known = false;
        for (COLORREF k : palette) known = known || k == c;
        if (!known) palette.push_back(c);
      }
    if (indexed && palette.size() > 16) {
      *error = "a 16-colour icon picture has " + std::to_string(palette.size()) + " colours";
      return false;
    }
    palette.resize(16, 0);
    palettes.push_back(palette);
  }
  std::vector<uint8_t> out;
  auto put = [&out](uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
  };
  const uint32_t bits = indexed ? 4 : 32;
  auto colourStride = [bits](uint32_t w) { return ((w * bits + 31) / 32) * 4; };
  put(0, 2);
  put(1, 2);  // an icon
  put(static_cast<uint32_t>(pictures.size()), 2);
  uint32_t offset = 6 + 16 * static_cast<uint32_t>(pictures.size());
  for (const Surface& p : pictures) {
    const uint32_t w = static_cast<uint32_t>(p.Width()), h = static_cast<uint32_t>(p.Height());
    const uint32_t maskStride = ((w + 31) / 32) * 4;
    const uint32_t size = 40 + (indexed ? 64 : 0) + colourStride(w) * h + maskStride * h;
    out.push_back(static_cast<uint8_t>(w >= 256 ? 0 : w));
    out.push_back(static_cast<uint8_t>(h >= 256 ? 0 : h));
    out.push_back(static_cast<uint8_t>(indexed ? 16 : 0));  // colours in the palette
    out.push_back(0);
    put(1, 2);  // planes
    put(bits, 2);
    put(size, 4);
    put(offset, 4);
    offset += size;
  }
  for (size_t n = 0; n < pictures.size(); ++n) {
    const Surface& p = pictures[n];
    const std::vector<COLORREF>& palette = palettes[n];
    const uint32_t w = static_cast<uint32_t>(p.Width()), h = static_cast<uint32_t>(p.Height());
    const uint32_t maskStride = ((w + 31) / 32) * 4;
    put(40, 4);
    put(w, 4);
    put(2 * h, 4);  // colour rows and mask rows
    put(1, 2);
    put(bits, 2);
    put(0, 4);  // BI_RGB
    put((colourStride(w) + maskStride) * h, 4);
    put(0, 4);
    put(0, 4);
    put(indexed ? 16 : 0, 4);
    put(0, 4);
    if (indexed)
      for (COLORREF c : palette) {
        out.push_back(static_cast<uint8_t>(c >> 16));
        out.push_back(static_cast<uint8_t>(c >> 8));
        out.push_back(static_cast<uint8_t>(c));
        out.push_back(0);
      }
    for (int y = p.Height() - 1; y >= 0; --y) {
      const size_t rowStart = out.size();
      for (int x = 0; x < p.Width(); ++x) {
        const COLORREF c = p.GetPixel(x, y);
        if (indexed) {
          uint8_t index = 0;
          while (palette[index] != c) ++index;
          if (x % 2 == 0)
            out.push_back(static_cast<uint8_t>(index << 4));
          else
            out.back() = static_cast<uint8_t>(out.back() | index);
        } else {
          out.push_back(static_cast<uint8_t>(c >> 16));
          out.push_back(static_cast<uint8_t>(c >> 8));
          out.push_back(static_cast<uint8_t>(c));
          out.push_back(0xFF);
        }
      }
      out.resize(rowStart + colourStride(w), 0);
    }
    out.insert(out.end(), maskStride * h, 0);
  }
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(reinterpret_cast<const char*>(out.data()), static_cast<std::streamsize>(out.size()));
  if (!file) *error = "cannot write";
  return static_cast<bool>(file);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 4 && std::string(argv[1]) == "--ico") {
    std::vector<Surface> pictures;
    int first = 3, paletteBits = 0;
    if (std::string(argv[3]) == "--16-colours") {
      paletteBits = 4;
      first = 4;
    }
    for (int i = first; i < argc; ++i) {
      Art art;
      Run(art, argv[i], 0);
      if (!art.canvas.Valid()) Fail(argv[i], "no `canvas`");
      if (art.canvas.Width() > 256 || art.canvas.Height() > 256)
        Fail(argv[i], "an icon picture is at most 256 x 256");
      pictures.push_back(std::move(art.canvas));
    }
    std::string error;
    if (pictures.empty()) Fail(argv[2], "no icon picture given");
    if (!WriteIcon(argv[2], pictures, paletteBits, &error)) Fail(argv[2], error);
    return 0;
  }
  if (argc == 5 && std::string(argv[1]) == "--png") {
    char* end = nullptr;
    const long scale = std::strtol(argv[2], &end, 10);
    if (*end || scale < 1 || scale > 64) Fail(argv[2], "the scale must be a whole number 1 to 64");
    Art art;
    Run(art, argv[3], 0);
    if (!art.canvas.Valid()) Fail(argv[3], "no `canvas`");
    if (!SavePngFile(argv[4], art.canvas, static_cast<int>(scale))) Fail(argv[4], "cannot write");
    return 0;
  }
  if (argc != 3) {
    std::fprintf(stderr,
                 "usage: velkari-art SOURCE.txt OUT.bmp\n"
                 "       velkari-art --ico OUT.ico [--16-colours] SOURCE.txt...\n"
                 "       velkari-art --png SCALE SOURCE.txt OUT.png\n");
    return 2;
  }
  Art art;
  Run(art, argv[1], 0);
  if (!art.canvas.Valid()) Fail(argv[1], "no `canvas`");
  std::vector<uint8_t> bytes;
  if (!EncodePaletteBmp(art.canvas, bytes) && !EncodeBmp(art.canvas, bytes))
    Fail(argv[1], "cannot encode");
  std::ofstream file(argv[2], std::ios::binary | std::ios::trunc);
  file.write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
  if (!file) Fail(argv[2], "cannot write");
  return 0;
}
