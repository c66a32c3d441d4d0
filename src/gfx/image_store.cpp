#include "gfx/image_store.h"

#include <climits>
#include <string>

#include "diag/diag.h"
#include "gfx/bmp.h"
#include "gfx/raster.h"
#include "platform/platform.h"

ImageStore gImageStore;

bool ImageStore::Create(const char* programDir, platform::Window* window, int clientWidth,
                        int clientHeight) {
  programDir_ = programDir ? programDir : "";
  window_ = window;
  clientRight_ = clientWidth;
  clientBottom_ = clientHeight;
  back_.Create(clientRight_, clientBottom_);
  for (int i = 0; i < SHEET_SLOTS; ++i) {
    sheet_[i].Release();
    mask_[i].Release();
    keyed_[i].Release();
  }
  return true;
}

bool ImageStore::Destroy() {
  for (int i = 0; i < SHEET_SLOTS; ++i) {
    if (!sheet_[i].Valid()) continue;
    sheet_[i].Release();
    if (mask_[i].Valid()) {
      mask_[i].Release();
      keyed_[i].Release();
    }
  }
  back_.Release();
  window_ = nullptr;
  return true;
}

bool ImageStore::Clear() {
  if (!back_.Valid()) return false;
  back_.FillBlack();
  return true;
}

bool ImageStore::Present() {
  if (!window_ || !back_.Valid()) return false;
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
  BmpReason why;
  bool ok = LoadBmpFile(file.c_str(), loaded, &why);
  std::string where;
  if (!ok && !file.empty() && file[0] != '/' && !programDir_.empty()) {
    // Started from elsewhere (a desktop launcher): img/ sits beside the program.
    std::string beside = programDir_;
    if (beside.back() != '/') beside += '/';
    BmpReason whyBeside;
    ok = LoadBmpFile((beside + file).c_str(), loaded, &whyBeside);
    // The file that is there but broken is the one to name.
    if (!ok && why.fault == BMP_NOT_FOUND) {
      if (whyBeside.fault == BMP_NOT_FOUND)
        where = " (nor beside the program, in " + beside + ")";
      else
        file = beside + file;
      why = whyBeside;
    }
  }
  if (!ok) {
    Diagnostic(("velkari: cannot load picture " + file + ": " + DescribeBmpReason(why) + where +
                "; it is not drawn")
                   .c_str());
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
  return true;
}

void ImageStore::DrawRect(int slot, int x, int y, int width, int height, int sx, int sy) {
  if (keyed_[slot].Valid()) {
    BitBlt(back_, x, y, width, height, &mask_[slot], sx, sy, SRCAND);
    BitBlt(back_, x, y, width, height, &keyed_[slot], sx, sy, SRCPAINT);
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
  const int64_t sx = int64_t{cell % perRow} * cellWidth;
  const int64_t sy = int64_t{cell / perRow} * cellHeight;
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
