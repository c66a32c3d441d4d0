#include "headless/headless_wave_device.h"

#include <chrono>

namespace headless {

bool HeadlessWaveDevice::Open(const platform::WaveFormat& format,
                              uint8_t* const buffers[WAVE_BUFFER_COUNT], int bufferBytes) {
  std::lock_guard<std::mutex> lock(mutex_);
  format_ = format;
  if (!opens_ || bufferBytes <= 0) return false;
  for (int i = 0; i < WAVE_BUFFER_COUNT; ++i) {
    if (!buffers[i]) return false;
    buffers_[i] = buffers[i];
  }
  bufferBytes_ = bufferBytes;
  queue_.clear();
  open_ = true;
  done_.clear();
  if (!deferOpen_) done_.set();  // ready for the first buffer
  return true;
}

void HeadlessWaveDevice::Write(int index) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!open_ || index < 0 || index >= WAVE_BUFFER_COUNT) return;
    queue_.push_back(index);
    ++writes_;
  }
  written_.notify_all();
}

void HeadlessWaveDevice::Reset() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!open_) return;
  // Every queued buffer comes back unplayed.
  for (size_t n = queue_.size(); n > 0; --n) done_.set();
  queue_.clear();
}

void HeadlessWaveDevice::Close() {
  std::lock_guard<std::mutex> lock(mutex_);
  open_ = false;
  queue_.clear();
  buffers_[0] = buffers_[1] = nullptr;
  done_.clear();
}

bool HeadlessWaveDevice::FinishBuffer() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!open_ || queue_.empty()) return false;
    const uint8_t* samples = buffers_[queue_.front()];
    queue_.pop_front();
    if (keep_) played_.insert(played_.end(), samples, samples + bufferBytes_);
    ++playedBuffers_;
  }
  done_.set();
  return true;
}

bool HeadlessWaveDevice::WaitUntilQueued(size_t count, uint32_t timeoutMs) {
  std::unique_lock<std::mutex> lock(mutex_);
  return written_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                           [&] { return queue_.size() >= count; });
}

bool HeadlessWaveDevice::Step(uint32_t timeoutMs) {
  uint64_t before;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    before = writes_;
  }
  if (!FinishBuffer()) return false;
  std::unique_lock<std::mutex> lock(mutex_);
  return written_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                           [&] { return writes_ > before; });
}

std::vector<uint8_t> HeadlessWaveDevice::Played() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return played_;
}

void HeadlessWaveDevice::TakePlayed(std::vector<uint8_t>* out) {
  std::lock_guard<std::mutex> lock(mutex_);
  out->clear();
  out->swap(played_);
}

size_t HeadlessWaveDevice::PlayedBuffers() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return playedBuffers_;
}

size_t HeadlessWaveDevice::QueuedCount() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return queue_.size();
}

uint64_t HeadlessWaveDevice::WriteCount() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return writes_;
}

bool HeadlessWaveDevice::IsOpen() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return open_;
}

platform::WaveFormat HeadlessWaveDevice::Format() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return format_;
}

}  // namespace headless
