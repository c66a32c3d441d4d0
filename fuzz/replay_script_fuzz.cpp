// Arbitrary bytes as a key script (velkari-replay's, velkari --play's): the parser either accepts
// them, with every line's count from 1 on, keys the game knows and a total within the limit, or
// refuses them with a message naming the line. Either way it never crashes, hangs or reads outside
// the text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/replay_script.h"
#include "platform/platform.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  std::vector<replay::ScriptLine> lines;
  std::string error;
  if (replay::ParseScript(text, &lines, &error)) {
    if (!error.empty()) std::abort();
    uint64_t total = 0;
    for (const replay::ScriptLine& l : lines) {
      if (l.count == 0) std::abort();
      total += l.count;
      for (int vk : l.vkeys)
        if (vk <= 0 || vk > 255) std::abort();
    }
    if (total > replay::MAX_FRAMES) std::abort();
  } else if (error.rfind("line ", 0) != 0) {
    std::abort();
  }
  // The number reader on its own, with the bounds the tool uses.
  int64_t n = -1;
  if (replay::ParseNumber(text, 1, 2147483647, &n) && (n < 1 || n > 2147483647)) std::abort();
  return 0;
}
