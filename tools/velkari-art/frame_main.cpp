// velkari-art-frame: composes a play frame and a title frame from the built
// sheets, the way the game lays them out, so the art can be judged in place.
//
//   velkari-art-frame IMG_DIR OUT_DIR
//
// writes OUT_DIR/play.bmp and OUT_DIR/title.bmp (640 x 480, 24-bit).
#include <cstdio>
#include <string>

#include "gfx/bmp.h"
#include "gfx/image_store.h"
#include "gfx/system_font.h"

namespace {

// A made-up board, rows top to bottom, cell codes 0 to 5.
const char* const BOARD[15] = {
    "111111111111111", "100020004000301", "102121012101201", "100400020000001", "121012101210121",
    "100000300400201", "102121012101201", "100240000020001", "121012101210121", "103000420000001",
    "102121012101241", "100000200300001", "121012101210121", "100400020000051", "111111111111111",
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: velkari-art-frame IMG_DIR OUT_DIR\n");
    return 2;
  }
  const std::string img = std::string(argv[1]) + "/", out = std::string(argv[2]) + "/";
  ImageStore store;
  store.Create("", nullptr);
  const bool ok = store.LoadSheet(0, (img + "tobernix.bmp").c_str(), false, 0) &
                  store.LoadSheet(1, (img + "velkimg.bmp").c_str(), true, 0x00FF00) &
                  store.LoadSheet(2, (img + "girl.bmp").c_str(), true, 0x00FF00);
  if (!ok) {
    std::fprintf(stderr, "velkari-art-frame: cannot load the sheets from %s\n", argv[1]);
    return 1;
  }

  store.Clear();
  for (int y = 0; y < 15; ++y)
    for (int x = 0; x < 15; ++x) store.DrawCell(1, 32 * x, 32 * y, 32, 32, BOARD[y][x] - '0');
  store.DrawCell(1, 32 * 7, 32 * 7, 32, 32, 6);
  store.DrawCell(1, 32 * 5 + 12, 32 * 11, 32, 32, 7);  // in the middle of a slide
  store.DrawString(0, 500, 100, "TIME\n\n  180");
  store.DrawString(0, 500, 200, "STAGE\n\n  1");
  store.DrawString(0, 500, 300, "SCORE\n\n 0");
  store.DrawString(0, 500, 400, "PASS\n[Z]or(A)\nDESTROY\n[X]or(X)");
  if (!SaveBmpFile((out + "play.bmp").c_str(), store.GetDrawDC())) {
    std::fprintf(stderr, "velkari-art-frame: cannot write %splay.bmp\n", out.c_str());
    return 1;
  }

  store.Clear();
  store.DrawSheet(2, 320, 100);
  DrawSystemText(store.GetDrawDC(), 150, 96, "velkariゲーム");
  DrawSystemText(store.GetDrawDC(), 150, 320, "PUSH [Z]key or GAMEPAD(A)Key");
  DrawSystemText(store.GetDrawDC(), 150, 450, "Quillmoor2022");
  store.DrawString(0, 200, 400, "HI-SCORE 0");
  DrawSystemText(store.GetDrawDC(), 0, 0, "マスク作ってます");
  if (!SaveBmpFile((out + "title.bmp").c_str(), store.GetDrawDC())) {
    std::fprintf(stderr, "velkari-art-frame: cannot write %stitle.bmp\n", out.c_str());
    return 1;
  }
  store.Destroy();
  return 0;
}
