#include "app/frame_clock.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

// Runs the clock as the message loop does: one idle call per millisecond of
// the tick count from `start` for `ms` milliseconds; returns the tick counts
// at which frames ran.
std::vector<uint32_t> FramesOver(FrameClock& clock, uint32_t start, uint32_t ms) {
  std::vector<uint32_t> frames;
  for (uint32_t t = 0; t <= ms; ++t) {
    const uint32_t now = start + t;
    clock.Start(now);
    if (clock.FrameDue(now)) frames.push_back(now);
  }
  return frames;
}

TEST(FrameClock, FirstCallOnlyStartsTheClock) {
  FrameClock clock;
  EXPECT_TRUE(clock.Start(1000));
  EXPECT_FALSE(clock.FrameDue(1000));
  EXPECT_FALSE(clock.Start(1001)) << "only the first call starts the clock";
  EXPECT_EQ(clock.nextFrameTime, 1000u);
  for (uint32_t now = 1000; now < 1016; ++now) EXPECT_FALSE(clock.FrameDue(now)) << now;
  EXPECT_TRUE(clock.FrameDue(1016));
  EXPECT_EQ(clock.nextFrameTime, 1016u);
}

TEST(FrameClock, FramesEverySixteenMilliseconds) {
  FrameClock clock;
  const auto frames = FramesOver(clock, 5000, 160);
  ASSERT_EQ(frames.size(), 10u);
  for (size_t i = 0; i < frames.size(); ++i) EXPECT_EQ(frames[i], 5000u + 16u * (i + 1));
}

TEST(FrameClock, AdvancesBySixteenNotToNow) {
  FrameClock clock;
  clock.Start(0);
  // The loop was held up: the first idle call comes at 37 ms.
  EXPECT_TRUE(clock.FrameDue(37));
  EXPECT_EQ(clock.nextFrameTime, 16u);
  EXPECT_TRUE(clock.FrameDue(37));
  EXPECT_EQ(clock.nextFrameTime, 32u);
  EXPECT_FALSE(clock.FrameDue(37));
  EXPECT_EQ(clock.MillisecondsUntilDue(37), 11u);
  EXPECT_TRUE(clock.FrameDue(48));
}

TEST(FrameClock, OneSecondStallCatchesUpSixtyTwoFramesBackToBack) {
  FrameClock clock;
  clock.Start(0);
  int caughtUp = 0;
  // One idle call after another at the same instant, 1000 ms after the start.
  while (clock.FrameDue(1000)) ++caughtUp;
  EXPECT_EQ(caughtUp, 62);
  EXPECT_EQ(clock.nextFrameTime, 992u);
  EXPECT_EQ(clock.MillisecondsUntilDue(1000), 8u);
}

TEST(FrameClock, AtMostOneFramePerCall) {
  FrameClock clock;
  clock.Start(0);
  int frames = 0;
  for (int call = 0; call < 5; ++call) frames += clock.FrameDue(100) ? 1 : 0;
  EXPECT_EQ(frames, 5);
  EXPECT_EQ(clock.nextFrameTime, 80u);
}

TEST(FrameClock, TickCountWrapsPastTwoToTheThirtyTwo) {
  struct Case {
    uint32_t start;
  };
  // Starts so that nextFrameTime + 16, or now, or both wrap during the run.
  for (Case c : {Case{0xFFFFFF00u}, Case{0xFFFFFFF8u}, Case{0xFFFFFFF0u}, Case{0xFFFFFFFFu}}) {
    FrameClock clock;
    const auto frames = FramesOver(clock, c.start, 16 * 40);
    ASSERT_EQ(frames.size(), 40u) << std::hex << c.start;
    for (size_t i = 0; i < frames.size(); ++i) {
      EXPECT_EQ(frames[i], static_cast<uint32_t>(c.start + 16u * (i + 1))) << std::hex << c.start;
    }
  }
}

TEST(FrameClock, StallAcrossTheWrapCatchesUp) {
  FrameClock clock;
  clock.Start(0xFFFFFE00u);
  int caughtUp = 0;
  const uint32_t now = 0xFFFFFE00u + 1000u;  // wrapped to 0x1E8
  while (clock.FrameDue(now)) ++caughtUp;
  EXPECT_EQ(caughtUp, 62);
}

TEST(FrameClock, WaitNeverPastTheDueTime) {
  FrameClock clock;
  EXPECT_EQ(clock.MillisecondsUntilDue(77), 0u) << "not started: do not sleep";
  clock.Start(100);
  EXPECT_EQ(clock.MillisecondsUntilDue(100), 16u);
  EXPECT_EQ(clock.MillisecondsUntilDue(110), 6u);
  EXPECT_EQ(clock.MillisecondsUntilDue(116), 0u);
  EXPECT_EQ(clock.MillisecondsUntilDue(500), 0u);
  clock.Start(0);  // ignored
  FrameClock wrap;
  wrap.Start(0xFFFFFFFAu);
  EXPECT_EQ(wrap.MillisecondsUntilDue(0xFFFFFFFAu), 16u);
  EXPECT_EQ(wrap.MillisecondsUntilDue(2u), 8u);
}

}  // namespace
