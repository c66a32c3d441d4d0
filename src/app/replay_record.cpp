#include "app/replay_record.h"

#include <cstdio>
#include <cstring>

#include "diag/diag.h"
#include "diag/quote.h"
#include "gfx/input_file.h"
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

bool KeyRecorder::Open(std::unique_ptr<RecordingFile> file, const std::string& name,
                       const std::string& firstLine, std::string* error) {
  Close();
  failed_ = false;
  keys_ = 0;
  count_ = 0;
  sinceFlush_ = 0;
  const std::string head = "# " + firstLine + "\n";
  std::string reason;
  if (!file || !file->Append(head.data(), head.size(), &reason)) {
    if (file) file->Close(&reason);
    *error = "cannot write '" + QuotePath(name) + "': " + reason;
    return false;
  }
  file_ = std::move(file);
  name_ = name;
  // Room for every line between two flushes: a frame allocates nothing.
  pending_.clear();
  pending_.reserve(FLUSH_FRAMES * 96);
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
  pending_.append(line, static_cast<size_t>(n));
  count_ = 0;
}

void KeyRecorder::Fail(const std::string& what, const std::string& reason) {
  failed_ = true;
  const std::string message = "velkari: --record: " + what + " '" + QuotePath(name_) +
                              "': " + reason + "; the recording stops here, its lines so far kept";
  Diagnostic(message.c_str());
}

void KeyRecorder::Flush() {
  if (pending_.empty()) return;
  std::string reason;
  if (!file_->Append(pending_.data(), pending_.size(), &reason)) {
    Fail("cannot write", reason);
    std::string ignored;
    file_->Close(&ignored);
    file_.reset();
  }
  pending_.clear();
}

void KeyRecorder::Frame(uint32_t keys) {
  if (!file_) return;
  if (keys != keys_) {
    WriteRun();
    keys_ = keys;
  }
  ++count_;
  if (++sinceFlush_ >= FLUSH_FRAMES) {
    // The run so far goes out now; the frames after it start a new line.
    WriteRun();
    Flush();
    sinceFlush_ = 0;
  }
}

void KeyRecorder::Close() {
  if (!file_) return;
  WriteRun();
  Flush();
  if (!file_) return;
  std::string reason;
  if (!file_->Close(&reason)) Fail("cannot close", reason);
  file_.reset();
}

bool KeyPlayback::Load(const std::string& path, std::string* error) {
  std::string text;
  const InputFault fault = ReadInputFile(path, MAX_SCRIPT_BYTES, &text);
  if (fault != InputFault::NONE) {
    *error =
        "cannot read '" + QuotePath(path) + "': " + DescribeInputFault(fault, MAX_SCRIPT_BYTES);
    return false;
  }
  if (!LoadText(std::move(text), error)) {
    *error = QuotePath(path) + ": " + *error;
    return false;
  }
  return true;
}

bool KeyPlayback::LoadText(std::string text, std::string* error) {
  text_ = std::move(text);
  left_ = 0;
  frames_ = 0;
  const bool ok = CheckScript(text_, &frames_, error);
  if (!ok) {
    text_.clear();
    text_.shrink_to_fit();
    frames_ = 0;
  }
  reader_ = ScriptReader(text_);
  return ok;
}

const ScriptLine* KeyPlayback::NextLine() {
  std::string error;
  while (left_ == 0) {
    if (!reader_.Next(&line_, &error)) {
      return nullptr;
    }
    left_ = line_.count;
  }
  --left_;
  return &line_;
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

}  // namespace replay
