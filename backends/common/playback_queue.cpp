#include "common/playback_queue.h"

void PlaybackQueue::Attach(uint8_t* const buffers[WAVE_BUFFER_COUNT], int bufferBytes) {
  for (int i = 0; i < WAVE_BUFFER_COUNT; ++i) buffers_[i] = buffers[i];
  bufferBytes_ = bufferBytes;
  queued_ = 0;
  playPos_ = 0;
}

void PlaybackQueue::Detach() {
  for (uint8_t*& buffer : buffers_) buffer = nullptr;
  bufferBytes_ = 0;
  queued_ = 0;
  playPos_ = 0;
}

void PlaybackQueue::Push(int index) {
  if (index < 0 || index >= WAVE_BUFFER_COUNT) return;
  if (!buffers_[index] || bufferBytes_ <= 0 || queued_ >= WAVE_BUFFER_COUNT) return;
  queue_[queued_++] = index;
}

int PlaybackQueue::Clear() {
  const int n = queued_;
  queued_ = 0;
  playPos_ = 0;
  return n;
}
