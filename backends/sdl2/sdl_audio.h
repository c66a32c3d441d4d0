// The SDL2 wave device of the game and of velkari-mml play: an SDL audio
// callback plays the buffers the output thread queues, in order, and signals
// each one as it finishes. Created by the entry point before the sound engine
// starts, so that it is open before the window exists; without SDL audio it
// fails to open and the game runs silent.
#pragma once

#include <SDL.h>

#include <mutex>

#include "platform/wave_device.h"
#include "sound/buffer_done_signal.h"
#include "sound/playback_queue.h"

namespace sdl2 {

class SdlAudioDevice final : public WaveDevice {
 public:
  ~SdlAudioDevice() override;

  bool open(const WaveFormat& format, uint8_t* const buffers[WAVE_BUFFER_COUNT],
            int bufferBytes) override;
  void write(int index) override;
  bool waitBufferDone(uint32_t timeoutMs) override { return done_.wait(timeoutMs); }
  void wake() override { done_.set(); }
  void reset() override;
  void close() override;
  void raiseThreadPriority() override;

  bool IsOpen() const { return device_ != 0; }

 private:
  static void SDLCALL Callback(void* self, Uint8* stream, int len);

  SDL_AudioDeviceID device_ = 0;
  // The callback runs on SDL's audio thread, write and reset on the output
  // thread: the mutex covers the queue for both.
  std::mutex mutex_;
  PlaybackQueue queue_;
  BufferDoneSignal done_;
};

}  // namespace sdl2
