#include "sound/event_code_text.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "sound/event_code.h"
#include "sound/mml_compiler.h"

std::string describeCompiledText(const char* text) {
  // Compiled twice over different stale bytes: an operand that differs was
  // not written by the compiler.
  static uint8_t low[EVENT_CODE_SIZE], high[EVENT_CODE_SIZE];
  std::memset(low, 0x00, sizeof low);
  std::memset(high, 0xFF, sizeof high);
  low[0] = high[0] = EV_STOP;
  compileEventCode(low, text ? text : "");
  compileEventCode(high, text ? text : "");
  std::string out;
  char pair[8];
  for (int pos = 0; pos + 1 < EVENT_CODE_SIZE; pos += 2) {
    if (!out.empty()) out += ", ";
    if (low[pos] == EV_END) return out + "FF";
    if (low[pos + 1] == high[pos + 1]) {
      std::snprintf(pair, sizeof pair, "%02X %02X", low[pos], low[pos + 1]);
    } else {
      std::snprintf(pair, sizeof pair, "%02X --", low[pos]);
    }
    out += pair;
  }
  return out + " (no end)";
}
