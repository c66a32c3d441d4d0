// renderMix at the work the output thread does for one buffer: 1500 frames
// of every channel. BM_RenderMix/8 plays all eight channels (the background
// tune, looping cues with noise, triangles, saw and pulse), /1 the tune alone.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <mutex>

#include "sound/channel_interface.h"
#include "sound/sound_engine.h"

namespace {

constexpr double BUFFER_SECONDS = 1500.0 / 44100.0;

const char* const CUES[8] = {
    "t120@56o4l16q7v14L crrrgrrcdrefrrrr crrrgrrcggfrerdr",  // the background tune
    "t120@64v10L o4c8r8c16c16",                              // long noise
    "t120@80v9p4L o4c16c16r8",                               // short noise
    "t120@48v12L o3c4e4g4",                                  // smooth triangle
    "t120@56v12q6L o2c8g8",                                  // stepped, held triangle
    "t120@32v10m20w60L o5c4d4",                              // saw with vibrato
    "t120@2v10s5p12L o5e4g4",                                // quarter pulse with sweep
    "t120@17h50i20j40p3L o6g8a8",                            // pulse16 with envelope
};

void BM_RenderMix(benchmark::State& state) {
  const int channels = static_cast<int>(state.range(0));
  startSoundEngine();
  clearAllChannelText();
  for (int ch = 0; ch < channels; ++ch) playChannelCue(ch, CUES[ch]);
  static uint8_t buffer[WAVE_BUFFER_SIZE];
  for (auto _ : state) {
    std::lock_guard<std::mutex> lock(soundEngineMutex());
    renderMix(buffer, WAVE_BUFFER_SIZE);
    benchmark::DoNotOptimize(buffer);
  }
  // Seconds of sound per second of rendering: the real-time factor.
  state.counters["x_realtime"] = benchmark::Counter(
      BUFFER_SECONDS * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
  // Seconds per channel-sample.
  state.counters["per_channel_sample"] =
      benchmark::Counter(1500.0 * channels * static_cast<double>(state.iterations()),
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  releaseAllChannelText();
  stopSoundEngine();
}
BENCHMARK(BM_RenderMix)->Arg(8)->Arg(1);

}  // namespace
