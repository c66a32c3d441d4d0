#include "song.h"

#include "diag/quote.h"

namespace {

bool IsBlank(char b) {
  return b == ' ' || b == '\t';
}

}  // namespace

bool ReadSong(std::string_view file, Song* song, SongError* error) {
  *song = Song{};
  int lineNumber = 0;
  size_t start = 0;
  while (start < file.size()) {
    size_t end = file.find('\n', start);
    if (end == std::string_view::npos) end = file.size();
    std::string_view line = file.substr(start, end - start);
    start = end + 1;
    ++lineNumber;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);

    if (line.find('\0') != std::string_view::npos) {
      *error = {lineNumber, "holds a zero byte, which would end the text there"};
      return false;
    }
    // Everything before the comment, without the blanks at its end.
    size_t used = line.find('#');
    if (used == std::string_view::npos) used = line.size();
    while (used > 0 && IsBlank(line[used - 1])) --used;
    size_t k = 0;
    while (k < used && IsBlank(line[k])) ++k;
    if (k == used) continue;

    const size_t digits = k;
    while (k < used && line[k] >= '0' && line[k] <= '9') ++k;
    if (k == digits) {
      *error = {lineNumber, "no channel: a song line is 'CH: TEXT' with CH 0 to 7"};
      return false;
    }
    const std::string_view channel = line.substr(digits, k - digits);
    while (k < used && IsBlank(line[k])) ++k;
    if (k >= used || line[k] != ':') {
      *error = {lineNumber, "no ':' after channel " + QuoteForMessage(channel) +
                                ": a song line is 'CH: TEXT' with CH 0 to 7"};
      return false;
    }
    if (channel.size() > 1 || channel[0] > '7') {
      *error = {lineNumber, "channel " + QuoteForMessage(channel) + " is out of range (0 to 7)"};
      return false;
    }
    ++k;
    while (k < used && IsBlank(line[k])) ++k;

    SongPart& part = song->parts[channel[0] - '0'];
    part.present = true;
    for (size_t b = k; b < used; ++b) {
      part.text += line[b];
      part.places.push_back({lineNumber, static_cast<int>(b) + 1});
    }
    // The whole line as written from the text on, comment included.
    size_t shown = line.size();
    while (shown > k && IsBlank(line[shown - 1])) --shown;
    part.lines.emplace_back(line.substr(k, shown - k));
  }
  return true;
}
