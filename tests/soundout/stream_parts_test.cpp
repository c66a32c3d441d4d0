// The pieces under the stream: the buffer-done signal's counting, the
// headless device's queue and capture, and a stress run of the game thread
// and the output thread on the shared channels (for ThreadSanitizer).
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>

#include "common/buffer_done_signal.h"
#include "headless/headless_wave_device.h"
#include "sound/channel_interface.h"
#include "sound/output_stream.h"
#include "sound/sound_engine.h"

namespace {

TEST(BufferDoneSignal, CountsEverySignalAndTimesOutWhenNoneIsLeft) {
  BufferDoneSignal signal;
  EXPECT_FALSE(signal.wait(0));
  signal.set();
  signal.set();
  EXPECT_TRUE(signal.wait(0));
  EXPECT_TRUE(signal.wait(0));
  EXPECT_FALSE(signal.wait(0));
  signal.set();
  signal.clear();
  EXPECT_FALSE(signal.wait(1));
}

TEST(BufferDoneSignal, ReleasesAWaiterOnAnotherThread) {
  BufferDoneSignal signal;
  std::atomic<bool> woke{false};
  std::thread waiter([&] { woke = signal.wait(60000); });
  signal.set();
  waiter.join();
  EXPECT_TRUE(woke);
}

struct DeviceBuffers {
  uint8_t a[8];
  uint8_t b[8];
  uint8_t* const both[WAVE_BUFFER_COUNT] = {a, b};
};

TEST(HeadlessWaveDevice, PlaysQueuedBuffersInOrderAndKeepsTheirSamples) {
  DeviceBuffers mem;
  std::memset(mem.a, 0x11, sizeof mem.a);
  std::memset(mem.b, 0x22, sizeof mem.b);
  headless::HeadlessWaveDevice device;
  ASSERT_TRUE(device.Open(platform::WaveFormat{}, mem.both, 8));
  EXPECT_TRUE(device.WaitBufferDone(0)) << "an open device is ready for a buffer";
  EXPECT_FALSE(device.WaitBufferDone(0));

  EXPECT_FALSE(device.FinishBuffer()) << "nothing queued";
  device.Write(1);
  device.Write(0);
  device.Write(5);  // no such buffer: ignored
  EXPECT_EQ(device.QueuedCount(), 2u);
  ASSERT_TRUE(device.FinishBuffer());
  std::memset(mem.b, 0x33, sizeof mem.b);  // the caller may refill a finished buffer
  ASSERT_TRUE(device.FinishBuffer());
  EXPECT_TRUE(device.WaitBufferDone(0));
  EXPECT_TRUE(device.WaitBufferDone(0));
  EXPECT_FALSE(device.WaitBufferDone(0));

  const std::vector<uint8_t> played = device.Played();
  ASSERT_EQ(played.size(), 16u);
  for (size_t k = 0; k < 8; ++k) EXPECT_EQ(played[k], 0x22) << k;
  for (size_t k = 8; k < 16; ++k) EXPECT_EQ(played[k], 0x11) << k;
  EXPECT_EQ(device.PlayedBuffers(), 2u);
}

TEST(HeadlessWaveDevice, ResetGivesBackQueuedBuffersUnplayedAndCloseEndsTheQueue) {
  DeviceBuffers mem;
  headless::HeadlessWaveDevice device;
  ASSERT_TRUE(device.Open(platform::WaveFormat{}, mem.both, 8));
  ASSERT_TRUE(device.WaitBufferDone(0));
  device.Write(0);
  device.Write(1);
  device.Reset();
  EXPECT_EQ(device.QueuedCount(), 0u);
  EXPECT_TRUE(device.WaitBufferDone(0));
  EXPECT_TRUE(device.WaitBufferDone(0));
  EXPECT_TRUE(device.Played().empty());
  device.Close();
  device.Write(0);
  EXPECT_EQ(device.QueuedCount(), 0u);
  EXPECT_FALSE(device.FinishBuffer());
  // The signal outlives the device: a wake still releases a wait.
  device.Wake();
  EXPECT_TRUE(device.WaitBufferDone(0));
}

TEST(HeadlessWaveDevice, ADeviceThatFailsToOpenTakesNothingAndNeverSignals) {
  DeviceBuffers mem;
  headless::HeadlessWaveDevice device(false);
  EXPECT_FALSE(device.Open(platform::WaveFormat{}, mem.both, 8));
  device.Write(0);
  EXPECT_EQ(device.WriteCount(), 0u);
  EXPECT_FALSE(device.WaitBufferDone(1));
}

// The game thread plays cues on every channel once a millisecond while a
// player thread finishes a buffer every two milliseconds, sixteen times the
// real pace. Bounded by rounds and by time, so that a slow sanitizer build
// stays short.
TEST(StreamStress, CuesOnAllChannelsEveryMillisecondWhileTheThreadRenders) {
  static const char* const cues[] = {
      "t150@0o4l8v12 cdefgab>c", "t120@1o3l16v15 [cg]4",  "t200@2o6l32q7v14i35 gecx",
      "t90@3o2l4v10 c",          "t180@4o5l64 v9 [e-g]8", "",
  };
  headless::HeadlessWaveDevice device;
  StartSoundOutput(&device);
  clearAllChannelText();
  std::atomic<bool> done{false};
  std::thread player([&] {
    while (!done) {
      if (!device.Step(50)) std::this_thread::yield();
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
  });

  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(1500);
  int round = 0;
  while (round < 400 && std::chrono::steady_clock::now() < end) {
    for (int ch = 0; ch < SOUND_CHANNELS; ++ch) {
      clearChannelText(ch);
      appendChannelText(ch, cues[(round + ch) % 6]);
    }
    startChannels(1, 1, 1, 1, 1, 1, 1, 1);
    for (int ch = 0; ch < SOUND_CHANNELS; ++ch) releaseChannelText(ch);
    if (round % 50 == 49) stopAllChannels();
    ++round;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  const uint64_t rendered = soundBuffersRendered();
  const bool running = soundOutputRunning();
  StopSoundOutput();
  done = true;
  player.join();
  EXPECT_GE(round, 20);
  EXPECT_GE(rendered, 5u) << "the output thread rendered while the cues changed";
  EXPECT_TRUE(running) << "no wait ran out: the thread was never locked out for long";
  EXPECT_FALSE(soundOutputRunning());
}

}  // namespace
