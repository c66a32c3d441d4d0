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

constexpr int KEY_Z = 0;
constexpr int KEY_X = 1;
constexpr int KEY_ESC = 4;
constexpr int KEY_UP = 5;
constexpr int KEY_DOWN = 6;
constexpr int KEY_LEFT = 7;
constexpr int KEY_RIGHT = 8;
// ABOUT opens the About box in a replay; the frames a recording holds are
// the game's, never the box's.
constexpr int RECORDED_KEYS = kKeyCount - 1;

}  // namespace

uint32_t KeysRead(const InputState& input) {
  uint32_t bits = 0;
  for (int i = 0; i < RECORDED_KEYS; ++i)
    if (input.keys[kKeys[i].vkey & 0xFF] & 0x80) bits |= 1u << i;
  if (input.joyDirBits & DIR_LEFT) bits |= 1u << KEY_LEFT;
  if (input.joyDirBits & DIR_RIGHT) bits |= 1u << KEY_RIGHT;
  if (input.joyDirBits & DIR_UP) bits |= 1u << KEY_UP;
  if (input.joyDirBits & DIR_DOWN) bits |= 1u << KEY_DOWN;
  const uint32_t pad = input.JoyButtons();
  if (pad & BUTTON_A) bits |= 1u << KEY_Z;
  if (pad & BUTTON_X) bits |= 1u << KEY_X;
  if (pad & BUTTON_PAUSE) bits |= 1u << KEY_ESC;
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
    for (int i = 0; i < kKeyCount; ++i) {
      if (!(keys_ & (1u << i))) continue;
      if (!first) line[n++] = '+';
      first = false;
      const size_t len = std::strlen(kKeys[i].name);
      std::memcpy(line + n, kKeys[i].name, len);
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

const uint8_t* KeyPlayback::NextFrame() {
  while (line_ < lines_.size() && left_ == 0) {
    if (++line_ < lines_.size()) left_ = lines_[line_].count;
  }
  if (line_ >= lines_.size()) return nullptr;
  if (left_ == lines_[line_].count) {
    std::memset(keys_, 0, sizeof keys_);
    for (int vk : lines_[line_].vkeys) keys_[vk & 0xFF] = 0x80;
  }
  --left_;
  return keys_;
}

}  // namespace replay
