// A small libretro frontend of the project's own: it loads velkari_libretro
// with dlopen, answers the environment calls the core makes, holds RetroPad
// buttons from a replay script, and keeps every frame and sample it is
// handed. The core must show velkari-replay's frames and hand on
// velkari-replay's sound, come back from its own states exactly, start
// afresh on reset, and live through deinit and init in one process.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <libretro.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/replay_record.h"
#include "gfx/bmp.h"
#include "platform/platform.h"

namespace {

constexpr int W = platform::CLIENT_WIDTH;
constexpr int H = platform::CLIENT_HEIGHT;

// What the frontend saw of one retro_run.
struct Shown {
  uint64_t frameHash = 0;
  std::vector<int16_t> samples;
};

class Frontend;
Frontend* current = nullptr;

class Frontend {
 public:
  Frontend() {
    const std::string path = std::string(VELKARI_BIN_DIR) + "/velkari_libretro.so";
    module_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!module_) return;
#define VELKARI_SYM(name) name = reinterpret_cast<decltype(&::name)>(dlsym(module_, #name))
    VELKARI_SYM(retro_set_environment);
    VELKARI_SYM(retro_set_video_refresh);
    VELKARI_SYM(retro_set_audio_sample);
    VELKARI_SYM(retro_set_audio_sample_batch);
    VELKARI_SYM(retro_set_input_poll);
    VELKARI_SYM(retro_set_input_state);
    VELKARI_SYM(retro_init);
    VELKARI_SYM(retro_deinit);
    VELKARI_SYM(retro_api_version);
    VELKARI_SYM(retro_get_system_info);
    VELKARI_SYM(retro_get_system_av_info);
    VELKARI_SYM(retro_load_game);
    VELKARI_SYM(retro_unload_game);
    VELKARI_SYM(retro_run);
    VELKARI_SYM(retro_reset);
    VELKARI_SYM(retro_serialize_size);
    VELKARI_SYM(retro_serialize);
    VELKARI_SYM(retro_unserialize);
#undef VELKARI_SYM
    current = this;
  }
  ~Frontend() {
    if (started_) Close();
    current = nullptr;
    if (module_) dlclose(module_);
  }
  bool Loaded() const {
    return module_ && retro_run && retro_unserialize;
  }

  // retro_set_environment (before init, as RetroArch calls it), init, and a
  // game with no content.
  bool Open() {
    retro_set_environment(Environment);
    retro_set_video_refresh(Video);
    retro_set_audio_sample(Sample);
    retro_set_audio_sample_batch(Batch);
    retro_set_input_poll(Poll);
    retro_set_input_state(Input);
    retro_init();
    started_ = retro_load_game(nullptr);
    return started_;
  }
  void Close() {
    retro_unload_game();
    retro_deinit();
    started_ = false;
  }

  // One retro_run with `buttons` (RETRO_DEVICE_ID_JOYPAD_* bits) held.
  Shown Run(uint32_t buttons) {
    buttons_ = buttons;
    shown_ = Shown();
    videoCalls_ = 0;
    retro_run();
    EXPECT_EQ(videoCalls_, 1);
    return shown_;
  }
  std::vector<Shown> RunScript(const std::vector<uint32_t>& script, size_t from, size_t to) {
    std::vector<Shown> out;
    for (size_t i = from; i < to; ++i) out.push_back(Run(i < script.size() ? script[i] : 0));
    return out;
  }

  const std::vector<uint32_t>& LastFrame() const {
    return frame_;
  }
  bool noGame = false;
  bool pixelFormatSet = false;
  int descriptors = 0;

  decltype(&::retro_set_environment) retro_set_environment = nullptr;
  decltype(&::retro_set_video_refresh) retro_set_video_refresh = nullptr;
  decltype(&::retro_set_audio_sample) retro_set_audio_sample = nullptr;
  decltype(&::retro_set_audio_sample_batch) retro_set_audio_sample_batch = nullptr;
  decltype(&::retro_set_input_poll) retro_set_input_poll = nullptr;
  decltype(&::retro_set_input_state) retro_set_input_state = nullptr;
  decltype(&::retro_init) retro_init = nullptr;
  decltype(&::retro_deinit) retro_deinit = nullptr;
  decltype(&::retro_api_version) retro_api_version = nullptr;
  decltype(&::retro_get_system_info) retro_get_system_info = nullptr;
  decltype(&::retro_get_system_av_info) retro_get_system_av_info = nullptr;
  decltype(&::retro_load_game) retro_load_game = nullptr;
  decltype(&::retro_unload_game) retro_unload_game = nullptr;
  decltype(&::retro_run) retro_run = nullptr;
  decltype(&::retro_reset) retro_reset = nullptr;
  decltype(&::retro_serialize_size) retro_serialize_size = nullptr;
  decltype(&::retro_serialize) retro_serialize = nullptr;
  decltype(&::retro_unserialize) retro_unserialize = nullptr;

 private:
  static bool Environment(unsigned cmd, void* data) {
    switch (cmd) {
      case RETRO_ENVIRONMENT_SET_SUPPORT_NO_GAME:
        current->noGame = *static_cast<const bool*>(data);
        return true;
      case RETRO_ENVIRONMENT_SET_PIXEL_FORMAT:
        current->pixelFormatSet =
            *static_cast<const retro_pixel_format*>(data) == RETRO_PIXEL_FORMAT_XRGB8888;
        return current->pixelFormatSet;
      case RETRO_ENVIRONMENT_SET_INPUT_DESCRIPTORS: {
        const auto* d = static_cast<const retro_input_descriptor*>(data);
        current->descriptors = 0;
        while (d[current->descriptors].description) ++current->descriptors;
        return true;
      }
      default:
        return false;  // no log interface: the core must do without
    }
  }
  static void Video(const void* data, unsigned width, unsigned height, size_t pitch) {
    ++current->videoCalls_;
    ASSERT_NE(data, nullptr);
    ASSERT_EQ(width, static_cast<unsigned>(W));
    ASSERT_EQ(height, static_cast<unsigned>(H));
    ASSERT_EQ(pitch, static_cast<size_t>(W) * 4);
    const auto* p = static_cast<const uint32_t*>(data);
    current->frame_.assign(p, p + W * H);
    uint64_t h = 1469598103934665603ull;
    for (uint32_t v : current->frame_) h = (h ^ v) * 1099511628211ull;
    current->shown_.frameHash = h;
  }
  static void Sample(int16_t, int16_t) {
    ADD_FAILURE() << "single samples: the core hands batches";
  }
  static size_t Batch(const int16_t* data, size_t frames) {
    current->shown_.samples.insert(current->shown_.samples.end(), data, data + frames * 2);
    return frames;
  }
  static void Poll() {}
  static int16_t Input(unsigned port, unsigned device, unsigned, unsigned id) {
    if (port != 0 || device != RETRO_DEVICE_JOYPAD || id > 15) return 0;
    return (current->buttons_ >> id) & 1u ? 1 : 0;
  }

  void* module_ = nullptr;
  bool started_ = false;
  uint32_t buttons_ = 0;
  int videoCalls_ = 0;
  Shown shown_;
  std::vector<uint32_t> frame_;
};

// A replay script's keys as RetroPad buttons, one entry a frame.
std::vector<uint32_t> PadScript(const std::string& scriptPath) {
  std::ifstream f(scriptPath, std::ios::binary);
  std::stringstream ss;
  ss << f.rdbuf();
  replay::KeyPlayback playback;
  std::string error;
  EXPECT_TRUE(playback.LoadText(ss.str(), &error)) << error;
  std::vector<uint32_t> out;
  while (const replay::ScriptLine* line = playback.NextLine()) {
    uint32_t b = 0;
    for (int vk : line->vkeys) {
      switch (vk) {
        case platform::VKEY_UP:
          b |= 1u << RETRO_DEVICE_ID_JOYPAD_UP;
          break;
        case platform::VKEY_DOWN:
          b |= 1u << RETRO_DEVICE_ID_JOYPAD_DOWN;
          break;
        case platform::VKEY_LEFT:
          b |= 1u << RETRO_DEVICE_ID_JOYPAD_LEFT;
          break;
        case platform::VKEY_RIGHT:
          b |= 1u << RETRO_DEVICE_ID_JOYPAD_RIGHT;
          break;
        case platform::VKEY_Z:
          b |= 1u << RETRO_DEVICE_ID_JOYPAD_B;
          break;
        case platform::VKEY_X:
          b |= 1u << RETRO_DEVICE_ID_JOYPAD_Y;
          break;
        case platform::VKEY_ESCAPE:
          b |= 1u << RETRO_DEVICE_ID_JOYPAD_START;
          break;
        case platform::VKEY_SLASH:
          b |= 1u << RETRO_DEVICE_ID_JOYPAD_SELECT;
          break;
        default:
          ADD_FAILURE() << "no RetroPad button for key " << vk;
      }
    }
    out.push_back(b);
  }
  return out;
}

std::string Scratch(const std::string& name) {
  return ::testing::TempDir() + "velkari_libretro_" + name;
}

std::vector<uint8_t> ReadFile(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

// The core's 0x00RRGGBB frame against one of velkari-replay's BMPs.
bool SameAsBmp(const std::vector<uint32_t>& frame, const std::string& bmpPath) {
  const std::vector<uint8_t> bytes = ReadFile(bmpPath);
  Surface s;
  if (!DecodeBmp(bytes.data(), bytes.size(), s) || s.Width() != W || s.Height() != H) return false;
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x) {
      const uint32_t p = s.Row(y)[x];  // 0x00BBGGRR
      const uint32_t rgb = ((p & 0xFFu) << 16) | (p & 0xFF00u) | ((p >> 16) & 0xFFu);
      if (frame[static_cast<size_t>(y) * W + x] != rgb) return false;
    }
  return true;
}

std::vector<Shown> RunFresh(const std::vector<uint32_t>& script, size_t frames) {
  Frontend fe;
  EXPECT_TRUE(fe.Loaded() && fe.Open());
  return fe.RunScript(script, 0, frames);
}

void ExpectSameRun(const std::vector<Shown>& a, const std::vector<Shown>& b, size_t offset = 0) {
  ASSERT_LE(offset + b.size(), a.size());
  for (size_t i = 0; i < b.size(); ++i) {
    ASSERT_EQ(a[offset + i].frameHash, b[i].frameHash) << "frame " << offset + i + 1;
    ASSERT_EQ(a[offset + i].samples, b[i].samples) << "samples of frame " << offset + i + 1;
  }
}

TEST(LibretroCore, DescribesItselfAndStartsWithoutContent) {
  Frontend fe;
  ASSERT_TRUE(fe.Loaded()) << dlerror();
  EXPECT_EQ(fe.retro_api_version(), static_cast<unsigned>(RETRO_API_VERSION));
  ASSERT_TRUE(fe.Open());
  EXPECT_TRUE(fe.noGame);
  EXPECT_TRUE(fe.pixelFormatSet);
  EXPECT_EQ(fe.descriptors, 10);
  retro_system_info info;
  fe.retro_get_system_info(&info);
  EXPECT_STREQ(info.library_name, "velkari");
  retro_system_av_info av;
  fe.retro_get_system_av_info(&av);
  EXPECT_EQ(av.geometry.base_width, 640u);
  EXPECT_EQ(av.geometry.base_height, 480u);
  EXPECT_EQ(av.timing.fps, 62.5);
  EXPECT_EQ(av.timing.sample_rate, 44100.0);
  // 705 or 706 stereo frames a frame, 705.6 on average.
  const std::vector<Shown> run = fe.RunScript({}, 0, 10);
  size_t total = 0;
  for (const Shown& s : run) {
    EXPECT_TRUE(s.samples.size() == 2 * 705 || s.samples.size() == 2 * 706);
    total += s.samples.size() / 2;
  }
  EXPECT_EQ(total, 7056u);
}

// Each replay: the core's frames (every 16th, every 200th after 400, and the
// last) and its samples against velkari-replay's, over `frames` frames of the
// script (z_held on past the frames handed on whole).
// Under the sanitizers z_held stops soon after the frames handed on whole.
#ifdef VELKARI_SANITIZED
constexpr size_t Z_HELD_FRAMES = 2900;
#else
constexpr size_t Z_HELD_FRAMES = 4000;
#endif

struct ReplayCase {
  const char* name;
  size_t frames;  // 0: the whole script
};

class LibretroReplay : public ::testing::TestWithParam<ReplayCase> {};

TEST_P(LibretroReplay, FramesAndSamplesAreVelkariReplays) {
  const ReplayCase& c = GetParam();
  const std::string script =
      std::string(VELKARI_SOURCE_DIR) + "/tests/game/replays/" + c.name + ".replay";
  const std::vector<uint32_t> pad = PadScript(script);
  const size_t frames = c.frames ? c.frames : pad.size();
  std::vector<size_t> checked;
  for (size_t k = 16; k < frames; k += k < 400 ? 16 : 200) checked.push_back(k);
  checked.push_back(frames);
  // velkari-replay runs on a little past the frames compared, so that its
  // --audio holds all the core has handed on by then.
  const std::string wav = Scratch(std::string(c.name) + ".wav");
  std::string cmd = std::string(VELKARI_TEST_RUN_PREFIX) + VELKARI_BIN_DIR +
                    "/velkari-replay --script " + script + " --frames " +
                    std::to_string(frames + 60) + " --audio " + wav;
  for (size_t k : checked)
    cmd += " --frame " + std::to_string(k) + ":" +
           Scratch(std::string(c.name) + "_" + std::to_string(k) + ".bmp");
  ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;
  const std::vector<uint8_t> audio = ReadFile(wav);
  ASSERT_GT(audio.size(), 44u);

  Frontend fe;
  ASSERT_TRUE(fe.Loaded() && fe.Open());
  std::vector<int16_t> samples;
  size_t next = 0;
  for (size_t k = 1; k <= frames; ++k) {
    const Shown s = fe.Run(k <= pad.size() ? pad[k - 1] : 0);
    samples.insert(samples.end(), s.samples.begin(), s.samples.end());
    if (next < checked.size() && checked[next] == k) {
      const std::string bmp = Scratch(std::string(c.name) + "_" + std::to_string(k) + ".bmp");
      EXPECT_TRUE(SameAsBmp(fe.LastFrame(), bmp)) << "frame " << k;
      std::remove(bmp.c_str());
      ++next;
    }
  }
  std::remove(wav.c_str());
  // velkari-replay's stream: for the first 2805 frames the core hands on all
  // of it, 705 or 706 stereo frames a frame; after that it leaves out one
  // stereo frame whenever 24 (f - 2805) / 85 grows, and nothing else.
  std::vector<uint32_t> replayed((audio.size() - 44) / 4);
  std::memcpy(replayed.data(), audio.data() + 44, replayed.size() * 4);
  auto handedOn = [](uint64_t f) { return f * 3528 / 5; };
  auto position = [&](uint64_t f) { return handedOn(f) + (f < 2805 ? 0 : (f - 2805) * 24 / 85); };
  size_t i = 0;
  for (uint64_t f = 1; f <= frames; ++f) {
    const uint64_t n = handedOn(f) - handedOn(f - 1);
    ASSERT_LE(position(f), replayed.size()) << "velkari-replay's audio ends before frame " << f;
    for (uint64_t k = position(f) - n; k < position(f); ++k, ++i) {
      uint32_t v;
      std::memcpy(&v, samples.data() + 2 * i, 4);
      ASSERT_EQ(v, replayed[k]) << "stereo frame " << k << " of velkari-replay's, in frame " << f;
    }
  }
  EXPECT_EQ(i * 2, samples.size());
}

INSTANTIATE_TEST_SUITE_P(Replays, LibretroReplay,
                         ::testing::Values(ReplayCase{"walk_right_push", 0},
                                           ReplayCase{"blocked_push", 0},
                                           ReplayCase{"destroy_three", 0},
                                           ReplayCase{"goal_with_items", 0},
                                           ReplayCase{"pass_onto_goal", 0}, ReplayCase{"pause", 0},
                                           ReplayCase{"z_held", Z_HELD_FRAMES}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(LibretroCore, ResetAndDeinitInitGiveTheFreshStart) {
  const std::string script =
      std::string(VELKARI_SOURCE_DIR) + "/tests/game/replays/destroy_three.replay";
  const std::vector<uint32_t> pad = PadScript(script);
  const std::vector<Shown> fresh = RunFresh(pad, 200);
  Frontend fe;
  ASSERT_TRUE(fe.Loaded() && fe.Open());
  fe.RunScript(pad, 0, 150);
  fe.retro_reset();
  ExpectSameRun(fresh, fe.RunScript(pad, 0, 200));
  fe.Close();
  ASSERT_TRUE(fe.Open());
  ExpectSameRun(fresh, fe.RunScript(pad, 0, 200));
}

// Select opens the About box over the last frame, as Alt+/ does.
TEST(LibretroCore, SelectShowsTheAboutBox) {
  const std::string script =
      std::string(VELKARI_SOURCE_DIR) + "/tests/game/replays/about_box.replay";
  const std::string bmp = Scratch("about_33.bmp");
  const std::string cmd = std::string(VELKARI_TEST_RUN_PREFIX) + VELKARI_BIN_DIR +
                          "/velkari-replay --script " + script + " --frames 33 --frame 33:" + bmp;
  ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;
  Frontend fe;
  ASSERT_TRUE(fe.Loaded() && fe.Open());
  fe.RunScript(PadScript(script), 0, 33);
  EXPECT_TRUE(SameAsBmp(fe.LastFrame(), bmp));
  std::remove(bmp.c_str());
}

std::vector<uint8_t> Serialize(Frontend& fe) {
  std::vector<uint8_t> state(fe.retro_serialize_size());
  EXPECT_TRUE(fe.retro_serialize(state.data(), state.size()));
  return state;
}

// A state saved at frame K: the same bytes as velkari-replay's snapshot after
// step K, and the run from it the same whether it is loaded back into the
// instance after it has run on, or into a fresh one after deinit and init; a
// damaged or short state is refused and changes nothing.
TEST(LibretroCore, StatesComeBackExactly) {
  const std::string script =
      std::string(VELKARI_SOURCE_DIR) + "/tests/game/replays/destroy_three.replay";
  const std::vector<uint32_t> pad = PadScript(script);
  constexpr size_t K = 120, END = 300;
  Frontend fe;
  ASSERT_TRUE(fe.Loaded() && fe.Open());
  fe.RunScript(pad, 0, K);
  const std::vector<uint8_t> state = Serialize(fe);
  ASSERT_FALSE(state.empty());
  const std::vector<Shown> after = fe.RunScript(pad, K, END);

  const std::string snap = Scratch("k.snapshot");
  const std::string wav = Scratch("k.wav");
  const std::string cmd = std::string(VELKARI_TEST_RUN_PREFIX) + VELKARI_BIN_DIR +
                          "/velkari-replay --script " + script + " --frames " + std::to_string(K) +
                          " --audio " + wav + " --save-snapshot " + std::to_string(K) + ":" + snap;
  ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;
  EXPECT_TRUE(ReadFile(snap) == state) << "the state differs from velkari-replay's snapshot";
  std::remove(snap.c_str());
  std::remove(wav.c_str());

  ASSERT_TRUE(fe.retro_unserialize(state.data(), state.size()));
  ExpectSameRun(after, fe.RunScript(pad, K, END));

  fe.Close();
  ASSERT_TRUE(fe.Open());
  fe.RunScript(pad, 0, 7);
  ASSERT_TRUE(fe.retro_unserialize(state.data(), state.size()));
  ExpectSameRun(after, fe.RunScript(pad, K, END));

  const std::vector<uint8_t> before = Serialize(fe);
  std::vector<uint8_t> damaged = state;
  damaged[damaged.size() / 2] ^= 0x40;
  EXPECT_FALSE(fe.retro_unserialize(damaged.data(), damaged.size()));
  EXPECT_FALSE(fe.retro_unserialize(state.data(), state.size() - 1));
  EXPECT_TRUE(Serialize(fe) == before) << "a refused state changed the game";
}

}  // namespace
