// The web backend's wave device: Web Audio at 44,100 Hz. The page's audio
// callback asks for samples (Fill); the device plays the queued wave buffers
// in order and, as each one ends, lets the output stream refill it on the
// spot (pumpSoundOutput): the browser gives the page no thread to run the
// stream on. Browsers hold the sound back until the first key press or
// click; until then the buffers simply wait. Without Web Audio the device
// does not open and the game runs silent.
#pragma once

#include <cstdint>

#include "common/buffer_done_signal.h"
#include "common/playback_queue.h"
#include "platform/wave_device.h"

namespace web {

class WebAudioDevice final : public SignalledWaveDevice {
 public:
  ~WebAudioDevice() override;

  bool Open(const platform::WaveFormat& format, uint8_t* const buffers[WAVE_BUFFER_COUNT],
            int bufferBytes) override;
  void Write(int index) override;
  void Reset() override;
  void Close() override;

  // The page's audio callback: `frames` stereo frames of 16-bit samples.
  void Fill(int16_t* out, int frames);

  bool IsOpen() const { return open_; }

 private:
  bool open_ = false;
  int blockAlign_ = 4;
  int bufferBytes_ = 0;
  PlaybackQueue queue_;  // only the page's one thread touches it
};

}  // namespace web
