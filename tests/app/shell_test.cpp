// The shell over the headless backend: start-up, the first frames, the idle
// wait and the destroy path.
#include <gtest/gtest.h>

#include "app/about_box.h"
#include "app/shell.h"
#include "gfx/image_store.h"
#include "gfx/surface.h"
#include "gfx/system_font.h"
#include "headless/headless_window.h"
#include "platform/platform.h"
#include "sound/output_stream.h"

namespace {

TEST(Shell, BlackFrameSixteenMillisecondsAfterStartAndCleanClose) {
  headless::HeadlessWindow window;
  window.SetTickCount(12345);
  ASSERT_TRUE(StartProgram(window, nullptr, ""));
  EXPECT_EQ(window.CreateCount(), 1);
  ASSERT_EQ(gImageStore.GetDrawDC().Width(), 640);
  ASSERT_EQ(gImageStore.GetDrawDC().Height(), 480);
  // Paint something so that the boot frame's clear shows.
  gImageStore.GetDrawDC().SetPixel(5, 5, 0x123456);

  RunFrame(window);  // starts the clock only
  EXPECT_EQ(window.PresentCount(), 0);
  window.Advance(15);
  RunFrame(window);
  EXPECT_EQ(window.PresentCount(), 0);
  window.Advance(1);
  RunFrame(window);
  ASSERT_EQ(window.PresentCount(), 1);
  const auto& frame = window.LastFrame();
  ASSERT_EQ(frame.size(), 640u * 480u);
  // The boot notice in the system font at the top left, black below it.
  Surface notice;
  ASSERT_TRUE(notice.Create(640, 480));
  ASSERT_TRUE(DrawSystemText(notice, 0, 0, "マスク作ってます"));
  const std::vector<uint32_t> want(notice.Pixels(), notice.Pixels() + 640 * 480);
  EXPECT_EQ(frame, want) << "the first frame is not the boot notice on black";

  // The loop sleeps the virtual clock exactly up to each due frame, then the
  // close request ends it through the destroy path.
  window.RequestClose();
  EXPECT_EQ(RunMessageLoop(window), 0);
  EXPECT_TRUE(soundOutputRunning());
  StopProgram();
  EXPECT_FALSE(gImageStore.GetDrawDC().Valid()) << "the back buffer is released on destroy";
  EXPECT_FALSE(gImageStore.Present());
  EXPECT_FALSE(soundOutputRunning());
}

TEST(Shell, AWindowThatCannotBeMadeEndsTheProgramWithTheSoundStopped) {
  headless::HeadlessWindow window;
  window.FailCreate();
  EXPECT_EQ(RunProgram(window, nullptr, ""), 0);
  EXPECT_EQ(window.CreateCount(), 1);
  EXPECT_EQ(window.PresentCount(), 0);
  EXPECT_FALSE(soundOutputRunning());
}

// A window that asks to close after a number of pumps, to watch the loop.
class CountingWindow : public headless::HeadlessWindow {
 public:
  explicit CountingWindow(int pumps) : pumps_(pumps) {}
  bool PumpEvents() override {
    if (pumps_-- <= 0) RequestClose();
    return HeadlessWindow::PumpEvents();
  }

 private:
  int pumps_;
};

TEST(Shell, IdleLoopSleepsUntilEachFrameIsDue) {
  CountingWindow window(200);
  window.SetTickCount(0);
  ShellFrameClock() = FrameClock{};
  OnWindowCreate(&window, "");
  RunMessageLoop(window);
  // 200 passes: the first starts the clock, then each pass sleeps 16 ms of
  // virtual time and runs one frame; no pass spins without sleeping.
  EXPECT_EQ(window.WaitedMilliseconds(), 16u * 200u);
  EXPECT_EQ(window.TickCount(), 16u * 200u);
}

TEST(Shell, AboutBoxClosesOnAClickOnItAndGivesBackThePictureBehindIt) {
  headless::HeadlessWindow window;
  window.SetTickCount(0);
  ASSERT_TRUE(StartProgram(window, nullptr, ""));
  gImageStore.GetDrawDC().SetPixel(320, 240, 0x123456);  // a picture under the box
  gImageStore.Present();
  const std::vector<uint32_t> before = window.LastFrame();
  const int presents = window.PresentCount();

  OpenAboutBox();
  ASSERT_TRUE(AboutBoxOpen());
  EXPECT_EQ(window.PresentCount(), presents + 1) << "the box shows at once";
  EXPECT_NE(window.LastFrame(), before);
  const AboutBoxRect r = AboutBoxBounds();
  const int misses[][2] = {
      {r.x - 1, r.y}, {r.x, r.y - 1}, {r.x + r.width, r.y}, {r.x, r.y + r.height}};
  for (const auto& m : misses) {
    AboutBoxClick(m[0], m[1]);
    EXPECT_TRUE(AboutBoxOpen()) << "a click beside the box at " << m[0] << "," << m[1];
  }
  for (const int key : {platform::VKEY_X, platform::VKEY_UP, platform::VKEY_SLASH, int{'A'}}) {
    AboutBoxKey(key);
    EXPECT_TRUE(AboutBoxOpen()) << "key " << key << " is not one of the keys that close it";
  }
  AboutBoxClick(r.x + r.width - 1, r.y + r.height - 1);
  EXPECT_FALSE(AboutBoxOpen());
  EXPECT_EQ(window.PresentCount(), presents + 2);
  EXPECT_EQ(window.LastFrame(), before);
  // Escape, Enter, Space and Z close it as the click does.
  for (const int key :
       {platform::VKEY_ESCAPE, platform::VKEY_RETURN, platform::VKEY_SPACE, platform::VKEY_Z}) {
    OpenAboutBox();
    ASSERT_TRUE(AboutBoxOpen());
    AboutBoxKey(key);
    EXPECT_FALSE(AboutBoxOpen()) << "key " << key << " leaves the box open";
    EXPECT_EQ(window.LastFrame(), before) << key;
  }
  StopProgram();
}

}  // namespace
