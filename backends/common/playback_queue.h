// The wave buffers queued on a device that is asked for samples by a
// callback (SDL's audio thread, the page's audio node), oldest first, and how
// far playback has come into the oldest one. It does no locking: a device
// whose callback runs on a thread of its own holds its lock around every
// call.
#pragma once

#include <cstdint>
#include <cstring>

#include "platform/wave_device.h"

class PlaybackQueue {
 public:
  void Attach(uint8_t* const buffers[WAVE_BUFFER_COUNT], int bufferBytes);
  void Detach();
  // Queues buffer `index`; ignored when it is out of range, when nothing is
  // attached, or when both buffers are already queued.
  void Push(int index);
  // Copies the next `bytes` bytes of the queued buffers into out, calling
  // onDone(buffer) for every buffer played to its end as soon as it ends:
  // its owner may rewrite it from then on, and a buffer queued from onDone
  // plays on within the same call. Silence once nothing is queued.
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

template <typename OnDone>
void PlaybackQueue::Fill(uint8_t* out, int bytes, OnDone onDone) {
  while (bytes > 0) {
    if (queued_ == 0) {
      // The stream is late or gone: silence until it catches up.
      std::memset(out, 0, static_cast<size_t>(bytes));
      return;
    }
    const int index = queue_[0];
    const int take = bytes < bufferBytes_ - playPos_ ? bytes : bufferBytes_ - playPos_;
    std::memcpy(out, buffers_[index] + playPos_, static_cast<size_t>(take));
    out += take;
    bytes -= take;
    playPos_ += take;
    if (playPos_ == bufferBytes_) {
      queue_[0] = queue_[1];
      --queued_;
      playPos_ = 0;
      onDone(static_cast<const uint8_t*>(buffers_[index]));
    }
  }
}
