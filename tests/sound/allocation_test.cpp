// The mixer and the sequencer allocate nothing: every operator new in this
// test program is counted while buffers are rendered.
#include <atomic>
#include <cstdlib>
#include <new>

#include "sound_test_util.h"

// The counting operator new below hands out malloc blocks that its delete
// frees; GCC cannot see that the two are a pair.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif

namespace {
std::atomic<bool> counting{false};
std::atomic<int> allocations{0};
}  // namespace

void* operator new(std::size_t n) {
  if (counting) ++allocations;
  void* p = std::malloc(n ? n : 1);
  if (!p) throw std::bad_alloc();
  return p;
}
void* operator new[](std::size_t n) {
  return operator new(n);
}
void operator delete(void* p) noexcept {
  std::free(p);
}
void operator delete[](void* p) noexcept {
  std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
  std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
  std::free(p);
}

namespace {

TEST_F(SoundEngineTest, RenderingAndSequencerStepsAllocateNothing) {
  PlayCue(0, "t120@56o4l16q7v14L crrrgrrcdrefrrrr crrrgrrcggfrerdr");
  PlayCue(1, "@64L c16r16@80c16");
  PlayCue(2, "@48L [c:d]3 e");
  PlayCue(3, "@32m9s3L c%1d%0");
  allocations = 0;
  counting = true;
  uint8_t buffer[WAVE_BUFFER_SIZE];
  for (int b = 0; b < 30; ++b) {
    std::lock_guard<std::mutex> lock(soundEngineMutex());
    renderMix(buffer, WAVE_BUFFER_SIZE);
  }
  for (int k = 0; k < 100; ++k) stepSequencer(2);
  counting = false;
  EXPECT_EQ(allocations.load(), 0);
  // The counter does count: a cue's text is an allocation.
  counting = true;
  clearChannelText(5);
  counting = false;
  EXPECT_GT(allocations.load(), 0);
}

}  // namespace
