// The SDL2 wave device of the game and of velkari-mml play: an SDL audio
// callback plays the buffers the output thread queues, in order, in pieces of
// 256 frames, and signals each one as it finishes. Created by the entry point before the sound
// engine starts, so that it is open before the window exists; without SDL audio it fails to open
// and the game runs silent.
#pragma once

#include <SDL.h>

#include <mutex>

#include "common/buffer_done_signal.h"
#include "common/playback_queue.h"
#include "platform/wave_device.h"

namespace sdl2 {

class SdlAudioDevice final : public SignalledWaveDevice {
 public:
  ~SdlAudioDevice() override;

  bool Open(const platform::WaveFormat& format, uint8_t* const buffers[WAVE_BUFFER_COUNT],
            int bufferBytes) override;
  void Write(int index) override;
  void Reset() override;
  void Close() override;
  void RaiseThreadPriority() override;

  bool IsOpen() const { return device_ != 0; }

 private:
  static void SDLCALL Callback(void* self, Uint8* stream, int len);

  SDL_AudioDeviceID device_ = 0;
  // The callback runs on SDL's audio thread, write and reset on the output
  // thread: the mutex covers the queue for both.
  std::mutex mutex_;
  PlaybackQueue queue_;
};

}  // namespace sdl2
