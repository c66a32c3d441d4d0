// A counting buffer-done signal for wave devices that have no such signal of
// their own (the SDL and headless devices, the stand-in for no device).
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>

#include "platform/wave_device.h"

// The buffer-done signal: counts the buffers the device has finished (and the
// wakes it was given) that no wait has taken yet. Each successful wait takes
// one, so two buffers finished while the output thread was busy are both
// refilled, and a wake given just before the waiter arrives is not lost.
class BufferDoneSignal {
 public:
  void set() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      ++count_;
    }
    cond_.notify_one();
  }
  void clear() {
    std::lock_guard<std::mutex> lock(mutex_);
    count_ = 0;
  }
  // True when a signal was there or came within timeoutMs, false on a time-out.
  bool wait(uint32_t timeoutMs) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (!cond_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return count_ > 0; }))
      return false;
    --count_;
    return true;
  }

 private:
  std::mutex mutex_;
  std::condition_variable cond_;
  uint32_t count_ = 0;
};

// A wave device whose buffer-done signal is a BufferDoneSignal: the devices
// that have no signal of their own (SDL's callback, the page, headless) set
// done_ when they open and whenever they have finished a buffer.
class SignalledWaveDevice : public platform::WaveDevice {
 public:
  bool WaitBufferDone(uint32_t timeoutMs) final { return done_.wait(timeoutMs); }
  void Wake() final { done_.set(); }

 protected:
  BufferDoneSignal done_;
};
