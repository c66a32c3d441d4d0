#include "diag/quote.h"

#include <cstdint>

namespace {

// The length of the UTF-8 character at `s[0]` when it is well formed and no
// control character (C1 controls, U+0080 to U+009F, act in some terminals);
// 0 otherwise.
size_t KeptCharacter(std::string_view s) {
  const auto b = [&](size_t k) { return static_cast<uint8_t>(s[k]); };
  const uint8_t lead = b(0);
  size_t length;
  uint32_t code;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    code = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    code = lead & 0x0F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    code = lead & 0x07;
  } else {
    return 0;
  }
  if (s.size() < length) return 0;
  for (size_t k = 1; k < length; ++k) {
    if ((b(k) & 0xC0) != 0x80) return 0;
    code = (code << 6) | (b(k) & 0x3F);
  }
  const uint32_t least[] = {0, 0, 0xA0, 0x800, 0x10000};
  if (code < least[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
  return length;
}

}  // namespace

std::string QuoteForMessage(std::string_view bytes, size_t maxChars) {
  std::string out;
  size_t chars = 0;
  size_t k = 0;
  while (k < bytes.size()) {
    if (chars == maxChars) {
      out += "\xE2\x80\xA6";  // …
      break;
    }
    const uint8_t c = static_cast<uint8_t>(bytes[k]);
    if (c >= 0x20 && c < 0x7F && c != '\\') {
      out += static_cast<char>(c);
      ++k;
    } else if (const size_t n = c >= 0x80 ? KeptCharacter(bytes.substr(k)) : 0; n > 0) {
      out.append(bytes.substr(k, n));
      k += n;
    } else {
      static const char HEX[] = "0123456789ABCDEF";
      out += "\\x";
      out += HEX[c >> 4];
      out += HEX[c & 15];
      ++k;
    }
    ++chars;
  }
  return out;
}
