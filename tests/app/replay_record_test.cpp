// Recording the keys: each frame's reading, from the keyboard or a pad, is
// written as the script keys that give the same input state, and a playback
// of the file feeds the polls exactly that state again.
#include <gtest/gtest.h>
#ifndef _WIN32
#include <unistd.h>
#endif

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "app/replay_record.h"
#include "common/new_file.h"
#include "diag/diag.h"
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
  ASSERT_TRUE(recorder.Open(common::MakeRecordingFile(file.string(), &error), file.string(),
                            "velkari test", &error))
      << error;
  std::vector<InputState> read;
  for (const Frame& f : frames) {
    window.ReleaseAllKeys();
    for (int k : f.keys) window.SetKey(k, true);
    window.SetJoystick(f.joyResult, f.pad);
    live.Poll(REMAP_EIGHT_WAY);
    read.push_back(live);
    recorder.Frame(replay::KeysRead(live));
  }
  EXPECT_EQ(common::MakeRecordingFile(file.string(), &error), nullptr)
      << "an existing file is refused";
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

// A file that takes `room` bytes and then refuses every write, as a full
// disk does; what it holds is what reached the disk.
class FullDisk final : public replay::RecordingFile {
 public:
  FullDisk(size_t room, std::string* held, int* appends)
      : room_(room), held_(held), appends_(appends) {}
  bool Append(const char* data, size_t size, std::string* error) override {
    ++*appends_;
    if (held_->size() + size > room_) {
      *error = "No space left on device";
      return false;
    }
    held_->append(data, size);
    return true;
  }
  bool Close(std::string*) override { return true; }

 private:
  size_t room_;
  std::string* held_;
  int* appends_;
};

std::vector<std::string> reports;
void KeepReport(const char* line) {
  reports.emplace_back(line);
}

TEST(ReplayRecord, AFailedWriteIsReportedOnceAndTheFileKeepsItsWholeLines) {
  std::string held;
  int appends = 0;
  auto disk = std::make_unique<FullDisk>(40, &held, &appends);
  replay::KeyRecorder recorder;
  std::string error;
  ASSERT_TRUE(recorder.Open(std::move(disk), "run\x1b.replay", "velkari test", &error)) << error;
  reports.clear();
  SetDiagnosticSink(KeepReport);
  // Keys that change every frame: a line each; each flush of 60 frames is
  // some hundred bytes, more than the disk has left.
  for (uint32_t f = 0; f < 5 * replay::KeyRecorder::FLUSH_FRAMES; ++f)
    recorder.Frame(1u << (f % 3));
  recorder.Close();
  SetDiagnosticSink(nullptr);
  EXPECT_TRUE(recorder.Failed());
  EXPECT_EQ(held, "# velkari test\n") << "nothing but whole lines, and no line of a failed write";
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(reports[0],
            "velkari: --record: cannot write 'run\\x1B.replay': No space left on device; the "
            "recording stops here, its lines so far kept");
  EXPECT_EQ(appends, 2) << "the header, then the one failed flush; none after it";
}

#ifndef _WIN32
TEST(ReplayRecord, TheRecordingFileIsNeverMadeThroughAPlantedLink) {
  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("velkari_record_link_" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  const std::filesystem::path victim = dir / "victim", link = dir / "run.replay";
  std::ofstream(victim) << "keep\n";
  std::filesystem::create_symlink(victim, link);
  std::string error;
  EXPECT_EQ(common::MakeRecordingFile(link.string(), &error), nullptr);
  EXPECT_EQ(error, "File exists");
  std::filesystem::remove(link);
  std::filesystem::create_symlink(dir / "missing", link);  // dangling: would create "missing"
  EXPECT_EQ(common::MakeRecordingFile(link.string(), &error), nullptr);
  EXPECT_FALSE(std::filesystem::exists(dir / "missing"));
  std::ifstream in(victim);
  std::string kept;
  std::getline(in, kept);
  EXPECT_EQ(kept, "keep");
  std::filesystem::remove_all(dir);
}
#endif

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
  EXPECT_EQ(std::vector<int>(lines[0].vkeys.begin(), lines[0].vkeys.end()), want);
}

}  // namespace
