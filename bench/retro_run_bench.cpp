// BM_RetroRun: one retro_run of the libretro core as a frontend calls it, the
// module loaded as RetroArch loads it: a frame of stage 1 with the player
// walking to and fro, its picture handed over as XRGB8888 and its 705 or 706
// stereo frames of sound. BM_RetroSerialize: one state, as rewind takes one
// every frame.
#include <benchmark/benchmark.h>
#include <dlfcn.h>
#include <libretro.h>

#include <string>
#include <vector>

#include "program_dir.h"

namespace {

uint64_t frame = 0;
const void* lastPicture = nullptr;

bool Environment(unsigned cmd, void* data) {
  if (cmd == RETRO_ENVIRONMENT_SET_PIXEL_FORMAT)
    return *static_cast<const retro_pixel_format*>(data) == RETRO_PIXEL_FORMAT_XRGB8888;
  return cmd == RETRO_ENVIRONMENT_SET_SUPPORT_NO_GAME ||
         cmd == RETRO_ENVIRONMENT_SET_INPUT_DESCRIPTORS;
}
void Video(const void* data, unsigned, unsigned, size_t) {
  lastPicture = data;
}
void Sample(int16_t, int16_t) {}
size_t Batch(const int16_t*, size_t frames) {
  return frames;
}
void Poll() {}
// B on frame 2 starts a game; then 12 cells right, 12 back along row 1.
int16_t Input(unsigned port, unsigned device, unsigned, unsigned id) {
  if (port != 0 || device != RETRO_DEVICE_JOYPAD) return 0;
  const bool right = (frame / (12 * 16)) % 2 == 0;
  switch (id) {
    case RETRO_DEVICE_ID_JOYPAD_B:
      return frame == 2;
    case RETRO_DEVICE_ID_JOYPAD_RIGHT:
      return frame > 30 && right;
    case RETRO_DEVICE_ID_JOYPAD_LEFT:
      return frame > 30 && !right;
    default:
      return 0;
  }
}

// The core, loaded and started with no content; null when it cannot be.
struct Core {
  void* module = nullptr;
  decltype(&::retro_run) run = nullptr;
  decltype(&::retro_serialize_size) serializeSize = nullptr;
  decltype(&::retro_serialize) serialize = nullptr;
  decltype(&::retro_unload_game) unload = nullptr;
  decltype(&::retro_deinit) deinit = nullptr;

  bool Open() {
    module = dlopen((bench::ProgramDir() + "velkari_libretro.so").c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!module) return false;
#define VELKARI_SYM(name) reinterpret_cast<decltype(&::name)>(dlsym(module, #name))
    run = VELKARI_SYM(retro_run);
    serializeSize = VELKARI_SYM(retro_serialize_size);
    serialize = VELKARI_SYM(retro_serialize);
    unload = VELKARI_SYM(retro_unload_game);
    deinit = VELKARI_SYM(retro_deinit);
    VELKARI_SYM(retro_set_environment)(Environment);
    VELKARI_SYM(retro_set_video_refresh)(Video);
    VELKARI_SYM(retro_set_audio_sample)(Sample);
    VELKARI_SYM(retro_set_audio_sample_batch)(Batch);
    VELKARI_SYM(retro_set_input_poll)(Poll);
    VELKARI_SYM(retro_set_input_state)(Input);
    VELKARI_SYM(retro_init)();
    const bool started = VELKARI_SYM(retro_load_game)(nullptr);
#undef VELKARI_SYM
    frame = 0;
    return started;
  }
  // Runs up to stage 1 in play.
  void Play(uint64_t frames) {
    while (frame < frames) {
      ++frame;
      run();
    }
  }
  ~Core() {
    if (!module) return;
    unload();
    deinit();
    dlclose(module);
  }
};

void BM_RetroRun(benchmark::State& state) {
  Core core;
  if (!core.Open()) return state.SkipWithError("velkari_libretro.so did not load or start");
  core.Play(60);
  for (auto _ : state) {
    ++frame;
    core.run();
  }
  benchmark::DoNotOptimize(lastPicture);
}
BENCHMARK(BM_RetroRun);

void BM_RetroSerialize(benchmark::State& state) {
  Core core;
  if (!core.Open()) return state.SkipWithError("velkari_libretro.so did not load or start");
  core.Play(60);
  std::vector<uint8_t> bytes(core.serializeSize());
  for (auto _ : state) {
    if (!core.serialize(bytes.data(), bytes.size())) return state.SkipWithError("no state");
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(bytes.size()));
}
BENCHMARK(BM_RetroSerialize);

}  // namespace
