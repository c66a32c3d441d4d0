// Recording the keys: each frame's reading, from the keyboard or a pad, is
// written as the script keys that give the same input state, and a playback
// of the file feeds the polls exactly that state again.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "app/replay_record.h"
#include "headless/headless_window.h"
#include "input/input_state.h"

namespace {

struct Frame {
  uint32_t joyResult;
  platform::JoystickReading pad;
  std::vector<int> keys;
};

TEST(ReplayRecord, APadsReadingIsWrittenAsTheKeysItStandsForAndPlaysBackTheSame) {
  constexpr uint32_t OK = platform::JOYSTICK_OK, OFF = platform::JOYSTICK_UNPLUGGED;
  const Frame frames[] = {
      {OK, {0, 32768, 4}, {}},                              // stick left, button 3
      {OK, {65535, 65535, 8}, {}},                          // d-pad down-right, button 4
      {OK, {32768, 32768, 256}, {platform::VKEY_NUMPAD8}},  // Start, and keypad 8 on the keyboard
      {OFF,
       {0, 0, 0},
       {platform::VKEY_SPACE, platform::VKEY_RETURN,
        platform::VKEY_LEFT}},  // unplugged: its buttons stay as last read
      {OK, {32768, 32768, 0}, {}},
      {OK, {32768, 32768, 0}, {}},
  };
  const std::filesystem::path file =
      std::filesystem::temp_directory_path() /
      ("velkari_record_test_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
  std::filesystem::remove(file);

  headless::HeadlessWindow window;
  InputState live;
  live.Attach(&window);
  replay::KeyRecorder recorder;
  std::string error;
  ASSERT_TRUE(recorder.Open(file.string(), "velkari test", &error)) << error;
  std::vector<InputState> read;
  for (const Frame& f : frames) {
    window.ReleaseAllKeys();
    for (int k : f.keys) window.SetKey(k, true);
    window.SetJoystick(f.joyResult, f.pad);
    live.Poll(REMAP_EIGHT_WAY);
    read.push_back(live);
    recorder.Frame(replay::KeysRead(live));
  }
  EXPECT_FALSE(recorder.Open(file.string(), "again", &error)) << "an existing file is refused";
  recorder.Close();

  std::ifstream in(file, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  EXPECT_EQ(text.str(),
            "# velkari test\n1 Z+LEFT\n1 X+DOWN+RIGHT\n1 ESC+NUM8\n1 SPACE+ENTER+ESC+LEFT\n2 -\n");

  replay::KeyPlayback playback;
  ASSERT_TRUE(playback.Load(file.string(), &error)) << error;
  InputState played;
  played.Attach(&window);  // its keys and pad are not read while the playback feeds
  window.SetKey(platform::VKEY_UP, true);
  window.SetJoystick(OK, {65535, 0, 1});
  for (size_t i = 0; i < std::size(frames); ++i) {
    const uint8_t* keys = playback.NextFrame();
    ASSERT_NE(keys, nullptr) << "frame " << i;
    played.Feed(keys);
    played.Poll(REMAP_EIGHT_WAY);
    EXPECT_EQ(played.dirBits, read[i].dirBits) << "frame " << i;
    EXPECT_EQ(played.dir, read[i].dir) << "frame " << i;
    EXPECT_EQ(played.buttons, read[i].buttons) << "frame " << i;
    EXPECT_EQ(played.prevButtons, read[i].prevButtons) << "frame " << i;
  }
  EXPECT_EQ(playback.NextFrame(), nullptr) << "the recording has ended";
  std::filesystem::remove(file);
}

// Each key name of a script holds the key it names; the order is the order a
// recording writes them in.
TEST(ReplayRecord, EachKeyNameHoldsItsKey) {
  const std::vector<int> want = {
      platform::VKEY_Z,       platform::VKEY_X,       platform::VKEY_SPACE,
      platform::VKEY_RETURN,  platform::VKEY_ESCAPE,  platform::VKEY_UP,
      platform::VKEY_DOWN,    platform::VKEY_LEFT,    platform::VKEY_RIGHT,
      platform::VKEY_NUMPAD2, platform::VKEY_NUMPAD4, platform::VKEY_NUMPAD6,
      platform::VKEY_NUMPAD8, platform::VKEY_SLASH};
  std::vector<replay::ScriptLine> lines;
  std::string error;
  ASSERT_TRUE(replay::ParseScript(
      "2 Z+X+SPACE+ENTER+ESC+UP+DOWN+LEFT+RIGHT+NUM2+NUM4+NUM6+NUM8+ABOUT\n", &lines, &error))
      << error;
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].count, 2u);
  EXPECT_EQ(lines[0].vkeys, want);
}

}  // namespace
