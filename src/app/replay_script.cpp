#include "app/replay_script.h"

#include <sstream>

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

namespace {

bool ParseKeys(const std::string& s, std::vector<int>* out, std::string* bad) {
  out->clear();
  if (s == "-") return true;
  size_t start = 0;
  for (;;) {
    const size_t plus = s.find('+', start);
    const std::string name =
        s.substr(start, plus == std::string::npos ? std::string::npos : plus - start);
    bool found = false;
    for (const KeyName& k : KEY_NAMES) {
      if (name == k.name) {
        out->push_back(k.vkey);
        found = true;
      }
    }
    if (!found) {
      *bad = name;
      return false;
    }
    if (plus == std::string::npos) return true;
    start = plus + 1;
  }
}

// A recording's first line names the version that wrote it, "# velkari 1.0".
// A newer version may play the same keys by other rules, so its recordings are
// refused by name; a line that names no version is a comment like any other.
bool CheckHeader(const std::string& line, std::string* error) {
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
    *error = "line 1: recorded by velkari " + word +
             ", newer than this velkari " VELKARI_VERSION ": its keys may play by other rules";
    return false;
  }
  return true;
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

bool ParseScript(const std::string& text, std::vector<ScriptLine>* out, std::string* error) {
  out->clear();
  std::istringstream in(text);
  std::string line;
  int number = 0;
  uint64_t total = 0;
  while (std::getline(in, line)) {
    ++number;
    if (number == 1 && !CheckHeader(line, error)) return false;
    const size_t hash = line.find('#');
    if (hash != std::string::npos) line.resize(hash);
    std::istringstream words(line);
    std::string countWord, keysWord, extra;
    if (!(words >> countWord)) continue;  // blank or comment only
    const std::string where = "line " + std::to_string(number) + ": ";
    if (!(words >> keysWord)) {
      *error = where + "expected COUNT KEYS, found only '" + countWord + "'";
      return false;
    }
    if (words >> extra) {
      *error = where + "unexpected '" + extra + "' after the keys";
      return false;
    }
    int64_t count = 0;
    if (!ParseNumber(countWord, 1, static_cast<int64_t>(MAX_FRAMES), &count)) {
      *error = where + "COUNT '" + countWord + "' is not a whole number from 1 to " +
               std::to_string(MAX_FRAMES);
      return false;
    }
    ScriptLine sl;
    sl.count = static_cast<uint64_t>(count);
    std::string bad;
    if (!ParseKeys(keysWord, &sl.vkeys, &bad)) {
      *error = where + "unknown key '" + bad +
               "' (keys: - or Z X SPACE ENTER ESC UP DOWN LEFT RIGHT NUM2 NUM4 NUM6 NUM8 "
               "joined by +)";
      return false;
    }
    total += sl.count;
    if (total > MAX_FRAMES) {
      *error = where + "the script runs past " + std::to_string(MAX_FRAMES) + " frames";
      return false;
    }
    out->push_back(std::move(sl));
  }
  return true;
}

}  // namespace replay
