// The headless wave device: plays nothing in real time. It finishes a queued
// buffer only when told to and keeps the samples of every buffer it finished,
// so tests and velkari-replay --audio see the exact stream the output thread
// produced, the same on every run. Handed to StartSoundOutput like any device;
// the Finish and Step calls come from the test's or the tool's own thread.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <vector>

#include "common/buffer_done_signal.h"
#include "platform/wave_device.h"

namespace headless {

class HeadlessWaveDevice final : public SignalledWaveDevice {
 public:
  // `opens` false gives a device that fails to open, as a machine without
  // sound hardware does.
  explicit HeadlessWaveDevice(bool opens = true) : opens_(opens) {}

  bool Open(const platform::WaveFormat& format, uint8_t* const buffers[WAVE_BUFFER_COUNT],
            int bufferBytes) override;
  void Write(int index) override;
  void Reset() override;
  void Close() override;
  // It copies a buffer when it finishes it, so a snapshot may write the
  // queued ones back.
  bool QueuedBuffersRestorable() const override { return true; }

  // Keeps the device's ready signal back when it opens, until GiveOpenSignal:
  // a test can then set channels going before the first buffer is rendered.
  void DeferOpenSignal() { deferOpen_ = true; }
  void GiveOpenSignal() { done_.set(); }

  // Whether finished buffers are kept for Played (the default); a long run
  // that only needs the stream to go on turns it off.
  void KeepPlayed(bool keep) { keep_ = keep; }

  // Finishes the oldest queued buffer: keeps a copy of its samples and
  // signals it done. False when nothing is queued.
  bool FinishBuffer();
  // Waits until at least `count` buffers are queued. False on a time-out.
  bool WaitUntilQueued(size_t count, uint32_t timeoutMs);
  // One buffer period: finishes the oldest buffer and waits until the output
  // thread has queued the buffer it refilled. False when nothing was queued
  // or no refill came within timeoutMs (the stream has stopped).
  bool Step(uint32_t timeoutMs = 1000);

  // Every finished buffer's samples, in the order they were played.
  std::vector<uint8_t> Played() const;
  // The samples played since the last call (or since the device opened),
  // moved into *out; the device keeps none of them. A long run streams its
  // sound this way with memory for a buffer or two.
  void TakePlayed(std::vector<uint8_t>* out);
  size_t PlayedBuffers() const;
  size_t QueuedCount() const;
  uint64_t WriteCount() const;
  bool IsOpen() const;
  // The format the device was last opened with.
  platform::WaveFormat Format() const;

 private:
  const bool opens_;
  mutable std::mutex mutex_;
  std::condition_variable written_;
  bool open_ = false;
  bool deferOpen_ = false;
  bool keep_ = true;
  platform::WaveFormat format_;
  uint8_t* buffers_[WAVE_BUFFER_COUNT] = {nullptr, nullptr};
  int bufferBytes_ = 0;
  std::deque<int> queue_;
  uint64_t writes_ = 0;
  size_t playedBuffers_ = 0;
  std::vector<uint8_t> played_;
};

}  // namespace headless
