// Graphics timings: loading the game's three sheets with their masks, and
// drawing a full board with the status panel.
#include <benchmark/benchmark.h>

#include <string>

#include "gfx/image_store.h"

namespace {

// The build writes the sheets beside velkari-bench (res/CMakeLists.txt tells
// it where); run elsewhere, img/ under the current directory is used.
#ifndef VELKARI_BENCH_IMG_DIR
#define VELKARI_BENCH_IMG_DIR "img"
#endif

bool LoadAll(ImageStore& store, const std::string& dir) {
  return store.LoadSheet(0, (dir + "/tobernix.bmp").c_str(), false, 0) &&
         store.LoadSheet(1, (dir + "/velkimg.bmp").c_str(), true, 0x00FF00) &&
         store.LoadSheet(2, (dir + "/girl.bmp").c_str(), true, 0x00FF00);
}

std::string FindImages() {
  return VELKARI_BENCH_IMG_DIR;
}

void BM_LoadSheets(benchmark::State& state) {
  const std::string dir = FindImages();
  for (auto _ : state) {
    ImageStore store;
    store.Create("", nullptr);
    if (!LoadAll(store, dir)) {
      state.SkipWithError(("cannot load the sheets from " + dir).c_str());
      break;
    }
    benchmark::DoNotOptimize(store.Keyed(2));
    store.Destroy();
  }
}
BENCHMARK(BM_LoadSheets)->Unit(benchmark::kMillisecond);

// 225 masked cells and the four panel texts, as one play frame draws them.
void BM_DrawBoard(benchmark::State& state) {
  ImageStore store;
  store.Create("", nullptr);
  if (!LoadAll(store, FindImages())) {
    state.SkipWithError("cannot load the sheets");
    return;
  }
  for (auto _ : state) {
    for (int y = 0; y < 15; ++y)
      for (int x = 0; x < 15; ++x) store.DrawCell(1, 32 * x, 32 * y, 32, 32, (x * 7 + y * 3) % 8);
    store.DrawString(0, 500, 100, "TIME\n\n  180");
    store.DrawString(0, 500, 200, "STAGE\n\n  1");
    store.DrawString(0, 500, 300, "SCORE\n\n 0");
    store.DrawString(0, 500, 400, "PASS\n[Z]or(A)\nDESTROY\n[X]or(X)");
    benchmark::ClobberMemory();
  }
  store.Destroy();
}
BENCHMARK(BM_DrawBoard)->Unit(benchmark::kMicrosecond);

}  // namespace
