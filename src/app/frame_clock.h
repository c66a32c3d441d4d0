// The frame clock: turns the idle time of the message loop into game frames of
// 16 milliseconds of the tick count. RunFrame asks it once per idle call; the
// message loop asks it how long it may sleep.
#pragma once

#include <cstdint>

constexpr uint32_t FRAME_MILLISECONDS = 16;

struct FrameClock {
  bool started = false;
  // The tick count at which the most recent frame became due.
  uint32_t nextFrameTime = 0;

  // The first call only starts the clock. A frame is due when nextFrameTime +
  // 16 is not later than now; the clock then advances by exactly 16 (not to
  // now), so late frames follow back to back, one per call. The comparison is
  // made on the wrapped difference, so the clock runs on unchanged when the
  // 32-bit tick count wraps past 2^32.
  bool Start(uint32_t now);
  bool FrameDue(uint32_t now);

  // Milliseconds from now until the next frame is due; 0 when one is due now
  // or the clock has not started.
  uint32_t MillisecondsUntilDue(uint32_t now) const;
};
