#include <cmath>

#include "sound/sound_tables.h"
#include "sound/tone_generator.h"
#include "sound_test_util.h"

namespace {

int Left(const std::vector<int16_t>& s, int frame) {
  return s[2 * frame];
}
int Right(const std::vector<int16_t>& s, int frame) {
  return s[2 * frame + 1];
}

TEST_F(SoundEngineTest, AllChannelsStoppedGiveSilence) {
  for (int16_t v : RenderBuffers(2)) ASSERT_EQ(v, 0);
  PlayCue(3, "cx");
  stopAllChannels();
  for (int16_t v : RenderBuffers(1)) ASSERT_EQ(v, 0);
}

TEST_F(SoundEngineTest, VolumeScalesAFullLeftPulse) {
  struct Row {
    const char* text;
    int level;
  } rows[] = {{"v15p1w99 c", 6363}, {"v13p1w99 c", 3181}, {"v0p1w99 c", 0}, {"p1w99 c", 3181}};
  for (const Row& r : rows) {
    startSoundEngine();
    PlayCue(0, r.text);
    const std::vector<int16_t> s = RenderBuffers(1);
    for (int f = 0; f < WAVE_BUFFER_FRAMES; ++f) {
      ASSERT_EQ(std::abs(Left(s, f)), r.level) << r.text << " frame " << f;
      ASSERT_EQ(Right(s, f), 0) << r.text;
    }
  }
}

TEST_F(SoundEngineTest, ChannelSumsWrapAroundInsteadOfClipping) {
  // Each sawtooth starts at phase 0: +12726 on the first sample.
  for (int ch = 0; ch < 8; ++ch) PlayCue(ch, "@32v15p1w99 c");
  const std::vector<int16_t> s = RenderBuffers(1);
  EXPECT_EQ(Left(s, 0), 101808 - 131072);
  EXPECT_EQ(Right(s, 0), 0);
}

TEST_F(SoundEngineTest, HeldTriangleKeepsItsLevelThroughARest) {
  PlayCue(0, "@56v15p1w99 t120l16 c r c");
  const int noteSamples = 5512;
  const std::vector<int16_t> s = RenderBuffers(8);
  const int last = Left(s, noteSamples - 1);
  EXPECT_NE(last, 0);
  EXPECT_EQ(Left(s, noteSamples), 0) << "the rest clears keyOn for one sample";
  for (int f = noteSamples + 1; f < 2 * noteSamples; ++f) ASSERT_EQ(Left(s, f), last) << f;
}

TEST_F(SoundEngineTest, OtherVoicesFallSilentAtKeyOff) {
  PlayCue(0, "@0v15p1w99 t120l16q4 c r");
  const std::vector<int16_t> s = RenderBuffers(4);
  for (int f = 0; f < 2756; ++f) ASSERT_NE(Left(s, f), 0) << f;
  for (int f = 2756; f < 5512; ++f) ASSERT_EQ(Left(s, f), 0) << f;
}

TEST_F(SoundEngineTest, PartialBuffersMixOnlyWholeFrames) {
  PlayCue(0, "v15p1w99 c");
  uint8_t small[7];
  std::memset(small, 0xAA, sizeof small);
  {
    std::lock_guard<std::mutex> lock(soundEngineMutex());
    renderMix(small, 6);
    renderMix(small, 0);
    renderMix(nullptr, WAVE_BUFFER_SIZE);
  }
  EXPECT_EQ(static_cast<int16_t>(small[0] | small[1] << 8), -6363);
  EXPECT_EQ(small[4], 0);
  EXPECT_EQ(small[5], 0);
  EXPECT_EQ(small[6], 0xAA);
}

// The item cue of the game: three notes falling from 1568 Hz, each 2756
// samples long and sounding for seven eighths of it.
TEST_F(SoundEngineTest, ItemCueRendersThreeFallingNotes) {
  PlayCue(7, "t120@2o6l32q7v14i35 gecx");
  const std::vector<int16_t> s = RenderBuffers(6);
  const int frames = static_cast<int>(s.size() / 2);
  const double pitches[3] = {PitchTable[79], PitchTable[76], PitchTable[72]};
  EXPECT_NEAR(pitches[0], 1568.0, 0.05);
  for (int n = 0; n < 3; ++n) {
    const int start = n * 2756;
    int sounding = 0;
    int crossings = 0;
    for (int f = start; f < start + 2756; ++f) {
      if (Left(s, f) != 0) ++sounding;
      if (f > start && Left(s, f) != 0 && Left(s, f - 1) != 0 &&
          (Left(s, f) < 0) != (Left(s, f - 1) < 0)) {
        ++crossings;
      }
      ASSERT_EQ(Left(s, f), Right(s, f)) << "centred";
    }
    EXPECT_EQ(sounding, 2411) << "note " << n;  // 7/8 of 2756.25
    for (int f = start; f < start + 2411; ++f) ASSERT_NE(Left(s, f), 0) << f;
    const double hz = crossings / 2.0 / (2411 / 44100.0);
    EXPECT_NEAR(hz, pitches[n], pitches[n] * 0.02) << "note " << n;
  }
  for (int f = 3 * 2756; f < frames; ++f) ASSERT_EQ(Left(s, f), 0) << f;
  EXPECT_FALSE(gSoundChannels[7].playing);
}

TEST_F(SoundEngineTest, RenderingIsTheSameOnEveryRun) {
  auto render = [] {
    startSoundEngine();
    PlayCue(0, "t120@56o4l16q7v14L crrrgrrcdrefrrrr crrrgrrcggfrerdr");
    PlayCue(5, "@69v12L[c8d8]3e4");
    PlayCue(6, "@85v12s-9L c4");
    PlayCue(7, "t150@0o4l16q7v13h50 m30ceg>ceg>cx");
    return RenderBuffers(40);
  };
  const std::vector<int16_t> first = render();
  EXPECT_EQ(render(), first);
  bool anySound = false;
  for (int16_t v : first) anySound = anySound || v != 0;
  EXPECT_TRUE(anySound);
}

}  // namespace
