// ImageStore: the one graphics object of the program. It holds the back buffer
// into which every frame is drawn, and eight sprite-sheet slots with their
// colour-key masks. The window procedure creates it (Create) once the window
// exists and releases it (Destroy) when the window goes; the scenes draw
// through it on the main thread and Present each finished frame.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "gfx/surface.h"

struct BmpReason;

namespace platform {
class Window;
}

constexpr int SHEET_SLOTS = 8;

// A picture the program carries in itself instead of its file: the path the
// game names it by, written with forward slashes ("img/girl.bmp"), and the
// bytes of the BMP file.
struct PictureBytes {
  const char* path;
  const uint8_t* bytes;
  size_t size;
};

// The folders a relative picture path ("img\\girl.bmp") is tried against, in
// order: the current directory (""), the program's directory, and
// share/velkari/ beside the program's parent folder, where an installed game
// keeps its pictures (/usr/games/velkari reads /usr/share/velkari/img/). The
// last two only when programDir is known (not empty).
std::vector<std::string> PictureFolders(const std::string& programDir);

class ImageStore {
 public:
  // Stores the window (the target of Present) and the program's directory
  // (where the pictures are looked for after the current directory), then
  // makes the back buffer at the window's client size, 640 x 480. Every slot
  // starts empty. Always true.
  bool Create(const char* programDir, platform::Window* window, int clientWidth = 640,
              int clientHeight = 480);
  // Releases every loaded slot (sheet, mask, keyed copy) and the back buffer.
  // Nothing draws afterwards. Always true.
  bool Destroy();

  // The surface that all drawing goes into (the back buffer's drawing context).
  // Take it anew for drawing on it after a Clear or a draw of the image store:
  // the tiles Clear left are filled black here, and the store learns that the
  // pixels may change.
  Surface& GetDrawDC() {
    FillPending();
    ForgetCopies(0, 0, back_.Width(), back_.Height());  // the caller may draw anywhere
    return back_;
  }
  const Surface& GetDrawDC() const {
    FillPending();
    return back_;
  }

  // Fills the whole back buffer with black (BLACKNESS). True when there was a
  // back buffer to fill. The fill of a tile waits until something needs its
  // pixels: a picture drawn over a whole tile writes it without the fill.
  bool Clear();
  // Copies the whole back buffer to the window in one transfer. True when
  // there was a window and a back buffer.
  bool Present();

  // Sheet slots 0 to 7: load once, then draw whole or by cell.
  //
  // LoadSheet reads a BMP into an empty slot. The path may be written the
  // Windows way ("img\\tobernix.bmp"); a relative path is tried against each
  // of PictureFolders(programDir) in turn, and the first that loads is kept.
  // A file that none of them holds is named on standard error with the
  // folders tried, and so is one that is there but cannot be read. With
  // makeMask, pixels exactly equal to `key` become transparent: the mask
  // (white there, black elsewhere) and the keyed copy (black there) are built
  // here, once. False for a bad slot, a slot in use, or a file that is
  // missing or malformed; the slot then stays empty.
  bool LoadSheet(int slot, const char* path, bool makeMask, COLORREF key);
  // Pictures in memory, tried before any folder: LoadSheet decodes the entry
  // whose path is the file's (after its backslashes are made slashes) as if
  // it had been read from disk. The entries and their bytes stay the
  // caller's and must outlive every LoadSheet; kept across Create and
  // Destroy. No entries (the default): files only.
  void UsePictures(std::vector<PictureBytes> pictures) { pictures_ = std::move(pictures); }

  // Draw into the back buffer, clipped to it: transparently (mask AND, keyed
  // copy OR) where the slot has a keyed copy, else as a plain copy. False,
  // drawing nothing, for a bad or empty slot.
  bool DrawSheet(int slot, int x, int y);
  // Cell `cell` of a sheet cut into cellWidth x cellHeight cells, numbered row
  // by row, sheet width / cellWidth to a row. Also false when not one whole
  // cell fits in a row (cellWidth 0 or less, or wider than the sheet).
  bool DrawCell(int slot, int x, int y, int cellWidth, int cellHeight, int cell);
  // Bitmap text from the 16 x 16 font sheet in `slot`: glyph = character
  // code, line feed starts a new line 16 pixels down. False, drawing nothing,
  // for a bad or empty slot, a null or empty text, or one over 256 characters.
  bool DrawString(int slot, int x, int y, const char* text);

  // Slot state, for tests and tools.
  bool SlotLoaded(int slot) const;
  bool SlotHasMask(int slot) const;
  bool SlotTransparent(int slot) const;
  const Surface* Sheet(int slot) const;
  const Surface* Mask(int slot) const;
  const Surface* Keyed(int slot) const;

 private:
  void DrawRect(int slot, int x, int y, int width, int height, int sx, int sy);
  void ReportMissing(const std::string& file, const std::string& broken,
                     const BmpReason& why) const;
  void DrawPiece(int slot, int x, int y, int width, int height, int sx, int sy);
  // Makes black every tile that Clear left to fill.
  void FillPending() const;
  void FillTile(int tx, int ty) const;
  // The tiles a drawing over [x0, x1) x [y0, y1) touches no longer hold an
  // untouched copy of anything.
  void ForgetCopies(int64_t x0, int64_t y0, int64_t x1, int64_t y1) const;

  std::vector<std::string> folders_;
  std::vector<PictureBytes> pictures_;
  platform::Window* window_ = nullptr;
  // The back buffer, in tiles of TILE_PIXELS square. Clear marks every tile
  // to be filled black (what GetDrawDC gives and Present shows never has one
  // left). A tile also remembers the sheet rectangle it holds an untouched
  // copy of: drawn there again over the whole tile after a Clear, the
  // picture is already in place.
  static constexpr int TILE_PIXELS = 32;
  struct Tile {
    bool pending = false;
    int slot = -1;  // no copy
    int sx = 0;
    int sy = 0;
  };
  Tile& TileAt(int tx, int ty) const {
    return tiles_[static_cast<size_t>(ty) * static_cast<size_t>(tilesX_) + static_cast<size_t>(tx)];
  }
  mutable Surface back_;
  mutable std::vector<Tile> tiles_;
  mutable int pendingCount_ = 0;
  int tilesX_ = 0;
  int tilesY_ = 0;
  // The slots, as parallel arrays: a sheet that is Valid() marks a slot in use.
  Surface sheet_[SHEET_SLOTS];
  Surface mask_[SHEET_SLOTS];
  Surface keyed_[SHEET_SLOTS];
  // The mask's runs (MaskRuns), beside every keyed copy.
  std::vector<uint16_t> runs_[SHEET_SLOTS];
  int clientRight_ = 0;
  int clientBottom_ = 0;
};

// The program-wide instance.
extern ImageStore gImageStore;
