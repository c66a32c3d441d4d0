// The key script: lines "COUNT KEYS" (KEYS is "-" or key names joined by
// "+"), "#" to the end of a line is a comment; one line holds its keys for
// COUNT frames. velkari-replay runs the game from one, velkari --record writes
// one and velkari --play shows one. A script may come from anyone: it is
// checked whole before the run, and reading it costs time in proportion to
// its bytes and memory for one line at a time, whatever a line holds.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace replay {

// The longest run a script may ask for: more would take minutes to replay.
constexpr uint64_t MAX_FRAMES = 2000000;
// The most bytes a script file may hold. A recording of the longest run,
// with the keys changing several times a second, takes a few megabytes.
constexpr uint64_t MAX_SCRIPT_BYTES = 16u << 20;

// The key names a script knows and the virtual keys they hold, in the order a
// recording writes them. ABOUT (Alt+/) is the last: it opens the About box.
struct KeyName {
  const char* name;
  int vkey;
};
constexpr int KEY_COUNT = 14;
extern const KeyName KEY_NAMES[KEY_COUNT];

// The keys of one line, each once, in the order the line first names them.
struct KeyList {
  uint8_t size = 0;
  uint8_t vkeys[KEY_COUNT] = {};
  const uint8_t* begin() const { return vkeys; }
  const uint8_t* end() const { return vkeys + size; }
  bool Holds(int vkey) const;
};

struct ScriptLine {
  uint64_t count = 0;
  KeyList vkeys;  // virtual-key codes held during those frames
};

// Reads a script one line at a time, in time linear in the text.
class ScriptReader {
 public:
  explicit ScriptReader(std::string_view text) : text_(text) {}
  // The next line with keys; false at the end of the text or at a line that
  // is not valid (then *error names the line and the reason, else it is
  // left empty).
  bool Next(ScriptLine* line, std::string* error);
  // The frames of the lines read so far.
  uint64_t Frames() const { return total_; }

 private:
  std::string_view text_;
  size_t pos_ = 0;
  int number_ = 0;
  uint64_t total_ = 0;
};

// Checks the whole of `text`: true with the frames it runs in *frames, or
// false with a message naming the line.
bool CheckScript(std::string_view text, uint64_t* frames, std::string* error);

// Parses `text` into its lines; on failure returns false with a message naming the line.
bool ParseScript(const std::string& text, std::vector<ScriptLine>* out, std::string* error);

// Parses a whole decimal number in [lo, hi]; no sign unless lo < 0, no spaces.
bool ParseNumber(const std::string& s, int64_t lo, int64_t hi, int64_t* out);

}  // namespace replay
