// Recording and playback of the keys each game frame read: velkari --record
// writes them as a key script while the game plays, velkari --play (and the
// page's ?replay=) feeds a script back to the polls. The shell drives both,
// once per frame the game runs; nothing here allocates per frame.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/replay_script.h"

class InputState;

namespace replay {

// The script keys that give exactly the input state of `input`'s last poll,
// as bits: bit i is KEY_NAMES[i]. The keyboard's keys as they were read (a key
// held back after the About box reads as up); the joystick's stick and d-pad
// as the arrows, its buttons 3, 4 and 9 as Z, X and ESC.
uint32_t KeysRead(const InputState& input);

// Where a recording goes. The game's backend makes the file (a new one, in one
// step that never follows a name planted in its place) once every start-up
// check has passed, and hands it over; the tests use one in memory.
class RecordingFile {
 public:
  virtual ~RecordingFile() = default;
  // Appends `size` bytes, all or none: after a failure the file holds what it
  // held before the call, and *error says why.
  virtual bool Append(const char* data, size_t size, std::string* error) = 0;
  // Closes the file; false with the reason when the system reports a fault.
  virtual bool Close(std::string* error) = 0;
};

// Writes one script line per run of frames with the same keys, as it goes:
// the lines go to the file every FLUSH_FRAMES frames, so a killed game loses
// less than a second of them. The file holds whole lines only: a write that
// fails (a full disk) is reported once, on the program's reports, and the
// recording stops there while the game goes on.
class KeyRecorder {
 public:
  static constexpr uint32_t FLUSH_FRAMES = 60;

  ~KeyRecorder() { Close(); }
  // Takes `file`, named `name` (UTF-8) in the reports, and writes
  // `firstLine` as a comment. False with the reason in `error` when that
  // first write fails.
  bool Open(std::unique_ptr<RecordingFile> file, const std::string& name,
            const std::string& firstLine, std::string* error);
  bool IsOpen() const { return file_ != nullptr; }
  // Whether a write or the close failed: the file ends before the run did.
  bool Failed() const { return failed_; }
  // After each frame the game ran: the keys (KeysRead) that frame read.
  void Frame(uint32_t keys);
  // Writes the run in progress and closes the file.
  void Close();

 private:
  void WriteRun();
  void Flush();
  void Fail(const std::string& what, const std::string& reason);
  std::unique_ptr<RecordingFile> file_;
  std::string name_;
  std::string pending_;  // whole lines not yet written
  bool failed_ = false;
  uint32_t keys_ = 0;
  uint64_t count_ = 0;
  uint32_t sinceFlush_ = 0;
};

// A script checked whole and then handed out one frame's keys at a time; only
// its text is kept, and each line is read again as its turn comes.
class KeyPlayback {
 public:
  // Reads and checks `path` (UTF-8): a regular file of at most
  // MAX_SCRIPT_BYTES; `error` names the line and the reason of a script that
  // is not valid, or says why the file cannot be read.
  bool Load(const std::string& path, std::string* error);
  // The same from text already in memory.
  bool LoadText(std::string text, std::string* error);
  // Before each frame the game runs: that frame's keys as 256 virtual-key
  // states (0x80 held), or null once the script has ended.
  const uint8_t* NextFrame();
  // The same step as the script's line that holds this frame's keys, in the
  // order the line names them; null once the script has ended.
  const ScriptLine* NextLine();
  // The frames the whole script runs.
  uint64_t Frames() const { return frames_; }

 private:
  std::string text_;
  ScriptReader reader_{std::string_view()};
  ScriptLine line_;
  uint64_t left_ = 0;
  uint64_t frames_ = 0;
  uint8_t keys_[256] = {};
};

}  // namespace replay
