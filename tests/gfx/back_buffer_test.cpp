#include <gtest/gtest.h>

#include <vector>

#include "gfx/image_store.h"
#include "platform/platform.h"

namespace {

// A window that only records what reaches it.
class RecordingWindow : public platform::Window {
 public:
  bool Create() override { return true; }
  uint32_t TickCount() override { return 0; }
  bool PumpEvents() override { return true; }
  void WaitForEvent(uint32_t) override {}
  void Present(const uint32_t* pixels, int width, int height) override {
    ++presents;
    w = width;
    h = height;
    frame.assign(pixels, pixels + width * height);
  }
  void ReadKeyboard(uint8_t keys[256]) override {
    for (int i = 0; i < 256; ++i) keys[i] = 0;
  }
  uint32_t ReadJoystick(platform::JoystickReading*) override {
    return platform::JOYSTICK_UNPLUGGED;
  }

  int presents = 0;
  int w = 0, h = 0;
  std::vector<uint32_t> frame;
};

TEST(BackBuffer, CreateMakesA640By480SurfaceWithEverySlotEmpty) {
  RecordingWindow window;
  ImageStore store;
  EXPECT_TRUE(store.Create("", &window));
  EXPECT_EQ(store.GetDrawDC().Width(), 640);
  EXPECT_EQ(store.GetDrawDC().Height(), 480);
  for (int slot = 0; slot < SHEET_SLOTS; ++slot) EXPECT_FALSE(store.SlotLoaded(slot));
  EXPECT_TRUE(store.Destroy());
}

TEST(BackBuffer, ClearThenPresentShowsAllBlackInOneCopy) {
  RecordingWindow window;
  ImageStore store;
  store.Create("", &window);
  Surface& dc = store.GetDrawDC();
  dc.SetPixel(0, 0, 0x00FFFFFF);
  dc.SetPixel(639, 479, 0x000000FF);
  dc.SetPixel(320, 240, 0x00123456);
  EXPECT_TRUE(store.Clear());
  EXPECT_TRUE(store.Present());
  ASSERT_EQ(window.presents, 1);
  EXPECT_EQ(window.w, 640);
  EXPECT_EQ(window.h, 480);
  ASSERT_EQ(window.frame.size(), 640u * 480u);
  for (uint32_t px : window.frame) ASSERT_EQ(px, 0u);
  store.Destroy();
}

TEST(BackBuffer, PresentCopiesEveryPixelAsDrawn) {
  RecordingWindow window;
  ImageStore store;
  store.Create("", &window);
  Surface& dc = store.GetDrawDC();
  for (int y = 0; y < 480; ++y)
    for (int x = 0; x < 640; ++x)
      dc.SetPixel(x, y, static_cast<uint32_t>((x * 7 + y * 13) & 0xFFFFFF));
  store.Present();
  ASSERT_EQ(window.frame.size(), 640u * 480u);
  EXPECT_EQ(window.frame[0], 0u);
  EXPECT_EQ(window.frame[639], static_cast<uint32_t>(639 * 7));
  EXPECT_EQ(window.frame[479 * 640 + 639], static_cast<uint32_t>(639 * 7 + 479 * 13));
  store.Destroy();
}

TEST(BackBuffer, NothingDrawsOrPresentsBeforeCreateOrAfterDestroy) {
  RecordingWindow window;
  ImageStore store;
  EXPECT_FALSE(store.Clear());
  EXPECT_FALSE(store.Present());
  store.Create("", &window);
  EXPECT_TRUE(store.Destroy());
  EXPECT_FALSE(store.Clear());
  EXPECT_FALSE(store.Present());
  EXPECT_EQ(window.presents, 0);
  EXPECT_FALSE(store.GetDrawDC().Valid());
}

TEST(Surface, PixelAccessOutsideIsRefusedAndColoursKeepTwentyFourBits) {
  Surface s;
  EXPECT_FALSE(s.Create(0, 10));
  EXPECT_FALSE(s.Valid());
  EXPECT_EQ(s.GetPixel(0, 0), CLR_INVALID);
  ASSERT_TRUE(s.Create(4, 3));
  s.SetPixel(3, 2, 0xFF00FF00u);
  EXPECT_EQ(s.GetPixel(3, 2), 0x0000FF00u);
  s.SetPixel(-1, 0, 1);
  s.SetPixel(4, 0, 1);
  s.SetPixel(0, 3, 1);
  EXPECT_EQ(s.GetPixel(4, 0), CLR_INVALID);
  EXPECT_EQ(s.GetPixel(0, -1), CLR_INVALID);
  int nonzero = 0;
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 4; ++x) nonzero += s.GetPixel(x, y) != 0;
  EXPECT_EQ(nonzero, 1);
}

}  // namespace
