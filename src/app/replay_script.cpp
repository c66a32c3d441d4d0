#include "app/replay_script.h"

#include "diag/quote.h"
#include "generated/velkari_version.h"
#include "platform/platform.h"

namespace replay {

const KeyName KEY_NAMES[KEY_COUNT] = {
    {"Z", platform::VKEY_Z},          {"X", platform::VKEY_X},
    {"SPACE", platform::VKEY_SPACE},  {"ENTER", platform::VKEY_RETURN},
    {"ESC", platform::VKEY_ESCAPE},   {"UP", platform::VKEY_UP},
    {"DOWN", platform::VKEY_DOWN},    {"LEFT", platform::VKEY_LEFT},
    {"RIGHT", platform::VKEY_RIGHT},  {"NUM2", platform::VKEY_NUMPAD2},
    {"NUM4", platform::VKEY_NUMPAD4}, {"NUM6", platform::VKEY_NUMPAD6},
    {"NUM8", platform::VKEY_NUMPAD8}, {"ABOUT", platform::VKEY_SLASH},  // Alt+/
};

bool KeyList::Holds(int vkey) const {
  for (uint8_t k : *this)
    if (k == vkey) return true;
  return false;
}

namespace {

// What separates the words of a line (as a stream reads words).
bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

// The key names joined by "+": each name is looked up once, a key named
// again counts once, so a line costs its length whatever it repeats.
bool ParseKeys(std::string_view s, KeyList* out, std::string_view* bad) {
  *out = KeyList();
  if (s == "-") return true;
  uint32_t seen = 0;
  size_t start = 0;
  for (;;) {
    size_t plus = s.find('+', start);
    if (plus == std::string_view::npos) plus = s.size();
    const std::string_view name = s.substr(start, plus - start);
    int found = -1;
    for (int i = 0; i < KEY_COUNT && found < 0; ++i)
      if (name == KEY_NAMES[i].name) found = i;
    if (found < 0) {
      *bad = name;
      return false;
    }
    if (!(seen & (1u << found))) {
      seen |= 1u << found;
      out->vkeys[out->size++] = static_cast<uint8_t>(KEY_NAMES[found].vkey);
    }
    if (plus == s.size()) return true;
    start = plus + 1;
  }
}

}  // namespace

bool ParseNumber(const std::string& s, int64_t lo, int64_t hi, int64_t* out) {
  if (s.empty() || s.size() > 19) return false;
  size_t i = 0;
  bool negative = false;
  if (s[0] == '-' && lo < 0) {
    negative = true;
    i = 1;
    if (s.size() == 1) return false;
  }
  int64_t v = 0;
  for (; i < s.size(); ++i) {
    if (s[i] < '0' || s[i] > '9') return false;
    v = v * 10 + (s[i] - '0');
    if (v > (int64_t{1} << 40)) return false;  // far beyond any bound asked for
  }
  if (negative) v = -v;
  if (v < lo || v > hi) return false;
  *out = v;
  return true;
}

// A recording's first line names the version that wrote it, "# velkari 1.0".
// A newer version may play the same keys by other rules, so its recordings are
// refused by name; a line that names no version is a comment like any other.
static bool CheckHeader(const std::string& line, std::string* error) {
  const std::string prefix = "# velkari ";
  if (line.compare(0, prefix.size(), prefix) != 0) return true;
  const size_t end = line.find_first_of(" \t\r", prefix.size());
  const std::string word =
      line.substr(prefix.size(), end == std::string::npos ? end : end - prefix.size());
  if (word.empty() || word[0] < '0' || word[0] > '9') return true;
  const size_t dot = word.find('.');
  const size_t dot2 = dot == std::string::npos ? dot : word.find('.', dot + 1);
  int64_t major = 0, minor = 0, patch = 0;
  if (dot == std::string::npos || !ParseNumber(word.substr(0, dot), 0, 9999, &major) ||
      !ParseNumber(word.substr(dot + 1, dot2 == std::string::npos ? dot2 : dot2 - dot - 1), 0, 9999,
                   &minor) ||
      (dot2 != std::string::npos && !ParseNumber(word.substr(dot2 + 1), 0, 9999, &patch))) {
    *error = "line 1: the header '# velkari' names no version MAJOR.MINOR";
    return false;
  }
  if (major > VELKARI_VERSION_MAJOR ||
      (major == VELKARI_VERSION_MAJOR && minor > VELKARI_VERSION_MINOR)) {
    *error = "line 1: recorded by velkari " + QuoteForMessage(word) +
             ", newer than this velkari " VELKARI_VERSION ": its keys may play by other rules";
    return false;
  }
  return true;
}

bool ScriptReader::Next(ScriptLine* out, std::string* error) {
  error->clear();
  while (pos_ < text_.size()) {
    size_t end = text_.find('\n', pos_);
    if (end == std::string_view::npos) end = text_.size();
    std::string_view line = text_.substr(pos_, end - pos_);
    pos_ = end + 1;
    ++number_;
    if (number_ == 1 && !CheckHeader(std::string(line), error)) return false;
    if (const size_t hash = line.find('#'); hash != std::string_view::npos)
      line = line.substr(0, hash);
    // The words of the line: COUNT, KEYS and whatever follows.
    std::string_view words[3];
    int count = 0;
    size_t k = 0;
    while (count < 3) {
      while (k < line.size() && IsBlank(line[k])) ++k;
      if (k == line.size()) break;
      const size_t start = k;
      while (k < line.size() && !IsBlank(line[k])) ++k;
      words[count++] = line.substr(start, k - start);
    }
    if (count == 0) continue;  // blank or comment only
    const std::string where = "line " + std::to_string(number_) + ": ";
    if (count == 1) {
      *error = where + "expected COUNT KEYS, found only '" + QuoteForMessage(words[0]) + "'";
      return false;
    }
    if (count == 3) {
      *error = where + "unexpected '" + QuoteForMessage(words[2]) + "' after the keys";
      return false;
    }
    int64_t frames = 0;
    if (words[0].size() > 19 ||
        !ParseNumber(std::string(words[0]), 1, static_cast<int64_t>(MAX_FRAMES), &frames)) {
      *error = where + "COUNT '" + QuoteForMessage(words[0]) +
               "' is not a whole number from 1 to " + std::to_string(MAX_FRAMES);
      return false;
    }
    out->count = static_cast<uint64_t>(frames);
    std::string_view bad;
    if (!ParseKeys(words[1], &out->vkeys, &bad)) {
      *error = where + "unknown key '" + QuoteForMessage(bad) +
               "' (keys: - or Z X SPACE ENTER ESC UP DOWN LEFT RIGHT NUM2 NUM4 NUM6 NUM8 "
               "ABOUT joined by +)";
      return false;
    }
    total_ += out->count;
    if (total_ > MAX_FRAMES) {
      *error = where + "the script runs past " + std::to_string(MAX_FRAMES) + " frames";
      return false;
    }
    return true;
  }
  return false;
}

bool CheckScript(std::string_view text, uint64_t* frames, std::string* error) {
  ScriptReader reader(text);
  ScriptLine line;
  while (reader.Next(&line, error)) {
  }
  if (!error->empty()) return false;
  *frames = reader.Frames();
  return true;
}

bool ParseScript(const std::string& text, std::vector<ScriptLine>* out, std::string* error) {
  out->clear();
  ScriptReader reader(text);
  ScriptLine line;
  while (reader.Next(&line, error)) out->push_back(line);
  if (!error->empty()) {
    out->clear();
    return false;
  }
  return true;
}

}  // namespace replay
