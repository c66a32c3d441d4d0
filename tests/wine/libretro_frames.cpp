// A frontend of a few lines for the Wine checks: loads a libretro core (the
// .so here, the .dll under Wine), holds a fixed pattern of RetroPad buttons,
// and prints one line a frame: the frame number, a hash of the picture and
// one of the samples, and the count of samples. The same lines from both
// builds mean the same game; a state saved by one build and loaded by the
// other goes on with the same lines.
//   velkari-libretro-frames CORE FRAMES [--save K:FILE] [--load FILE --from K]
#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif
#include <libretro.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

uint64_t frame = 0;
uint64_t videoHash = 0, audioHash = 0, samples = 0;

uint64_t Fnv(uint64_t h, const void* data, size_t n) {
  const auto* p = static_cast<const uint8_t*>(data);
  for (size_t i = 0; i < n; ++i) h = (h ^ p[i]) * 1099511628211ull;
  return h;
}

bool Environment(unsigned cmd, void* data) {
  if (cmd == RETRO_ENVIRONMENT_SET_PIXEL_FORMAT)
    return *static_cast<const retro_pixel_format*>(data) == RETRO_PIXEL_FORMAT_XRGB8888;
  return cmd == RETRO_ENVIRONMENT_SET_SUPPORT_NO_GAME ||
         cmd == RETRO_ENVIRONMENT_SET_INPUT_DESCRIPTORS;
}
void Video(const void* data, unsigned width, unsigned height, size_t pitch) {
  for (unsigned y = 0; y < height && data; ++y)
    videoHash = Fnv(videoHash, static_cast<const uint8_t*>(data) + y * pitch, width * 4);
}
void Sample(int16_t, int16_t) {}
size_t Batch(const int16_t* data, size_t frames) {
  audioHash = Fnv(audioHash, data, frames * 4);
  samples += frames;
  return frames;
}
void Poll() {}
// Start a game, walk right and down, destroy, pause and go on.
int16_t Input(unsigned port, unsigned device, unsigned, unsigned id) {
  if (port != 0 || device != RETRO_DEVICE_JOYPAD) return 0;
  auto in = [](uint64_t a, uint64_t b) { return frame >= a && frame <= b; };
  switch (id) {
    case RETRO_DEVICE_ID_JOYPAD_B:
      return in(2, 3);
    case RETRO_DEVICE_ID_JOYPAD_RIGHT:
      return in(40, 80);
    case RETRO_DEVICE_ID_JOYPAD_DOWN:
      return in(90, 130);
    case RETRO_DEVICE_ID_JOYPAD_Y:
      return in(150, 151);
    case RETRO_DEVICE_ID_JOYPAD_START:
      return in(200, 201) || in(230, 231);
    default:
      return 0;
  }
}

void* Symbol(void* module, const char* name) {
#ifdef _WIN32
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(module), name));
#else
  return dlsym(module, name);
#endif
}

int Fail(const std::string& why) {
  std::fprintf(stderr, "velkari-libretro-frames: %s\n", why.c_str());
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return Fail("usage: CORE FRAMES [--save K:FILE] [--load FILE --from K]");
  const uint64_t frames = std::strtoull(argv[2], nullptr, 10);
  uint64_t saveAt = 0, from = 0;
  std::string savePath, loadPath;
  for (int i = 3; i + 1 < argc; i += 2) {
    const std::string a = argv[i], v = argv[i + 1];
    if (a == "--save" && v.find(':') != std::string::npos) {
      saveAt = std::strtoull(v.c_str(), nullptr, 10);
      savePath = v.substr(v.find(':') + 1);
    } else if (a == "--load") {
      loadPath = v;
    } else if (a == "--from") {
      from = std::strtoull(v.c_str(), nullptr, 10);
    } else {
      return Fail("unknown argument " + a);
    }
  }
#ifdef _WIN32
  void* module = LoadLibraryA(argv[1]);
#else
  void* module = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
#endif
  if (!module) return Fail(std::string("cannot load ") + argv[1]);
#define VELKARI_CALL(name) reinterpret_cast<decltype(&::name)>(Symbol(module, #name))
  auto run = VELKARI_CALL(retro_run);
  auto serializeSize = VELKARI_CALL(retro_serialize_size);
  auto serialize = VELKARI_CALL(retro_serialize);
  auto unserialize = VELKARI_CALL(retro_unserialize);
  if (!run || !serializeSize || !serialize || !unserialize) return Fail("not a libretro core");
  VELKARI_CALL(retro_set_environment)(Environment);
  VELKARI_CALL(retro_set_video_refresh)(Video);
  VELKARI_CALL(retro_set_audio_sample)(Sample);
  VELKARI_CALL(retro_set_audio_sample_batch)(Batch);
  VELKARI_CALL(retro_set_input_poll)(Poll);
  VELKARI_CALL(retro_set_input_state)(Input);
  VELKARI_CALL(retro_init)();
  if (!VELKARI_CALL(retro_load_game)(nullptr)) return Fail("the core did not start");
  std::vector<uint8_t> state(serializeSize());
  if (!loadPath.empty()) {
    std::ifstream f(loadPath, std::ios::binary);
    const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(f),
                                     std::istreambuf_iterator<char>()};
    if (!unserialize(bytes.data(), bytes.size())) return Fail("the core refused " + loadPath);
  }
  for (frame = from + 1; frame <= frames; ++frame) {
    videoHash = audioHash = 1469598103934665603ull;
    samples = 0;
    run();
    std::printf("%llu %016llx %016llx %llu\n", static_cast<unsigned long long>(frame),
                static_cast<unsigned long long>(videoHash),
                static_cast<unsigned long long>(audioHash),
                static_cast<unsigned long long>(samples));
    if (frame == saveAt) {
      if (!serialize(state.data(), state.size())) return Fail("the core saved no state");
      std::ofstream f(savePath, std::ios::binary);
      f.write(reinterpret_cast<const char*>(state.data()),
              static_cast<std::streamsize>(state.size()));
      if (!f) return Fail("cannot write " + savePath);
    }
  }
  VELKARI_CALL(retro_unload_game)();
  VELKARI_CALL(retro_deinit)();
#undef VELKARI_CALL
  return 0;
}
