// Recording and playback of the keys each game frame read: velkari --record
// writes them as a key script while the game plays, velkari --play (and the
// page's ?replay=) feeds a script back to the polls. The shell drives both,
// once per frame the game runs; nothing here allocates per frame.
#pragma once

#include <cstdint>
#include <fstream>
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

// Writes one script line per run of frames with the same keys, as it goes:
// the file is flushed every FLUSH_FRAMES frames, so a killed game loses less
// than a second of them.
class KeyRecorder {
 public:
  static constexpr uint32_t FLUSH_FRAMES = 60;

  ~KeyRecorder() { Close(); }
  // Creates `path` (UTF-8) and writes `firstLine` as a comment. Refuses a
  // path that already names something, or a file that cannot be written;
  // `error` then says why.
  bool Open(const std::string& path, const std::string& firstLine, std::string* error);
  bool IsOpen() const { return out_.is_open(); }
  // After each frame the game ran: the keys (KeysRead) that frame read.
  void Frame(uint32_t keys);
  // Writes the run in progress and closes the file.
  void Close();

 private:
  void WriteRun();
  std::ofstream out_;
  uint32_t keys_ = 0;
  uint64_t count_ = 0;
  uint32_t sinceFlush_ = 0;
};

// A script read whole, handed out one frame's keys at a time.
class KeyPlayback {
 public:
  // Reads and parses `path` (UTF-8); `error` names the line and the reason of
  // a script that is not valid, or says that the file cannot be read.
  bool Load(const std::string& path, std::string* error);
  // The same from text already in memory.
  bool LoadText(const std::string& text, std::string* error);
  // Before each frame the game runs: that frame's keys as 256 virtual-key
  // states (0x80 held), or null once the script has ended.
  const uint8_t* NextFrame();
  // The same step as the script's line that holds this frame's keys, in the
  // order the line names them; null once the script has ended.
  const ScriptLine* NextLine();
  // The frames the whole script runs.
  uint64_t Frames() const;

 private:
  std::vector<ScriptLine> lines_;
  size_t line_ = 0;
  uint64_t left_ = 0;
  uint8_t keys_[256] = {};
};

}  // namespace replay
