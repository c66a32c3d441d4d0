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
  char* end = nullptr;
  long v = std::strtol(s, &end, 10);
  if (!*s || *end || v < 0 || v > MAX_RENDER_BUFFERS) return false;
  *buffers = v;
  return true;
}

bool ParseSeconds(const char* s, long* buffers) {
  char* end = nullptr;
  double v = std::strtod(s, &end);
  if (!*s || *end || !std::isfinite(v) || v < 0) return false;
  const double whole = std::ceil(v * 44100.0 / FRAMES_PER_BUFFER);
  if (whole > MAX_RENDER_BUFFERS) return false;
  *buffers = static_cast<long>(whole);
  return true;
}
