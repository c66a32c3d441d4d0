// The libretro backend's wave device. Nothing plays in real time and no
// thread runs: the core finishes a buffer (BufferPlayed, which lets the
// stream render the next one on the spot) at the moments of game time
// velkari-replay does, one 1500-frame buffer per 34 ms of the frame clock,
// and hands the frontend 705 or 706 stereo frames a frame (44,100 / 62.5 =
// 705.6 on average) read straight out of the two queued buffers.
//
// Everything about the sound is a function of the number of frames run, f:
//   rendered R(f) = 1500 * (floor(8f / 17) + 1)   (16f/34 buffers done, and
//                                                   the one queued at start)
//   handed on H(f) = floor(705.6 f)
// The buffers run 0.28 frames a frame ahead of what is handed on (24 in 85
// frames). For the first HANDED_EXACT_FRAMES frames nothing is left out, so
// the frontend gets velkari-replay's --audio sample for sample; after that
// one stereo frame is passed over whenever the lead has grown by one,
// D(f) = floor(24 (f - HANDED_EXACT_FRAMES) / 85), so that what has been
// rendered and not yet handed on stays between 89 and 2293 frames (2 to 52
// ms) however long the game runs, always inside the two queued buffers. The
// device therefore holds no samples of its own: the snapshot's two buffers
// and its frame count are all it needs, and a snapshot of the core is the
// same as velkari-replay's.
#pragma once

#include <cstdint>

#include "common/buffer_done_signal.h"
#include "platform/wave_device.h"

namespace libretro {

// The last frame up to which the frontend's sound is velkari-replay's with
// nothing left out (44.9 s); the largest multiple of 85 that keeps the
// unplayed part inside the two buffers.
constexpr uint64_t HANDED_EXACT_FRAMES = 2805;

// H(f) and the stream position after frame f (H(f) + D(f)); no overflow for
// any f below 2^54.
uint64_t FramesHandedOn(uint64_t frame);
uint64_t StreamPosition(uint64_t frame);
// The buffers the stream has finished after frame f: floor(8f / 17).
uint64_t BuffersPlayed(uint64_t frame);

class RetroWaveDevice final : public SignalledWaveDevice {
 public:
  bool Open(const platform::WaveFormat& format, uint8_t* const buffers[WAVE_BUFFER_COUNT],
            int bufferBytes) override;
  void Write(int index) override { newest_ = index; }
  void Reset() override {}
  void Close() override;
  // The queued buffers are read only when the frontend is handed them, and
  // only by position: a snapshot may write them back.
  bool QueuedBuffersRestorable() const override { return true; }

  // The oldest queued buffer has been played: the stream renders the next.
  void BufferPlayed();
  // Copies frame f's share of the sound (FramesHandedOn(f) -
  // FramesHandedOn(f - 1) stereo frames, at most 706) into `out`; returns
  // the count. Silence when the device is closed.
  uint32_t FrameSamples(uint64_t frame, int16_t* out) const;

 private:
  uint8_t* buffers_[WAVE_BUFFER_COUNT] = {nullptr, nullptr};
  // The slot written last: the newer of the two queued buffers.
  int newest_ = 0;
  bool open_ = false;
};

}  // namespace libretro
