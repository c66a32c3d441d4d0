#include "libretro/retro_audio.h"

#include <cstring>

#include "app/shell.h"

namespace libretro {

namespace {

// floor(a * f / b) for small a and b, without forming a * f.
uint64_t Scaled(uint64_t f, uint64_t a, uint64_t b) {
  return (f / b) * a + ((f % b) * a) / b;
}

constexpr uint64_t BUFFER_FRAMES = 1500;

}  // namespace

uint64_t FramesHandedOn(uint64_t frame) {
  return 705 * frame + Scaled(frame, 3, 5);
}

uint64_t StreamPosition(uint64_t frame) {
  const uint64_t dropped =
      frame < HANDED_EXACT_FRAMES ? 0 : Scaled(frame - HANDED_EXACT_FRAMES, 24, 85);
  return FramesHandedOn(frame) + dropped;
}

uint64_t BuffersPlayed(uint64_t frame) {
  return Scaled(frame, 8, 17);
}

bool RetroWaveDevice::Open(const platform::WaveFormat& format,
                           uint8_t* const buffers[WAVE_BUFFER_COUNT], int bufferBytes) {
  if (format.nBlockAlign != 4 || format.nChannels != 2 || format.wBitsPerSample != 16 ||
      bufferBytes != static_cast<int>(BUFFER_FRAMES * 4))
    return false;
  for (int i = 0; i < WAVE_BUFFER_COUNT; ++i) {
    if (!buffers[i]) return false;
    buffers_[i] = buffers[i];
  }
  newest_ = 0;
  open_ = true;
  done_.clear();
  done_.set();  // ready for the first buffer
  return true;
}

void RetroWaveDevice::Close() {
  open_ = false;
  buffers_[0] = buffers_[1] = nullptr;
  done_.clear();
}

void RetroWaveDevice::BufferPlayed() {
  done_.set();
  PumpSound();
}

uint32_t RetroWaveDevice::FrameSamples(uint64_t frame, int16_t* out) const {
  const uint64_t count = frame == 0 ? 0 : FramesHandedOn(frame) - FramesHandedOn(frame - 1);
  if (!open_) {
    std::memset(out, 0, count * 4);
    return static_cast<uint32_t>(count);
  }
  // Stream position p (0 = the first frame of the first rendered buffer)
  // lies in buffer n = p / 1500 + 1 of the stream. After frame f the queue
  // holds buffers BuffersPlayed(f) and the one after it, the newer in the
  // slot written last (a loaded snapshot writes them back in that order).
  const uint64_t newest = BuffersPlayed(frame) + 1;
  uint64_t p = StreamPosition(frame) - count;
  uint64_t done = 0;
  while (done < count) {
    const uint64_t n = p / BUFFER_FRAMES + 1;
    const uint64_t offset = p % BUFFER_FRAMES;
    uint64_t run = BUFFER_FRAMES - offset;
    if (run > count - done) run = count - done;
    const int slot = n == newest ? newest_ : 1 - newest_;
    std::memcpy(out + done * 2, buffers_[slot] + offset * 4, run * 4);
    done += run;
    p += run;
  }
  return static_cast<uint32_t>(count);
}

}  // namespace libretro
