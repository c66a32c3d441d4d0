#include "app/frame_clock.h"

namespace {
// True when tick a is not later than tick b, on the 32-bit circle: the two are
// never more than 2^31 milliseconds (24 days) apart.
bool NotLater(uint32_t a, uint32_t b) {
  return static_cast<uint32_t>(b - a) < 0x80000000u;
}
}  // namespace

bool FrameClock::Start(uint32_t now) {
  if (started) return false;
  started = true;
  nextFrameTime = now;
  return true;
}

bool FrameClock::FrameDue(uint32_t now) {
  const uint32_t due = nextFrameTime + FRAME_MILLISECONDS;
  if (!NotLater(due, now)) return false;
  nextFrameTime = due;
  return true;
}

uint32_t FrameClock::MillisecondsUntilDue(uint32_t now) const {
  if (!started) return 0;
  const uint32_t due = nextFrameTime + FRAME_MILLISECONDS;
  if (NotLater(due, now)) return 0;
  return due - now;
}
