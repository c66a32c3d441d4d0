// The key script: lines "COUNT KEYS" (KEYS is "-" or key names joined by
// "+"), "#" to the end of a line is a comment; one line holds its keys for
// COUNT frames. velkari-replay runs the game from one, velkari --record writes
// one and velkari --play shows one; each is parsed whole before the run.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace replay {

struct ScriptLine {
  uint64_t count = 0;
  std::vector<int> vkeys;  // virtual-key codes held during those frames
};

// The longest run a script may ask for: more would take minutes to replay.
constexpr uint64_t MAX_FRAMES = 2000000;

// The key names a script knows and the virtual keys they hold, in the order a
// recording writes them. ABOUT (Alt+/) is the last: it opens the About box.
struct KeyName {
  const char* name;
  int vkey;
};
constexpr int KEY_COUNT = 14;
extern const KeyName KEY_NAMES[KEY_COUNT];

// Parses `text`; on failure returns false with a message naming the line.
bool ParseScript(const std::string& text, std::vector<ScriptLine>* out, std::string* error);

// Parses a whole decimal number in [lo, hi]; no sign unless lo < 0, no spaces.
bool ParseNumber(const std::string& s, int64_t lo, int64_t hi, int64_t* out);

}  // namespace replay
