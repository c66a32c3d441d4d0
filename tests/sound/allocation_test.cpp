// Nothing of the game is allocated while it runs: every operator new in this
// test program is counted while buffers are rendered and while whole play
// frames run (rules, drawing, present, cues), where only the cue texts that
// the channel interface copies by design may allocate.
#include <atomic>
#include <cstdlib>
#include <new>
#include <string>

#include "app/shell.h"
#include "diag/diag.h"
#include "game/game_state.h"
#include "game/scenes.h"
#include "gfx/image_store.h"
#include "headless/headless_window.h"
#include "platform/platform.h"
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
// The sound buffers are taken with nothrow new at start-up: the same blocks.
void* operator new(std::size_t n, const std::nothrow_t&) noexcept {
  if (counting) ++allocations;
  return std::malloc(n ? n : 1);
}
void* operator new[](std::size_t n, const std::nothrow_t& tag) noexcept {
  return operator new(n, tag);
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

// How many allocations one cue on its own costs: the copy of its text.
int CueAllocations(int ch, const char* text) {
  allocations = 0;
  counting = true;
  playChannelCue(ch, text);
  counting = false;
  return allocations.load();
}

// Stage 1 from program start, through the shell: walk right pushing the block
// at (4, 1) to (5, 1), DESTROY it, walk left and down onto the item at
// (3, 4). Every play frame from the first walk on is counted on its own.
TEST(PlayFrameAllocation, APlayFrameAllocatesNothingButItsCueTexts) {
  struct Hold {
    int frames;
    int vkey;  // 0: none
  };
  const Hold script[] = {{1, 0},
                         {1, platform::VKEY_Z},
                         {2, 0},
                         {48, platform::VKEY_RIGHT},
                         {1, 0},
                         {1, platform::VKEY_X},
                         {2, 0},
                         {16, platform::VKEY_LEFT},
                         {48, platform::VKEY_DOWN},
                         {4, 0}};
  constexpr int FIRST_COUNTED = 5;
  constexpr int MAX_FRAMES = 256;
  static int perFrame[MAX_FRAMES];
  static uint32_t sceneAfter[MAX_FRAMES];
  static int32_t itemsAfter[MAX_FRAMES];
  static int32_t timeAfter[MAX_FRAMES];

  headless::HeadlessWindow window;
  StartProgramObjects(nullptr);
  OnWindowCreate(&window, VELKARI_BIN_DIR);
  RunFrame(window);
  int frame = 0;
  for (const Hold& h : script) {
    for (int k = 0; k < h.frames; ++k, ++frame) {
      window.ReleaseAllKeys();
      if (h.vkey) window.SetKey(h.vkey, true);
      window.Advance(FRAME_MILLISECONDS);
      allocations = 0;
      counting = frame + 1 >= FIRST_COUNTED;
      RunFrame(window);
      counting = false;
      perFrame[frame] = allocations.load();
      sceneAfter[frame] = Scene;
      itemsAfter[frame] = gGame.itemsLeft;
      timeAfter[frame] = gGame.timeLeft;
    }
  }
  ASSERT_TRUE(gImageStore.SlotLoaded(0) && gImageStore.SlotLoaded(1) && gImageStore.SlotLoaded(2))
      << "the frames must draw the real sheets";
  const int destroyCue = CueAllocations(6, CUE_DESTROY);
  const int itemCue = CueAllocations(7, CUE_ITEM);
  EXPECT_GT(destroyCue, 0);
  int destroys = 0, items = 0;
  for (int f = FIRST_COUNTED - 1; f < frame; ++f) {
    ASSERT_EQ(sceneAfter[f], SCENE_PLAY) << "frame " << f + 1;
    // The frame that took 5 units of time destroyed, the one that took an
    // item played its cue; every other frame allocates nothing.
    int expected = 0;
    if (timeAfter[f] == timeAfter[f - 1] - 5) {
      expected += destroyCue;
      ++destroys;
    }
    if (itemsAfter[f] == itemsAfter[f - 1] - 1) {
      expected += itemCue;
      ++items;
    }
    EXPECT_EQ(perFrame[f], expected) << "frame " << f + 1;
  }
  EXPECT_EQ(destroys, 1);
  EXPECT_EQ(items, 1);
  OnWindowDestroy();
  StopProgramObjects();
}

}  // namespace
