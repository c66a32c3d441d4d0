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

namespace sdl2 {

// The buffers queued on the device, oldest first, and how far playback has
// come into the oldest one. Fill runs on SDL's audio thread, Push on the
// output thread; one mutex covers both.
class PlaybackQueue {
 public:
  void Attach(uint8_t* const buffers[WAVE_BUFFER_COUNT], int bufferBytes);
  void Detach();
  // Queues buffer `index`; ignored when it is out of range, when nothing is
  // attached, or when both buffers are already queued.
  void Push(int index);
  // Copies the next len bytes of the queued buffers into out, setting `done`
  // once for every buffer played to its end; silence once the queue is empty.
  void Fill(uint8_t* out, int len, BufferDoneSignal& done);
  // Drops every queued buffer, each counting as done. Returns how many.
  int Clear(BufferDoneSignal& done);
  int Queued();

 private:
  std::mutex mutex_;
  uint8_t* buffers_[WAVE_BUFFER_COUNT] = {nullptr, nullptr};
  int bufferBytes_ = 0;
  int queue_[WAVE_BUFFER_COUNT] = {0, 0};
  int queued_ = 0;
  int playPos_ = 0;
};

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
  PlaybackQueue queue_;
  BufferDoneSignal done_;
};

}  // namespace sdl2
