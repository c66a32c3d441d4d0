// The SDL wave device without SDL audio: it fails to open and stays usable.
// (Built where the SDL backend is.)
#if __has_include(<SDL.h>)
#include <gtest/gtest.h>

#include "sdl2/sdl_audio.h"

namespace {

TEST(SdlAudioDevice, WithoutSdlAudioItFailsToOpenAndStaysUsable) {
  sdl2::SdlAudioDevice device;
  uint8_t a[8] = {}, b[8] = {};
  uint8_t* const both[WAVE_BUFFER_COUNT] = {a, b};
  ASSERT_EQ(SDL_WasInit(SDL_INIT_AUDIO), 0u);
  EXPECT_FALSE(device.Open(platform::WaveFormat{}, both, 8));
  EXPECT_FALSE(device.IsOpen());
  device.Write(0);
  EXPECT_FALSE(device.WaitBufferDone(1));
  device.Wake();
  EXPECT_TRUE(device.WaitBufferDone(0));
  device.Reset();
  device.Close();
}

}  // namespace
#endif
