// BM_DrawBoardSdlPeer: the board of BM_DrawBoard drawn by SDL's own blitter,
// as a measure of what the raster should beat. The same sheets go into SDL
// surfaces of the back buffer's pixel layout (0x00BBGGRR is XBGR8888); the
// cell sheet is colour-keyed on green with run-length acceleration, the font
// sheet copied as it is, one blit per cell and per glyph.
#include <SDL.h>
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>

#include "board_scene.h"
#include "gfx/image_store.h"

namespace {

SDL_Surface* CopyToSdl(const Surface& s) {
  SDL_Surface* out =
      SDL_CreateRGBSurfaceWithFormat(0, s.Width(), s.Height(), 32, SDL_PIXELFORMAT_XBGR8888);
  if (!out) return nullptr;
  for (int y = 0; y < s.Height(); ++y)
    std::memcpy(static_cast<uint8_t*>(out->pixels) + static_cast<size_t>(y) * out->pitch, s.Row(y),
                static_cast<size_t>(s.Width()) * sizeof(uint32_t));
  return out;
}

struct Peer {
  SDL_Surface* cells = nullptr;
  SDL_Surface* font = nullptr;
  SDL_Surface* back = nullptr;
  ~Peer() {
    SDL_FreeSurface(cells);
    SDL_FreeSurface(font);
    SDL_FreeSurface(back);
  }
};

void Blit(SDL_Surface* src, int sx, int sy, int size, SDL_Surface* dst, int x, int y) {
  SDL_Rect from{sx, sy, size, size};
  SDL_Rect to{x, y, size, size};
  SDL_BlitSurface(src, &from, dst, &to);
}

// What ImageStore::DrawString does with a 16 x 16 font sheet.
void DrawText(SDL_Surface* font, SDL_Surface* dst, int x, int y, const char* text) {
  const int perRow = font->w / bench::GLYPH_PIXELS;
  int penX = x, penY = y;
  for (const char* p = text; *p; ++p) {
    const unsigned char c = static_cast<unsigned char>(*p);
    if (c == '\n') {
      penX = x;
      penY += bench::GLYPH_PIXELS;
      continue;
    }
    Blit(font, (c % perRow) * bench::GLYPH_PIXELS, (c / perRow) * bench::GLYPH_PIXELS,
         bench::GLYPH_PIXELS, dst, penX, penY);
    penX += bench::GLYPH_PIXELS;
  }
}

void DrawBoard(const Peer& peer) {
  const int perRow = peer.cells->w / bench::CELL_PIXELS;
  for (int y = 0; y < bench::BOARD_CELLS; ++y) {
    for (int x = 0; x < bench::BOARD_CELLS; ++x) {
      const int cell = bench::BoardCell(x, y);
      Blit(peer.cells, (cell % perRow) * bench::CELL_PIXELS, (cell / perRow) * bench::CELL_PIXELS,
           bench::CELL_PIXELS, peer.back, bench::CELL_PIXELS * x, bench::CELL_PIXELS * y);
    }
  }
  for (const bench::PanelText& t : bench::PANEL_TEXTS)
    DrawText(peer.font, peer.back, t.x, t.y, t.text);
}

// Draws the board once both ways: the peer must show the very picture the
// image store draws, or the comparison means nothing.
bool SamePicture(const Peer& peer, const ImageStore& drawn) {
  const Surface& back = drawn.GetDrawDC();
  if (peer.back->w != back.Width() || peer.back->h != back.Height()) return false;
  for (int y = 0; y < back.Height(); ++y) {
    const void* row =
        static_cast<const uint8_t*>(peer.back->pixels) + static_cast<size_t>(y) * peer.back->pitch;
    if (std::memcmp(row, back.Row(y), static_cast<size_t>(back.Width()) * sizeof(uint32_t)) != 0)
      return false;
  }
  return true;
}

void BM_DrawBoardSdlPeer(benchmark::State& state) {
  ImageStore store;
  store.Create("", nullptr);
  if (!bench::LoadSheets(store)) {
    state.SkipWithError("cannot load the sheets");
    return;
  }
  Peer peer;
  peer.cells = CopyToSdl(*store.Sheet(bench::SHEET_CELLS));
  peer.font = CopyToSdl(*store.Sheet(bench::SHEET_FONT));
  peer.back = SDL_CreateRGBSurfaceWithFormat(
      0, store.GetDrawDC().Width(), store.GetDrawDC().Height(), 32, SDL_PIXELFORMAT_XBGR8888);
  if (!peer.cells || !peer.font || !peer.back) {
    state.SkipWithError(SDL_GetError());
    return;
  }
  const Uint32 green = SDL_MapRGB(peer.cells->format, 0, 255, 0);
  if (green != bench::KEY_GREEN || SDL_SetColorKey(peer.cells, SDL_RLEACCEL, green) != 0) {
    state.SkipWithError("cannot key the cell sheet on green");
    return;
  }
  // The first blit encodes the runs; it stays outside the timing.
  DrawBoard(peer);
  bench::DrawBoard(store);
  if (!SamePicture(peer, store)) {
    state.SkipWithError("SDL draws another picture than the image store");
    return;
  }
  for (auto _ : state) {
    DrawBoard(peer);
    benchmark::ClobberMemory();
  }
  store.Destroy();
}
BENCHMARK(BM_DrawBoardSdlPeer)->Unit(benchmark::kMicrosecond);

}  // namespace
