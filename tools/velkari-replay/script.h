// The replay script: lines "COUNT KEYS" (KEYS is "-" or key names joined by
// "+"), "#" to the end of a line is a comment. Parsed whole before the run.
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
constexpr uint64_t kMaxFrames = 2000000;

// Parses `text`; on failure returns false with a message naming the line.
bool ParseScript(const std::string& text, std::vector<ScriptLine>* out, std::string* error);

// Parses a whole decimal number in [lo, hi]; no sign unless lo < 0, no spaces.
bool ParseNumber(const std::string& s, int64_t lo, int64_t hi, int64_t* out);

}  // namespace replay
