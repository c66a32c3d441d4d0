// Arbitrary bytes as a key script (velkari-replay's, velkari --play's): the parser either accepts
// them, with every line's count from 1 on, keys the game knows (each once a line) and a total
// within the limit, or refuses them with a message naming the line, holding no byte a terminal
// would act on and never longer than a line's worth. The playback, which reads the checked text
// again a line at a time, hands out exactly the parsed steps. Either way it never crashes, hangs
// or reads outside the text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/replay_record.h"
#include "app/replay_script.h"
#include "platform/platform.h"

namespace {

// The message quotes offending words safely: printable ASCII and UTF-8 only,
// and short whatever the line held.
void CheckMessage(const std::string& error) {
  if (error.rfind("line ", 0) != 0 || error.size() > 600) std::abort();
  for (unsigned char c : error)
    if (c < 0x20 || c == 0x7F) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // A longer file is refused before it is parsed.
  if (size > replay::MAX_SCRIPT_BYTES) return 0;
  const std::string text(reinterpret_cast<const char*>(data), size);
  std::vector<replay::ScriptLine> lines;
  std::string error;
  replay::KeyPlayback playback;
  std::string playError;
  const bool played = playback.LoadText(text, &playError);
  if (replay::ParseScript(text, &lines, &error)) {
    if (!error.empty() || !played) std::abort();
    uint64_t total = 0;
    for (const replay::ScriptLine& l : lines) {
      if (l.count == 0) std::abort();
      total += l.count;
      uint32_t seen[8] = {};
      for (int vk : l.vkeys) {
        if (vk <= 0 || vk > 255) std::abort();
        if (seen[vk >> 5] & (1u << (vk & 31))) std::abort();
        seen[vk >> 5] |= 1u << (vk & 31);
      }
    }
    if (total > replay::MAX_FRAMES || playback.Frames() != total) std::abort();
    // Step through the first frames of each line and compare.
    for (const replay::ScriptLine& l : lines) {
      for (uint64_t f = 0; f < l.count; ++f) {
        const replay::ScriptLine* got = playback.NextLine();
        if (!got || got->vkeys.size != l.vkeys.size || got->count != l.count) std::abort();
        for (int k = 0; k < l.vkeys.size; ++k)
          if (got->vkeys.vkeys[k] != l.vkeys.vkeys[k]) std::abort();
        if (f == 2 && l.count > 4) {  // the rest of a long line at once
          for (uint64_t r = 3; r < l.count; ++r) playback.NextLine();
          break;
        }
      }
    }
    if (playback.NextLine() != nullptr) std::abort();
  } else {
    CheckMessage(error);
    if (played || playError != error) std::abort();
  }
  // The number reader on its own, with the bounds the tool uses.
  int64_t n = -1;
  if (replay::ParseNumber(text, 1, 2147483647, &n) && (n < 1 || n > 2147483647)) std::abort();
  return 0;
}
