#include "gfx/image_store.h"

#include <algorithm>
#include <climits>
#include <string>

#include "diag/diag.h"
#include "gfx/bmp.h"
#include "gfx/raster.h"
#include "gfx/utf8_path.h"
#include "platform/platform.h"

ImageStore gImageStore;

namespace {

bool IsSeparator(char c) {
  return c == '/' || c == '\\';
}

// The folder above `dir` (which ends with a separator), written out where
// the name allows it ("/usr/games/" gives "/usr/"), else as "dir../".
std::string ParentFolder(const std::string& dir) {
  size_t end = dir.size();
  while (end > 0 && IsSeparator(dir[end - 1])) --end;
  if (end == 0) return dir;  // the root is its own parent
  size_t start = end;
  while (start > 0 && !IsSeparator(dir[start - 1])) --start;
  const std::string last = dir.substr(start, end - start);
  if (start == 0 || last == "." || last == ".." || last.back() == ':') return dir + "../";
  return dir.substr(0, start);
}

bool IsAbsolute(const std::string& path) {
  return (!path.empty() && IsSeparator(path[0])) || (path.size() > 1 && path[1] == ':');
}

}  // namespace

std::vector<std::string> PictureFolders(const std::string& programDir) {
  std::vector<std::string> folders{""};
  if (programDir.empty()) return folders;
  std::string dir = programDir;
  if (!IsSeparator(dir.back())) dir += '/';
  folders.push_back(dir);
  folders.push_back(ParentFolder(dir) + "share/velkari/");
  return folders;
}

bool ImageStore::Create(const char* programDir, platform::Window* window, int clientWidth,
                        int clientHeight) {
  folders_ = PictureFolders(programDir ? programDir : "");
  window_ = window;
  clientRight_ = clientWidth;
  clientBottom_ = clientHeight;
  back_.Create(clientRight_, clientBottom_);
  tilesX_ = (back_.Width() + TILE_PIXELS - 1) / TILE_PIXELS;
  tilesY_ = (back_.Height() + TILE_PIXELS - 1) / TILE_PIXELS;
  tiles_.assign(static_cast<size_t>(tilesX_) * static_cast<size_t>(tilesY_), Tile{});
  pendingCount_ = 0;
  for (int i = 0; i < SHEET_SLOTS; ++i) {
    sheet_[i].Release();
    mask_[i].Release();
    keyed_[i].Release();
    runs_[i] = {};
  }
  return true;
}

// Said once for each picture that could not be loaded, so that a player who
// starts the game from elsewhere sees where it looked.
void ImageStore::ReportMissing(const std::string& file, const std::string& broken,
                               const BmpReason& why) const {
  if (!broken.empty()) {
    Diagnostic(("velkari: cannot load picture " + broken + ": " + DescribeBmpReason(why) +
                "; it is not drawn")
                   .c_str());
    return;
  }
  const size_t slash = file.find_last_of('/');
  const std::string sub = slash == std::string::npos ? "" : file.substr(0, slash + 1);
  std::string tried;
  for (const std::string& folder : IsAbsolute(file) ? std::vector<std::string>{""} : folders_) {
    if (!tried.empty()) tried += ", ";
    tried += folder.empty() && !IsAbsolute(file) ? "./" + sub : folder + sub;
  }
  Diagnostic(
      ("velkari: cannot load picture " + file + ": not found in " + tried + "; it is not drawn")
          .c_str());
}

bool ImageStore::Destroy() {
  for (int i = 0; i < SHEET_SLOTS; ++i) {
    if (!sheet_[i].Valid()) continue;
    sheet_[i].Release();
    if (mask_[i].Valid()) {
      mask_[i].Release();
      keyed_[i].Release();
      runs_[i] = {};
    }
  }
  back_.Release();
  tiles_.clear();
  pendingCount_ = 0;
  tilesX_ = tilesY_ = 0;
  window_ = nullptr;
  return true;
}

bool ImageStore::Clear() {
  if (!back_.Valid()) return false;
  for (Tile& t : tiles_) t.pending = true;
  pendingCount_ = static_cast<int>(tiles_.size());
  return true;
}

void ImageStore::FillTile(int tx, int ty) const {
  const int x0 = tx * TILE_PIXELS, y0 = ty * TILE_PIXELS;
  const int x1 = std::min(x0 + TILE_PIXELS, back_.Width());
  const int y1 = std::min(y0 + TILE_PIXELS, back_.Height());
  for (int y = y0; y < y1; ++y) std::fill(back_.Row(y) + x0, back_.Row(y) + x1, 0u);
  Tile& t = TileAt(tx, ty);
  t.pending = false;
  t.slot = -1;
  --pendingCount_;
}

void ImageStore::FillPending() const {
  if (pendingCount_ == 0) return;
  // Row of tiles by row of tiles, each stretch of neighbours in one fill.
  for (int ty = 0; ty < tilesY_; ++ty) {
    int tx = 0;
    while (tx < tilesX_) {
      if (!TileAt(tx, ty).pending) {
        ++tx;
        continue;
      }
      const int first = tx;
      for (; tx < tilesX_ && TileAt(tx, ty).pending; ++tx) TileAt(tx, ty) = Tile{};
      const int x0 = first * TILE_PIXELS, x1 = std::min(tx * TILE_PIXELS, back_.Width());
      const int y0 = ty * TILE_PIXELS, y1 = std::min(y0 + TILE_PIXELS, back_.Height());
      for (int y = y0; y < y1; ++y) std::fill(back_.Row(y) + x0, back_.Row(y) + x1, 0u);
    }
  }
  pendingCount_ = 0;
}

void ImageStore::ForgetCopies(int64_t x0, int64_t y0, int64_t x1, int64_t y1) const {
  x0 = std::max<int64_t>(x0, 0);
  y0 = std::max<int64_t>(y0, 0);
  x1 = std::min<int64_t>(x1, back_.Width());
  y1 = std::min<int64_t>(y1, back_.Height());
  if (x0 >= x1 || y0 >= y1) return;
  for (int64_t ty = y0 / TILE_PIXELS; ty <= (y1 - 1) / TILE_PIXELS; ++ty)
    for (int64_t tx = x0 / TILE_PIXELS; tx <= (x1 - 1) / TILE_PIXELS; ++tx)
      TileAt(static_cast<int>(tx), static_cast<int>(ty)).slot = -1;
}

bool ImageStore::Present() {
  if (!window_ || !back_.Valid()) return false;
  FillPending();
  window_->Present(back_.Pixels(), back_.Width(), back_.Height());
  return true;
}

namespace {

bool InSlots(int slot) {
  return slot >= 0 && slot < SHEET_SLOTS;
}

// A source position that does not fit an int lies outside every sheet; keeping
// it outside is all the clipping needs.
int ClampToInt(int64_t v) {
  if (v > INT_MAX) return INT_MAX;
  if (v < INT_MIN) return INT_MIN;
  return static_cast<int>(v);
}

constexpr COLORREF MASK_WHITE = 0x00FFFFFFu;
constexpr int GLYPH_SIZE = 16;
constexpr int TEXT_MAX_CHARS = 256;

}  // namespace

bool ImageStore::LoadSheet(int slot, const char* path, bool makeMask, COLORREF key) {
  if (!InSlots(slot) || sheet_[slot].Valid() || !path) return false;
  // The game names its files the Windows way, "img\\tobernix.bmp".
  std::string file(path);
  for (char& c : file)
    if (c == '\\') c = '/';
  Surface loaded;
  bool ok = false;
  // A file that is there but broken is passed over for the next folder, and
  // is the one to name if no folder holds a good one.
  std::string broken;
  BmpReason why;
  const PictureBytes* inMemory = nullptr;
  for (const PictureBytes& p : pictures_)
    if (p.path && file == p.path) inMemory = &p;
  if (inMemory) {
    ok = DecodeBmp(inMemory->bytes, inMemory->size, loaded, &why);
    if (!ok) broken = file;
  }
  const std::vector<std::string> folders = inMemory           ? std::vector<std::string>{}
                                           : IsAbsolute(file) ? std::vector<std::string>{""}
                                                              : folders_;
  for (const std::string& folder : folders) {
    const std::string candidate = folder + file;
    BmpReason whyHere;
    ok = LoadBmpFile(candidate.c_str(), loaded, &whyHere);
    if (ok) break;
    if (broken.empty() && whyHere.fault != BMP_NOT_FOUND) {
      broken = candidate;
      why = whyHere;
    }
  }
  if (!ok) {
    ReportMissing(file, broken, why);
    return false;
  }
  sheet_[slot] = std::move(loaded);
  if (!makeMask) return true;

  Surface& sheet = sheet_[slot];
  const int w = sheet.Width(), h = sheet.Height();
  Surface& mask = mask_[slot];
  mask.Create(w, h);
  BitBlt(mask, 0, 0, w, h, nullptr, 0, 0, BLACKNESS);
  bool matched = false;
  for (int y = 0; y < h; ++y) {
    const uint32_t* s = sheet.Row(y);
    uint32_t* m = mask.Row(y);
    for (int x = 0; x < w; ++x) {
      if (s[x] == key) {
        m[x] = MASK_WHITE;
        matched = true;
      }
    }
  }
  if (!matched) return true;

  Surface& keyed = keyed_[slot];
  keyed.Create(w, h);
  BitBlt(keyed, 0, 0, w, h, &sheet, 0, 0, SRCCOPY);
  for (int y = 0; y < h; ++y) {
    const uint32_t* s = sheet.Row(y);
    uint32_t* k = keyed.Row(y);
    for (int x = 0; x < w; ++x)
      if (s[x] == key) k[x] = 0;
  }
  runs_[slot] = MaskRuns(mask);
  return true;
}

void ImageStore::DrawRect(int slot, int x, int y, int width, int height, int sx, int sy) {
  if (pendingCount_ == 0) {
    ForgetCopies(x, y, int64_t{x} + width, int64_t{y} + height);
    DrawPiece(slot, x, y, width, height, sx, sy);
    return;
  }
  // A tile still to be filled and wholly covered takes the picture as it
  // would show on black, (0 AND mask) OR keyed copy, which is the keyed copy
  // (or, already holding that very copy, nothing); one partly covered is
  // filled first. Without a wholly covered one (a glyph over a corner of a
  // tile), the rectangle is then drawn in one piece.
  const Surface& shown = keyed_[slot].Valid() ? keyed_[slot] : sheet_[slot];
  BltRect r;
  if (!ClipBlt(back_, x, y, width, height, &shown, sx, sy, r)) return;
  const int tx0 = r.x / TILE_PIXELS, tx1 = (r.x + r.width - 1) / TILE_PIXELS;
  const int ty0 = r.y / TILE_PIXELS, ty1 = (r.y + r.height - 1) / TILE_PIXELS;
  bool whole = false;
  for (int pass = 0; pass < 2; ++pass) {
    for (int ty = ty0; ty <= ty1; ++ty) {
      for (int tx = tx0; tx <= tx1; ++tx) {
        const int left = tx * TILE_PIXELS, top = ty * TILE_PIXELS;
        const int right = std::min(left + TILE_PIXELS, back_.Width());
        const int bottom = std::min(top + TILE_PIXELS, back_.Height());
        const int x0 = std::max(left, r.x), y0 = std::max(top, r.y);
        const int x1 = std::min(right, r.x + r.width), y1 = std::min(bottom, r.y + r.height);
        const bool covered = x0 == left && y0 == top && x1 == right && y1 == bottom;
        Tile& t = TileAt(tx, ty);
        if (pass == 0) {
          // Only the partly covered tiles are filled here.
          if (t.pending && covered) whole = true;
          if (t.pending && !covered) FillTile(tx, ty);
          continue;
        }
        const int px = r.sx + (x0 - r.x), py = r.sy + (y0 - r.y);
        if (t.pending) {
          t.pending = false;
          --pendingCount_;
          if (t.slot != slot || t.sx != px || t.sy != py) {
            BitBlt(back_, x0, y0, x1 - x0, y1 - y0, &shown, px, py, SRCCOPY);
            t.slot = slot;
            t.sx = px;
            t.sy = py;
          }
        } else {
          t.slot = -1;
          DrawPiece(slot, x0, y0, x1 - x0, y1 - y0, px, py);
        }
      }
    }
    if (!whole) {
      ForgetCopies(r.x, r.y, int64_t{r.x} + r.width, int64_t{r.y} + r.height);
      DrawPiece(slot, r.x, r.y, r.width, r.height, r.sx, r.sy);
      return;
    }
  }
}

void ImageStore::DrawPiece(int slot, int x, int y, int width, int height, int sx, int sy) {
  if (keyed_[slot].Valid()) {
    // Mask AND, then keyed copy OR, in one pass.
    MaskedBlt(back_, x, y, width, height, mask_[slot], keyed_[slot], runs_[slot], sx, sy);
  } else {
    BitBlt(back_, x, y, width, height, &sheet_[slot], sx, sy, SRCCOPY);
  }
}

bool ImageStore::DrawSheet(int slot, int x, int y) {
  if (!SlotLoaded(slot)) return false;
  DrawRect(slot, x, y, sheet_[slot].Width(), sheet_[slot].Height(), 0, 0);
  return true;
}

bool ImageStore::DrawCell(int slot, int x, int y, int cellWidth, int cellHeight, int cell) {
  if (!SlotLoaded(slot)) return false;
  // Without one whole cell in a row there is no cell to find.
  if (cellWidth <= 0) return false;
  const int perRow = sheet_[slot].Width() / cellWidth;
  if (perRow == 0) return false;
  // A cell in the first row (every cell of the cell sheet) needs no division.
  const bool firstRow = cell >= 0 && cell < perRow;
  const int64_t sx = int64_t{firstRow ? cell : cell % perRow} * cellWidth;
  const int64_t sy = firstRow ? 0 : int64_t{cell / perRow} * cellHeight;
  DrawRect(slot, x, y, cellWidth, cellHeight, ClampToInt(sx), ClampToInt(sy));
  return true;
}

bool ImageStore::DrawString(int slot, int x, int y, const char* text) {
  if (!SlotLoaded(slot) || !text) return false;
  int length = 0;
  while (length <= TEXT_MAX_CHARS && text[length] != '\0') ++length;
  if (length == 0 || length > TEXT_MAX_CHARS) return false;
  // The pen runs in 64 bits: a long line near the edge of the int range
  // must not wrap around onto the screen.
  int64_t penX = x, penY = y;
  for (int i = 0; i < length; ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c == '\n') {
      penX = x;
      penY += GLYPH_SIZE;
      continue;
    }
    DrawCell(slot, ClampToInt(penX), ClampToInt(penY), GLYPH_SIZE, GLYPH_SIZE, c);
    penX += GLYPH_SIZE;
  }
  return true;
}

bool ImageStore::SlotLoaded(int slot) const {
  return InSlots(slot) && sheet_[slot].Valid();
}
bool ImageStore::SlotHasMask(int slot) const {
  return SlotLoaded(slot) && mask_[slot].Valid();
}
bool ImageStore::SlotTransparent(int slot) const {
  return SlotLoaded(slot) && keyed_[slot].Valid();
}
const Surface* ImageStore::Sheet(int slot) const {
  return SlotLoaded(slot) ? &sheet_[slot] : nullptr;
}
const Surface* ImageStore::Mask(int slot) const {
  return SlotHasMask(slot) ? &mask_[slot] : nullptr;
}
const Surface* ImageStore::Keyed(int slot) const {
  return SlotTransparent(slot) ? &keyed_[slot] : nullptr;
}
