// Arbitrary bytes as a song file: read it, then lint every channel's text and
// compile it keeping each event's text position. Every byte of a text must
// know its place in the file, every place must lie inside the file, every
// finding and every kept position must point into its text, and nothing may
// read or write outside its buffers, hang, or trip the sanitizers.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "lint.h"
#include "song.h"
#include "sound/event_code.h"
#include "sound/mml_compiler.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // A longer file is refused before it is read.
  if (size > MAX_SONG_BYTES) return 0;
  const std::string_view file(reinterpret_cast<const char*>(data), size);
  Song song;
  SongError error;
  if (!ReadSong(file, &song, &error)) {
    if (error.line < 1 || error.message.empty() || error.message.size() > 400) std::abort();
    // The line's bytes reach the message only quoted.
    for (unsigned char c : error.message)
      if (c < 0x20 || c == 0x7F) std::abort();
    return 0;
  }
  int lines = 1;
  for (char b : file) lines += b == '\n';
  for (const SongPart& part : song.parts) {
    if (!part.present && (!part.text.empty() || !part.lines.empty())) std::abort();
    if (part.places.size() != part.text.size()) std::abort();
    for (const TextPlace& p : part.places)
      if (p.line < 1 || p.line > lines || p.column < 1 || static_cast<size_t>(p.column) > size)
        std::abort();
    if (part.text.empty()) continue;
    const std::vector<LintFinding> findings = LintText(part.text);
    for (const LintFinding& f : findings)
      if (f.pos < 0 || static_cast<size_t>(f.pos) >= part.text.size()) std::abort();
    // The lines printed as found are the findings, less the line breaks of a
    // text that spans lines.
    size_t printed = 0;
    LintLinesEach(part.text, [&](const std::string&) { ++printed; });
    if (printed > findings.size() || (!SpansLines(part.text) && printed != findings.size()))
      std::abort();

    static uint8_t code[EVENT_CODE_SIZE];
    static int32_t places[EVENT_CODE_SIZE / 2];
    code[0] = EV_STOP;
    for (int32_t& p : places) p = -1;
    compileEventCode(code, part.text.c_str(), nullptr, places);
    // Only the empty-code marker at offset 0, which the compiler did not
    // write, has no place.
    for (int k = 0; k < EVENT_CODE_SIZE / 2 && code[2 * k] != EV_END; ++k) {
      if (places[k] == -1 && k == 0 && code[0] == EV_STOP) continue;
      if (places[k] < 0 || static_cast<size_t>(places[k]) >= part.text.size()) std::abort();
    }
  }
  return 0;
}
