// The SDL device's playback queue, as the audio callback drives it: buffers
// play in the order queued, each finished one is signalled once, and a queue
// that runs dry plays silence. (Built where the SDL backend is.)
#if __has_include(<SDL.h>)
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "sdl2/sdl_audio.h"

namespace {

struct QueueFixture {
  uint8_t a[8];
  uint8_t b[8];
  uint8_t* const both[WAVE_BUFFER_COUNT] = {a, b};
  sdl2::PlaybackQueue queue;
  BufferDoneSignal done;
  QueueFixture() {
    std::memset(a, 0xA1, sizeof a);
    std::memset(b, 0xB2, sizeof b);
    queue.Attach(both, 8);
  }
  int DoneCount() {
    int n = 0;
    while (done.wait(0)) ++n;
    return n;
  }
};

// Callback sizes that split the 8-byte buffers differently; the stream that
// comes out must be the same.
TEST(SdlPlaybackQueue, PlaysBuffersInOrderWhateverTheCallbackSize) {
  for (const int chunk : {8, 3, 16, 5}) {
    SCOPED_TRACE(chunk);
    QueueFixture f;
    f.queue.Push(1);
    f.queue.Push(0);
    std::vector<uint8_t> out;
    while (out.size() < 24) {
      std::vector<uint8_t> piece(chunk, 0x55);
      f.queue.Fill(piece.data(), chunk, f.done);
      out.insert(out.end(), piece.begin(), piece.end());
    }
    for (size_t k = 0; k < 24; ++k) {
      const uint8_t want = k < 8 ? 0xB2 : k < 16 ? 0xA1 : 0x00;
      ASSERT_EQ(out[k], want) << k;
    }
    EXPECT_EQ(f.DoneCount(), 2);
    EXPECT_EQ(f.queue.Queued(), 0);
  }
}

TEST(SdlPlaybackQueue, SignalsOnlyWhenABufferHasPlayedToItsEnd) {
  QueueFixture f;
  f.queue.Push(0);
  uint8_t out[6];
  f.queue.Fill(out, 6, f.done);
  EXPECT_EQ(f.DoneCount(), 0) << "buffer 0 is still being read";
  f.queue.Push(1);
  f.queue.Fill(out, 6, f.done);
  EXPECT_EQ(f.DoneCount(), 1);
  EXPECT_EQ(out[1], 0xA1);
  EXPECT_EQ(out[2], 0xB2);
  EXPECT_EQ(f.queue.Queued(), 1);
}

TEST(SdlPlaybackQueue, RejectsWhatItCannotPlayAndClearGivesEverythingBack) {
  QueueFixture f;
  f.queue.Push(-1);
  f.queue.Push(2);
  EXPECT_EQ(f.queue.Queued(), 0);
  f.queue.Push(0);
  f.queue.Push(1);
  f.queue.Push(0);  // both already queued
  EXPECT_EQ(f.queue.Queued(), 2);
  EXPECT_EQ(f.queue.Clear(f.done), 2);
  EXPECT_EQ(f.DoneCount(), 2);

  f.queue.Detach();
  f.queue.Push(0);
  EXPECT_EQ(f.queue.Queued(), 0);
  uint8_t out[4] = {1, 2, 3, 4};
  f.queue.Fill(out, 4, f.done);
  for (uint8_t v : out) EXPECT_EQ(v, 0);
}

TEST(SdlAudioDevice, WithoutSdlAudioItFailsToOpenAndStaysUsable) {
  sdl2::SdlAudioDevice device;
  uint8_t a[8] = {}, b[8] = {};
  uint8_t* const both[WAVE_BUFFER_COUNT] = {a, b};
  ASSERT_EQ(SDL_WasInit(SDL_INIT_AUDIO), 0u);
  EXPECT_FALSE(device.open(WaveFormat{}, both, 8));
  EXPECT_FALSE(device.IsOpen());
  device.write(0);
  EXPECT_FALSE(device.waitBufferDone(1));
  device.wake();
  EXPECT_TRUE(device.waitBufferDone(0));
  device.reset();
  device.close();
}

}  // namespace
#endif
