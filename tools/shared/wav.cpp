#include "shared/wav.h"

#include <cmath>
#include <cstdlib>

namespace {

constexpr int FRAMES_PER_BUFFER = 1500;

void PutLe(uint8_t* at, uint32_t v, int bytes) {
  for (int k = 0; k < bytes; ++k) at[k] = static_cast<uint8_t>((v >> (8 * k)) & 0xFF);
}

void PutTag(uint8_t* at, const char* tag) {
  for (int k = 0; k < 4; ++k) at[k] = static_cast<uint8_t>(tag[k]);
}

}  // namespace

void WriteWavHeader(uint8_t h[WAV_HEADER_SIZE], uint32_t dataBytes) {
  PutTag(h, "RIFF");
  PutLe(h + 4, 36 + dataBytes, 4);
  PutTag(h + 8, "WAVE");
  PutTag(h + 12, "fmt ");
  PutLe(h + 16, 16, 4);
  PutLe(h + 20, 1, 2);       // PCM
  PutLe(h + 22, 2, 2);       // channels
  PutLe(h + 24, 44100, 4);   // frames per second
  PutLe(h + 28, 176400, 4);  // bytes per second
  PutLe(h + 32, 4, 2);       // bytes per frame
  PutLe(h + 34, 16, 2);      // bits per sample
  PutTag(h + 36, "data");
  PutLe(h + 40, dataBytes, 4);
}

bool ParseBufferCount(const char* s, long* buffers) {
  // Digits alone: no blank, no sign, no other base.
  if (!*s) return false;
  long v = 0;
  for (const char* p = s; *p; ++p) {
    if (*p < '0' || *p > '9') return false;
    v = v * 10 + (*p - '0');
    if (v > MAX_RENDER_BUFFERS) return false;
  }
  *buffers = v;
  return true;
}

bool ParseSeconds(const char* s, long* buffers) {
  // Decimal digits with at most one point ("2", "1.5", ".25", "3."), nothing
  // else: no blank, sign, exponent, hex or "inf".
  const char* p = s;
  size_t digits = 0, points = 0;
  for (; *p; ++p) {
    if (*p >= '0' && *p <= '9') {
      ++digits;
    } else if (*p == '.' && points == 0) {
      ++points;
    } else {
      return false;
    }
  }
  if (digits == 0 || p - s > 32) return false;
  const double v = std::strtod(s, nullptr);
  if (!std::isfinite(v) || v < 0) return false;
  const double whole = std::ceil(v * 44100.0 / FRAMES_PER_BUFFER);
  if (whole > MAX_RENDER_BUFFERS) return false;
  *buffers = static_cast<long>(whole);
  return true;
}
