// The sound side of the contract between the portable core and an operating
// system: the abstract wave output device that the output thread streams to.
// A backend implements WaveDevice (SDL audio callback, headless capture,
// waveOut, Web Audio) and hands it to the shell, which gives it to
// StartSoundOutput; the output thread is its only caller once it is open,
// apart from Wake, Reset and Close, which the exit path calls.
#pragma once

#include <cstdint>

constexpr int WAVE_BUFFER_COUNT = 2;
constexpr uint32_t WAVE_BUFFER_TIMEOUT_MS = 5000;
// The most stereo frames a device may hold back for a snapshot (about 0.74 s).
constexpr uint32_t WAVE_HELD_FRAMES_MAX = 32768;

namespace platform {

// The one wave format the game plays: 16-bit signed little-endian stereo at
// 44,100 frames a second, laid out as the platform's WAVEFORMATEX.
struct WaveFormat {
  uint16_t wFormatTag = 1;  // WAVE_FORMAT_PCM
  uint16_t nChannels = 2;
  uint32_t nSamplesPerSec = 44100;
  uint32_t nAvgBytesPerSec = 176400;
  uint16_t nBlockAlign = 4;
  uint16_t wBitsPerSample = 16;
  uint16_t cbSize = 0;
};

class WaveDevice {
 public:
  virtual ~WaveDevice() = default;

  // Opens the device for `format` over the two buffers (each bufferBytes
  // long, owned by the caller until close returns). An open device sets the
  // buffer-done signal once, as a device that has just opened is ready for a
  // buffer. False when there is no device: nothing will then ever signal
  // except wake, and every other call does nothing.
  virtual bool Open(const WaveFormat& format, uint8_t* const buffers[WAVE_BUFFER_COUNT],
                    int bufferBytes) = 0;
  // Queues buffer `index` behind those already queued. The device reads it
  // until it signals it done; the caller leaves it alone until then.
  virtual void Write(int index) = 0;
  // Waits at most timeoutMs for the buffer-done signal, which the device gives
  // once when it opens and once for every buffer it has finished, in the
  // order they were queued. False on a time-out.
  virtual bool WaitBufferDone(uint32_t timeoutMs) = 0;
  // Sets the buffer-done signal, so that a waiting output thread goes on.
  virtual void Wake() = 0;
  // Stops playing and gives back every queued buffer.
  virtual void Reset() = 0;
  // Closes the device; afterwards it no longer touches the buffers. The
  // signal stays usable until the device object itself is gone.
  virtual void Close() = 0;
  // Called once on the output thread when it starts: gives it the highest
  // priority the platform grants (time-critical), or nothing.
  virtual void RaiseThreadPriority() {}

  // Snapshots. A device that copies a buffer when it finishes it, and never
  // reads it while it is queued (headless capture, a frontend's audio batch),
  // lets a loaded snapshot write the two queued buffers back, so the sound
  // goes on without a gap or a repeat; a device that plays from the buffers
  // as they sit in its queue says false, and a load leaves them alone.
  virtual bool QueuedBuffersRestorable() const { return false; }
  // Samples the device has been given but not yet handed on (a frontend's
  // queue of stereo frames, at most WAVE_HELD_FRAMES_MAX): saved with the
  // snapshot into `frames` (2 * count int16_t values), returning the count,
  // and given back after a load.
  virtual uint32_t SaveHeldFrames(int16_t* frames, uint32_t maxFrames) {
    (void)frames;
    (void)maxFrames;
    return 0;
  }
  virtual void LoadHeldFrames(const int16_t* frames, uint32_t count) {
    (void)frames;
    (void)count;
  }
};

}  // namespace platform
