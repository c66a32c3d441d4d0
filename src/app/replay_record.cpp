#include "app/replay_record.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <system_error>

#include "gfx/utf8_path.h"
#include "input/input_state.h"
#include "platform/platform.h"

namespace replay {

namespace {

// What the pad's readings stand for on the keyboard: its stick and d-pad
// (direction bits) and its three buttons.
struct PadKey {
  bool button;  // a button bit rather than a direction bit
  uint32_t bit;
  int vkey;
};
constexpr PadKey PAD_KEYS[] = {
    {false, DIR_LEFT, platform::VKEY_LEFT},      {false, DIR_RIGHT, platform::VKEY_RIGHT},
    {false, DIR_UP, platform::VKEY_UP},          {false, DIR_DOWN, platform::VKEY_DOWN},
    {true, BUTTON_A, platform::VKEY_Z},          {true, BUTTON_X, platform::VKEY_X},
    {true, BUTTON_PAUSE, platform::VKEY_ESCAPE},
};
// ABOUT opens the About box in a replay; the frames a recording holds are
// the game's, never the box's.
constexpr int RECORDED_KEYS = KEY_COUNT - 1;

}  // namespace

uint32_t KeysRead(const InputState& input) {
  uint32_t bits = 0;
  for (int i = 0; i < RECORDED_KEYS; ++i)
    if (input.keys[KEY_NAMES[i].vkey & 0xFF] & 0x80) bits |= 1u << i;
  const uint32_t buttons = input.JoyButtons();
  for (const PadKey& p : PAD_KEYS) {
    if (!((p.button ? buttons : input.joyDirBits) & p.bit)) continue;
    for (int i = 0; i < RECORDED_KEYS; ++i)
      if (KEY_NAMES[i].vkey == p.vkey) bits |= 1u << i;
  }
  return bits;
}

bool KeyRecorder::Open(const std::string& path, const std::string& firstLine, std::string* error) {
  Close();
  std::error_code ec;
  const std::filesystem::path file = Utf8Path(path);
  if (path.empty() || std::filesystem::exists(std::filesystem::symlink_status(file, ec))) {
    *error = "'" + path + "' already exists: a recording never overwrites a file";
    return false;
  }
  out_.open(file, std::ios::binary | std::ios::out);
  if (out_.is_open()) out_ << "# " << firstLine << "\n" << std::flush;
  if (!out_.is_open() || !out_) {
    if (out_.is_open()) out_.close();
    *error = "cannot write '" + path + "'";
    return false;
  }
  keys_ = 0;
  count_ = 0;
  sinceFlush_ = 0;
  return true;
}

void KeyRecorder::WriteRun() {
  if (count_ == 0) return;
  char line[128];
  int n = std::snprintf(line, sizeof line, "%llu ", static_cast<unsigned long long>(count_));
  if (keys_ == 0) {
    line[n++] = '-';
  } else {
    bool first = true;
    for (int i = 0; i < KEY_COUNT; ++i) {
      if (!(keys_ & (1u << i))) continue;
      if (!first) line[n++] = '+';
      first = false;
      const size_t len = std::strlen(KEY_NAMES[i].name);
      std::memcpy(line + n, KEY_NAMES[i].name, len);
      n += static_cast<int>(len);
    }
  }
  line[n++] = '\n';
  out_.write(line, n);
  count_ = 0;
}

void KeyRecorder::Frame(uint32_t keys) {
  if (!out_.is_open()) return;
  if (keys != keys_) {
    WriteRun();
    keys_ = keys;
  }
  ++count_;
  if (++sinceFlush_ >= FLUSH_FRAMES) {
    // The run so far goes out now; the frames after it start a new line.
    WriteRun();
    out_.flush();
    sinceFlush_ = 0;
  }
}

void KeyRecorder::Close() {
  if (!out_.is_open()) return;
  WriteRun();
  out_.close();
}

bool KeyPlayback::Load(const std::string& path, std::string* error) {
  std::error_code ec;
  const std::filesystem::path file = Utf8Path(path);
  std::ifstream in(file, std::ios::binary);
  if (!in || std::filesystem::is_directory(file, ec)) {
    *error = "cannot read '" + path + "'";
    return false;
  }
  std::stringstream text;
  text << in.rdbuf();
  if (!LoadText(text.str(), error)) {
    *error = path + ": " + *error;
    return false;
  }
  return true;
}

bool KeyPlayback::LoadText(const std::string& text, std::string* error) {
  line_ = 0;
  left_ = 0;
  if (!ParseScript(text, &lines_, error)) {
    lines_.clear();
    return false;
  }
  if (!lines_.empty()) left_ = lines_[0].count;
  return true;
}

const ScriptLine* KeyPlayback::NextLine() {
  while (line_ < lines_.size() && left_ == 0) {
    if (++line_ < lines_.size()) left_ = lines_[line_].count;
  }
  if (line_ >= lines_.size()) return nullptr;
  --left_;
  return &lines_[line_];
}

const uint8_t* KeyPlayback::NextFrame() {
  const ScriptLine* line = NextLine();
  if (!line) return nullptr;
  if (left_ + 1 == line->count) {  // the line's first frame
    std::memset(keys_, 0, sizeof keys_);
    for (int vk : line->vkeys) keys_[vk & 0xFF] = 0x80;
  }
  return keys_;
}

uint64_t KeyPlayback::Frames() const {
  uint64_t total = 0;
  for (const ScriptLine& l : lines_) total += l.count;
  return total;
}

}  // namespace replay
