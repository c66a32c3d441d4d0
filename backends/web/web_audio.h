// The web backend's wave device: Web Audio at 44,100 Hz. The page's audio
// callback asks for samples (Fill); the device plays the queued wave buffers
// in order and, as each one ends, lets the output stream refill it on the
// spot (pumpSoundOutput): the browser gives the page no thread to run the
// stream on. Browsers hold the sound back until the first key press or
// click; until then the buffers simply wait. Without Web Audio the device
// does not open and the game runs silent.
#pragma once

#include <cstdint>

#include "platform/wave_device.h"
#include "sound/buffer_done_signal.h"

namespace web {

// The queued buffers, oldest first, and how far playback has come into the
// oldest one. Only the page's one thread touches it.
class WebPlaybackQueue {
 public:
  void Attach(uint8_t* const buffers[WAVE_BUFFER_COUNT], int bufferBytes);
  void Detach();
  // Queues buffer `index`; ignored when out of range, when nothing is
  // attached, or when both buffers are already queued.
  void Push(int index);
  // Copies the next `bytes` bytes of the queued buffers into out, calling
  // onDone(buffer) for every buffer played to its end, as soon as it ends, so
  // that a refill it queues plays on within the same call; silence once
  // nothing is queued.
  template <typename OnDone>
  void Fill(uint8_t* out, int bytes, OnDone onDone);
  // Drops every queued buffer. Returns how many.
  int Clear();
  int Queued() const { return queued_; }

 private:
  uint8_t* buffers_[WAVE_BUFFER_COUNT] = {nullptr, nullptr};
  int bufferBytes_ = 0;
  int queue_[WAVE_BUFFER_COUNT] = {0, 0};
  int queued_ = 0;
  int playPos_ = 0;
};

class WebAudioDevice final : public WaveDevice {
 public:
  ~WebAudioDevice() override;

  bool open(const WaveFormat& format, uint8_t* const buffers[WAVE_BUFFER_COUNT],
            int bufferBytes) override;
  void write(int index) override;
  // The stream is driven from Fill and never waits: the signal only counts.
  bool waitBufferDone(uint32_t timeoutMs) override { return done_.wait(timeoutMs); }
  void wake() override { done_.set(); }
  void reset() override;
  void close() override;

  // The page's audio callback: `frames` stereo frames of 16-bit samples.
  void Fill(int16_t* out, int frames);

  bool IsOpen() const { return open_; }

 private:
  bool open_ = false;
  int blockAlign_ = 4;
  int bufferBytes_ = 0;
  WebPlaybackQueue queue_;
  BufferDoneSignal done_;
};

template <typename OnDone>
void WebPlaybackQueue::Fill(uint8_t* out, int bytes, OnDone onDone) {
  while (bytes > 0) {
    if (queued_ == 0) {
      for (; bytes > 0; --bytes) *out++ = 0;
      return;
    }
    const int index = queue_[0];
    int take = bufferBytes_ - playPos_;
    if (take > bytes) take = bytes;
    const uint8_t* from = buffers_[index] + playPos_;
    for (int k = 0; k < take; ++k) out[k] = from[k];
    out += take;
    bytes -= take;
    playPos_ += take;
    if (playPos_ == bufferBytes_) {
      queue_[0] = queue_[1];
      --queued_;
      playPos_ = 0;
      onDone(buffers_[index]);
    }
  }
}

}  // namespace web
