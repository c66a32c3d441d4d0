// The whole running state: a fresh start in the same process (a reset, and a
// stop and a second start) gives exactly the first start's game, and a
// snapshot with any kind of damage is refused with its reason while the
// program stays exactly as it was.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <initializer_list>
#include <string>
#include <vector>

#include "app/about_box.h"
#include "app/shell.h"
#include "game/game_state.h"
#include "game/scene_state.h"
#include "gfx/image_store.h"
#include "headless/headless_wave_device.h"
#include "headless/headless_window.h"
#include "platform/platform.h"
#include "sound/event_code.h"
#include "sound/sound_engine.h"

namespace {

std::string ProgramDir() {
  std::error_code ec;
  const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::string() : exe.parent_path().string() + "/";
}

// A game driven as velkari-replay drives it: one frame a step of a virtual
// clock, one buffer finished per 34 ms of it.
struct GameRun {
  headless::HeadlessWindow window;
  headless::HeadlessWaveDevice device;
  uint64_t steps = 0;
  uint64_t buffers = 0;
  std::vector<std::string> trace;
  std::vector<std::vector<uint32_t>> frames;

  void Start() {
    StartProgramObjects(&device);
    ASSERT_TRUE(device.WaitUntilQueued(2, 5000));
    const std::string dir = ProgramDir();
    OnWindowCreate(&window, dir.c_str());
    Restart();
  }
  // The clock starts on the next idle call, and the buffers are counted anew.
  void Restart() {
    steps = buffers = 0;
    RunFrame(window);
  }
  void Stop() {
    OnWindowDestroy();
    StopProgramObjects();
  }
  void Step(std::initializer_list<int> keys = {}) {
    window.ReleaseAllKeys();
    for (int vk : keys) window.SetKey(vk, true);
    window.Advance(FRAME_MILLISECONDS);
    while (MillisecondsUntilFrame(window) == 0) {
      RunFrame(window);
      trace.push_back(
          "scene=" + std::to_string(Scene) + " stage=" + std::to_string(gGame.stage) +
          " score=" + std::to_string(gGame.score) + " hiscore=" + std::to_string(gGame.hiScore) +
          " player=" + std::to_string(gPlayer.playerX) + "," + std::to_string(gPlayer.playerY));
    }
    ++steps;
    while (buffers < steps * FRAME_MILLISECONDS / 34) {
      ASSERT_TRUE(device.Step());
      ++buffers;
    }
    frames.push_back(window.LastFrame());
  }
  // A game: the title, Z, then walking right into stage 1's first block
  // (the music on channel 0, a push), 136 steps (a whole number of buffers).
  void PlayStageOne() {
    for (int k = 0; k < 3; ++k) Step();
    Step({platform::VKEY_Z});
    for (int k = 0; k < 132; ++k) Step({platform::VKEY_RIGHT});
  }
};

TEST(RunningState, AResetAndASecondStartAreTheFirstStartExactly) {
  GameRun first;
  first.Start();
  first.PlayStageOne();
  const std::vector<std::string> firstTrace = first.trace;
  const std::vector<std::vector<uint32_t>> firstFrames = first.frames;
  const std::vector<uint8_t> firstAudio = first.device.Played();
  ASSERT_EQ(first.steps % 17, 0u) << "a reset between buffers would shift their schedule";

  // A high score the reset must forget, the About box open and a cue
  // sounding: a reset mid-game, then the same game again.
  gGame.hiScore = 4321;
  OpenAboutBox();
  ASSERT_TRUE(AboutBoxOpen());
  ResetProgram();
  EXPECT_FALSE(AboutBoxOpen());
  first.trace.clear();
  first.frames.clear();
  const size_t played = first.device.PlayedBuffers();
  first.Restart();
  first.PlayStageOne();
  EXPECT_EQ(first.trace, firstTrace);
  EXPECT_TRUE(first.frames == firstFrames) << "the frames after the reset differ";
  const std::vector<uint8_t> afterReset = first.device.Played();
  ASSERT_EQ(afterReset.size(), played * WAVE_BUFFER_SIZE + firstAudio.size());
  // The audio after the reset, the silence a start opens with and all, is
  // the first start's.
  EXPECT_TRUE(
      std::equal(firstAudio.begin(), firstAudio.end(),
                 afterReset.begin() + static_cast<std::ptrdiff_t>(played) * WAVE_BUFFER_SIZE));
  first.Stop();

  // Stopped and started again in the same process: the pictures are loaded
  // again, the boot frame presented, the high score 0.
  gGame.hiScore = 4321;
  GameRun second;
  second.Start();
  second.PlayStageOne();
  EXPECT_TRUE(gImageStore.SlotLoaded(1));
  EXPECT_EQ(second.trace, firstTrace);
  EXPECT_TRUE(second.frames == firstFrames) << "the frames of the second start differ";
  EXPECT_EQ(second.device.Played(), firstAudio);
  second.Stop();
}

// Where each record starts: the four-letter tag in front of it.
size_t RecordAt(const std::vector<uint8_t>& bytes, const char* tag) {
  for (size_t i = 40; i + 4 <= bytes.size(); ++i) {
    if (std::memcmp(bytes.data() + i, tag, 4) == 0) return i;
  }
  return 0;
}

void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
  for (int k = 0; k < 4; ++k) b[at + k] = static_cast<uint8_t>(v >> (8 * k));
}

void PutDouble(std::vector<uint8_t>& b, size_t at, double v) {
  uint64_t bits;
  std::memcpy(&bits, &v, sizeof bits);
  for (int k = 0; k < 8; ++k) b[at + k] = static_cast<uint8_t>(bits >> (8 * k));
}

// Offsets within the records (HACKING.md lists the fields in order).
constexpr size_t SHEL_CLOCK_STARTED = 12;
constexpr size_t SHEL_CLOCK_BEHIND = 13;
constexpr size_t GAME_PLAYER_X = 36;
constexpr size_t GAME_SLIDE_STEP = 60;
constexpr size_t GAME_FIRST_CELL = 74;
constexpr size_t GAME_SCENE = 974;
constexpr size_t GAME_SCENE_ENTERED = 978;
constexpr size_t INPT_BUTTONS = 4 + 8 + 256 + 4 + 52 + 4;
constexpr size_t SOND_ATTACK_RATE = 4 + 6;
constexpr size_t SOND_PLAYING = 4 + 41;
constexpr size_t SOND_WAIT_SAMPLES = 4 + 46;
constexpr size_t SOND_READ_POS = 4 + 66;
constexpr size_t SOND_LOOP_END_3 = 4 + 74 + 3 * 13 + 4;
constexpr size_t SOND_LOOP_DEPTH = 4 + 152;
constexpr size_t SOND_PHASE = 4 + 165;
constexpr size_t SOND_TEXT_LENGTH = 4 + 268 + 2048;
constexpr size_t SOND_NOISE_REGISTER = 4 + 8 * (268 + 2048 + 4 + 1024);
constexpr size_t STRM_HELD_FRAMES = 4 + 2 * WAVE_BUFFER_SIZE;

struct Damage {
  const char* what;
  const char* tag;  // the record the offset is in; null: from the start
  size_t at;
  // Writes the damage; sealed: the checksum is made anew, so that the field
  // checks behind it are reached.
  void (*write)(std::vector<uint8_t>&, size_t);
  bool sealed;
  const char* reason;  // a part of the reason given
};

const Damage DAMAGES[] = {
    {"truncated", nullptr, 0, [](std::vector<uint8_t>& b, size_t) { b.pop_back(); }, false,
     "bytes"},
    {"one byte too long", nullptr, 0, [](std::vector<uint8_t>& b, size_t) { b.push_back(0); },
     false, "bytes"},
    {"header only", nullptr, 0, [](std::vector<uint8_t>& b, size_t) { b.resize(12); }, false,
     "too short"},
    {"another magic", nullptr, 0, [](std::vector<uint8_t>& b, size_t) { b[0] = 'W'; }, true,
     "not a velkari snapshot"},
    {"another format", nullptr, 8, [](std::vector<uint8_t>& b, size_t at) { Put32(b, at, 2); },
     true, "format 2, not this build's 1"},
    {"another game version", nullptr, 16,
     [](std::vector<uint8_t>& b, size_t at) { std::memcpy(&b[at], "9.9\0", 4); }, true,
     "saved by velkari 9.9"},
    {"wrong checksum", "GAME", 8, [](std::vector<uint8_t>& b, size_t at) { b[at] ^= 1; }, false,
     "checksum"},
    {"a record out of place", "INPT", 0, [](std::vector<uint8_t>& b, size_t at) { b[at] = 'X'; },
     true, "INPT record"},
    {"event code position past the buffer", "SOND", SOND_READ_POS,
     [](std::vector<uint8_t>& b, size_t at) { Put32(b, at, EVENT_CODE_SIZE); }, true,
     "channel 0: event-code position 2048"},
    {"odd event code position", "SOND", SOND_READ_POS,
     [](std::vector<uint8_t>& b, size_t at) { Put32(b, at, 5); }, true, "position 5 is odd"},
    {"negative loop end", "SOND", SOND_LOOP_END_3,
     [](std::vector<uint8_t>& b, size_t at) { Put32(b, at, 0xFFFFFFFEu); }, true, "position -2"},
    {"loop depth past 5", "SOND", SOND_LOOP_DEPTH,
     [](std::vector<uint8_t>& b, size_t at) { Put32(b, at, 6); }, true, "loop depth 6 is past 5"},
    {"no scene", "GAME", GAME_SCENE, [](std::vector<uint8_t>& b, size_t at) { Put32(b, at, 7); },
     true, "scene 7 is no scene"},
    {"cell code 6", "GAME", GAME_FIRST_CELL + 4 * 17,
     [](std::vector<uint8_t>& b, size_t at) { Put32(b, at, 6); }, true, "cell (1,2) holds code 6"},
    {"negative cell code", "GAME", GAME_FIRST_CELL,
     [](std::vector<uint8_t>& b, size_t at) { Put32(b, at, 0xFFFFFFFFu); }, true, "code -1"},
    {"player outside the board", "GAME", GAME_PLAYER_X,
     [](std::vector<uint8_t>& b, size_t at) { Put32(b, at, 15); }, true, "outside the board"},
    {"slide past its end", "GAME", GAME_SLIDE_STEP,
     [](std::vector<uint8_t>& b, size_t at) { Put32(b, at, 16); }, true, "step 16"},
    {"text past its buffer", "SOND", SOND_TEXT_LENGTH,
     [](std::vector<uint8_t>& b, size_t at) { Put32(b, at, 5000); }, true,
     "5000 bytes is longer than its buffer"},
    {"text without its held flag", "SOND", SOND_TEXT_LENGTH,
     [](std::vector<uint8_t>& b, size_t at) { Put32(b, at, 0); }, true,
     "does not match its held flag"},
    {"NaN", "SOND", SOND_ATTACK_RATE,
     [](std::vector<uint8_t>& b, size_t at) { PutDouble(b, at, std::nan("")); }, true,
     "attackRate is not a finite number"},
    {"infinity", "SOND", SOND_WAIT_SAMPLES,
     [](std::vector<uint8_t>& b, size_t at) { PutDouble(b, at, INFINITY); }, true,
     "waitSamples is not a finite number"},
    {"phase past its cycle", "SOND", SOND_PHASE,
     [](std::vector<uint8_t>& b, size_t at) { PutDouble(b, at, 1e300); }, true,
     "outside one cycle"},
    {"flag 2 in the shell", "SHEL", SHEL_CLOCK_STARTED,
     [](std::vector<uint8_t>& b, size_t at) { b[at] = 2; }, true, "flag clockStarted is 2"},
    {"flag 2 in the game", "GAME", GAME_SCENE_ENTERED,
     [](std::vector<uint8_t>& b, size_t at) { b[at] = 2; }, true, "flag sceneEntered is 2"},
    {"flag 255 in a channel", "SOND", SOND_PLAYING,
     [](std::vector<uint8_t>& b, size_t at) { b[at] = 255; }, true,
     "channel 0: flag playing is 255"},
    {"a clock more than a minute behind", "SHEL", SHEL_CLOCK_BEHIND,
     [](std::vector<uint8_t>& b, size_t at) { Put32(b, at, 60001); }, true, "60001 ms behind"},
    {"a button no key makes", "INPT", INPT_BUTTONS,
     [](std::vector<uint8_t>& b, size_t at) { Put32(b, at, 16); }, true, "buttons 0x10"},
    {"noise register past 15 bits", "SOND", SOND_NOISE_REGISTER,
     [](std::vector<uint8_t>& b, size_t at) { b[at + 1] = 0x80; }, true, "noise register"},
    {"more held frames than a device may hold", "STRM", STRM_HELD_FRAMES,
     [](std::vector<uint8_t>& b, size_t at) { Put32(b, at, 40000); }, true, "40000 frames"},
    {"a pixel that is no colour", "PICT", 4 + 4 * 641,
     [](std::vector<uint8_t>& b, size_t at) { b[at + 3] = 0x01; }, true, "pixel (1,1)"},
};

TEST(RunningState, DamagedSnapshotsAreRefusedWithTheirReasonAndChangeNothing) {
  GameRun run;
  run.Start();
  run.PlayStageOne();
  std::vector<uint8_t> good(SNAPSHOT_SIZE);
  ASSERT_TRUE(SaveSnapshot(good.data(), good.size()));
  EXPECT_LE(good.size(), 1500000u);
  EXPECT_FALSE(SaveSnapshot(good.data(), good.size() - 1)) << "a buffer too small";
  std::string reason;
  ASSERT_TRUE(LoadSnapshot(good.data(), good.size(), &reason)) << reason;

  std::vector<uint8_t> after(SNAPSHOT_SIZE);
  for (const Damage& d : DAMAGES) {
    SCOPED_TRACE(d.what);
    std::vector<uint8_t> bad = good;
    const size_t base = d.tag ? RecordAt(bad, d.tag) : 0;
    ASSERT_TRUE(!d.tag || base > 0);
    d.write(bad, base + d.at);
    if (d.sealed) SealSnapshot(bad.data(), bad.size());
    reason.clear();
    EXPECT_FALSE(LoadSnapshot(bad.data(), bad.size(), &reason));
    EXPECT_NE(reason.find(d.reason), std::string::npos) << reason;
    EXPECT_EQ(reason.find('\n'), std::string::npos);
    ASSERT_TRUE(SaveSnapshot(after.data(), after.size()));
    EXPECT_TRUE(after == good) << "a refused snapshot changed the running state";
  }
  run.Stop();
}

}  // namespace
