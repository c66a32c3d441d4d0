// Graphics timings: loading the game's three sheets with their masks, and
// drawing a full board with the status panel.
#include <benchmark/benchmark.h>

#include <string>

#include "board_scene.h"
#include "gfx/image_store.h"

namespace {

void BM_LoadSheets(benchmark::State& state) {
  const std::string dir = VELKARI_BENCH_IMG_DIR;
  for (auto _ : state) {
    ImageStore store;
    store.Create("", nullptr);
    if (!bench::LoadSheets(store, dir)) {
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
  if (!bench::LoadSheets(store)) {
    state.SkipWithError("cannot load the sheets");
    return;
  }
  for (auto _ : state) {
    bench::DrawBoard(store);
    benchmark::ClobberMemory();
  }
  store.Destroy();
}
BENCHMARK(BM_DrawBoard)->Unit(benchmark::kMicrosecond);

}  // namespace
