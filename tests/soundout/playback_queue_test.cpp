// The playback queue of the devices that are asked for samples by a
// callback: buffers play in the order queued, each finished one is handed
// back once, and a queue that runs dry plays silence.
#include "common/playback_queue.h"

#include <gtest/gtest.h>

#include <cstring>
#include <utility>
#include <vector>

namespace {

struct QueueFixture {
  uint8_t a[8];
  uint8_t b[8];
  uint8_t* const both[WAVE_BUFFER_COUNT] = {a, b};
  PlaybackQueue queue;
  int done = 0;
  std::vector<const uint8_t*> played;
  QueueFixture() {
    std::memset(a, 0xA1, sizeof a);
    std::memset(b, 0xB2, sizeof b);
    queue.Attach(both, 8);
  }
  // What Fill hands its callback: count it, and which buffer it was.
  void Fill(uint8_t* out, int bytes) {
    queue.Fill(out, bytes, [this](const uint8_t* buffer) {
      ++done;
      played.push_back(buffer);
    });
  }
  int DoneCount() { return std::exchange(done, 0); }
};

// Callback sizes that split the 8-byte buffers differently; the stream that
// comes out must be the same.
TEST(PlaybackQueue, PlaysBuffersInOrderWhateverTheCallbackSize) {
  for (const int chunk : {8, 3, 16, 5}) {
    SCOPED_TRACE(chunk);
    QueueFixture f;
    f.queue.Push(1);
    f.queue.Push(0);
    std::vector<uint8_t> out;
    while (out.size() < 24) {
      std::vector<uint8_t> piece(chunk, 0x55);
      f.Fill(piece.data(), chunk);
      out.insert(out.end(), piece.begin(), piece.end());
    }
    for (size_t k = 0; k < 24; ++k) {
      const uint8_t want = k < 8 ? 0xB2 : k < 16 ? 0xA1 : 0x00;
      ASSERT_EQ(out[k], want) << k;
    }
    EXPECT_EQ(f.DoneCount(), 2);
    EXPECT_EQ(f.played, (std::vector<const uint8_t*>{f.b, f.a}));
    EXPECT_EQ(f.queue.Queued(), 0);
  }
}

TEST(PlaybackQueue, SignalsOnlyWhenABufferHasPlayedToItsEnd) {
  QueueFixture f;
  f.queue.Push(0);
  uint8_t out[6];
  f.Fill(out, 6);
  EXPECT_EQ(f.DoneCount(), 0) << "buffer 0 is still being read";
  f.queue.Push(1);
  f.Fill(out, 6);
  EXPECT_EQ(f.DoneCount(), 1);
  EXPECT_EQ(out[1], 0xA1);
  EXPECT_EQ(out[2], 0xB2);
  EXPECT_EQ(f.queue.Queued(), 1);
}

TEST(PlaybackQueue, RejectsWhatItCannotPlayAndClearGivesEverythingBack) {
  QueueFixture f;
  f.queue.Push(-1);
  f.queue.Push(2);
  EXPECT_EQ(f.queue.Queued(), 0);
  f.queue.Push(0);
  f.queue.Push(1);
  f.queue.Push(0);  // both already queued
  EXPECT_EQ(f.queue.Queued(), 2);
  EXPECT_EQ(f.queue.Clear(), 2);
  EXPECT_EQ(f.queue.Queued(), 0);

  f.queue.Detach();
  f.queue.Push(0);
  EXPECT_EQ(f.queue.Queued(), 0);
  uint8_t out[4] = {1, 2, 3, 4};
  f.Fill(out, 4);
  for (uint8_t v : out) EXPECT_EQ(v, 0);
}

// The page's device refills a buffer from the callback as it ends; the
// refill plays on within the same call.
TEST(PlaybackQueue, ABufferQueuedAsAnotherEndsPlaysOnInTheSameCall) {
  QueueFixture f;
  f.queue.Push(0);
  uint8_t out[20];
  f.queue.Fill(out, 20, [&f](const uint8_t* buffer) {
    if (buffer == f.a) f.queue.Push(1);
  });
  for (int k = 0; k < 20; ++k) ASSERT_EQ(out[k], k < 8 ? 0xA1 : k < 16 ? 0xB2 : 0x00) << k;
}

}  // namespace
