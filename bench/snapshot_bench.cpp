// BM_SaveSnapshot and BM_LoadSnapshot: the whole running state of a stage in
// play (the music sounding, a slide under way) written into bytes and loaded
// back, once per iteration, as a frontend's rewind and run-ahead do every
// frame. The snapshot's size is reported as a counter.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "app/shell.h"
#include "headless/headless_wave_device.h"
#include "headless/headless_window.h"
#include "platform/platform.h"
#include "program_dir.h"

namespace {

// A program in play on stage 1, driven as velkari-replay drives it.
class Playing {
 public:
  Playing() {
    device_.KeepPlayed(false);
    StartProgramObjects(&device_);
    device_.WaitUntilQueued(2, 5000);
    const std::string dir = bench::ProgramDir();
    OnWindowCreate(&window_, dir.c_str());
    RunFrame(window_);
    for (int k = 0; k < 60; ++k) Step(k == 3 ? platform::VKEY_Z : k > 5 ? platform::VKEY_RIGHT : 0);
  }
  ~Playing() {
    OnWindowDestroy();
    StopProgramObjects();
  }

 private:
  void Step(int key) {
    window_.ReleaseAllKeys();
    if (key) window_.SetKey(key, true);
    window_.Advance(FRAME_MILLISECONDS);
    while (MillisecondsUntilFrame(window_) == 0) RunFrame(window_);
    ++steps_;
    while (buffers_ < steps_ * FRAME_MILLISECONDS / 34 && device_.Step()) ++buffers_;
  }
  headless::HeadlessWindow window_;
  headless::HeadlessWaveDevice device_;
  uint64_t steps_ = 0;
  uint64_t buffers_ = 0;
};

void BM_SaveSnapshot(benchmark::State& state) {
  Playing playing;
  std::vector<uint8_t> bytes(SNAPSHOT_SIZE);
  for (auto _ : state) {
    if (!SaveSnapshot(bytes.data(), bytes.size())) state.SkipWithError("the save failed");
    benchmark::DoNotOptimize(bytes.data());
  }
  state.counters["bytes"] = static_cast<double>(SNAPSHOT_SIZE);
}
BENCHMARK(BM_SaveSnapshot)->Unit(benchmark::kMicrosecond);

void BM_LoadSnapshot(benchmark::State& state) {
  Playing playing;
  std::vector<uint8_t> bytes(SNAPSHOT_SIZE);
  if (!SaveSnapshot(bytes.data(), bytes.size())) state.SkipWithError("the save failed");
  std::string reason;
  for (auto _ : state) {
    if (!LoadSnapshot(bytes.data(), bytes.size(), &reason)) state.SkipWithError(reason.c_str());
  }
  state.counters["bytes"] = static_cast<double>(SNAPSHOT_SIZE);
}
BENCHMARK(BM_LoadSnapshot)->Unit(benchmark::kMicrosecond);

}  // namespace
