#include "sound/sound_engine_state.h"
#include "sound/sound_tables.h"
#include "sound/tone_generator.h"
#include "sound_test_util.h"

namespace {

TEST_F(SoundEngineTest, EngineStartState) {
  for (int ch = 0; ch < SOUND_CHANNELS; ++ch) {
    const SoundChannel& c = gSoundChannels[ch];
    ASSERT_NE(c.eventCode, nullptr);
    EXPECT_EQ(c.eventCode[0], EV_STOP);
    EXPECT_EQ(c.readPos, 0);
    EXPECT_FALSE(c.playing);
    EXPECT_FALSE(c.keyOn);
    EXPECT_FALSE(c.textHeld);
    EXPECT_EQ(channelText[ch], nullptr);
  }
  EXPECT_EQ(gSoundChannels[0].attackRate, 1.0);
  EXPECT_EQ(gSoundChannels[0].envelopeRestart, 1);
  EXPECT_EQ(noiseRegister, 0x4000);
  ASSERT_NE(scratchBuffer, nullptr);
}

TEST_F(SoundEngineTest, AChannelStartedBeforeAnyTextStopsAtOnce) {
  startChannels(1, 1, 1, 1, 1, 1, 1, 1);  // no text held anywhere
  for (int ch = 0; ch < SOUND_CHANNELS; ++ch) EXPECT_FALSE(gSoundChannels[ch].playing) << ch;
  clearAllChannelText();
  startChannels(1, 1, 1, 1, 1, 1, 1, 1);
  for (int ch = 0; ch < SOUND_CHANNELS; ++ch) EXPECT_FALSE(gSoundChannels[ch].playing) << ch;
}

TEST_F(SoundEngineTest, TextsAreClearedJoinedAndReleased) {
  clearAllChannelText();
  for (int ch = 0; ch < SOUND_CHANNELS; ++ch) {
    EXPECT_TRUE(gSoundChannels[ch].textHeld);
    EXPECT_STREQ(channelText[ch], "");
  }
  appendChannelText(2, "t120");
  appendChannelText(2, "cd");
  EXPECT_STREQ(channelText[2], "t120cd");
  startChannels(0, 0, 1, 0, 0, 0, 0, 0);
  EXPECT_EQ(CompiledHex("t120cd"), "FD 78, 30 18, 32 18, FF");
  EXPECT_EQ(gSoundChannels[2].eventCode[2], 0x30);
  EXPECT_EQ(gSoundChannels[2].eventCode[4], 0x32);
  releaseChannelText(2);
  EXPECT_FALSE(gSoundChannels[2].textHeld);
  EXPECT_EQ(channelText[2], nullptr);
  EXPECT_TRUE(gSoundChannels[2].playing) << "the code plays on without its text";
  releaseChannelText(2);
  releaseAllChannelText();
  releaseAllChannelText();
  for (int ch = 0; ch < SOUND_CHANNELS; ++ch) EXPECT_FALSE(gSoundChannels[ch].textHeld);
}

TEST_F(SoundEngineTest, ClearingAHeldTextReleasesIt) {
  // Run under the address sanitizer, a replaced text left behind is a leak.
  clearAllChannelText();
  appendChannelText(1, "cdefgab");
  clearChannelText(1);
  EXPECT_STREQ(channelText[1], "");
  EXPECT_TRUE(gSoundChannels[1].textHeld);
  // Appending to a channel without a text gives it one that its release frees.
  releaseChannelText(4);
  appendChannelText(4, "c");
  EXPECT_STREQ(channelText[4], "c");
  EXPECT_TRUE(gSoundChannels[4].textHeld);
  appendChannelText(4, nullptr);
  EXPECT_STREQ(channelText[4], "c");
}

TEST_F(SoundEngineTest, ACueCutsOffTheEarlierCueOnItsChannelOnly) {
  PlayCue(0, "t120@56o4l16q7v14L crrrgrrcdrefrrrr crrrgrrcggfrerdr");
  PlayCue(6, "t120l4cx");
  RenderBuffers(3);
  const int tunePos = gSoundChannels[0].readPos;
  PlayCue(6, "t120l4ex");
  EXPECT_EQ(gSoundChannels[6].noteFrequency, PitchTable[52]);
  EXPECT_EQ(gSoundChannels[6].readPos, 4);
  EXPECT_EQ(gSoundChannels[6].envelopeRestart, 1);
  EXPECT_TRUE(gSoundChannels[0].playing);
  EXPECT_EQ(gSoundChannels[0].readPos, tunePos);
  startChannels(0, 0, 0, 0, 0, 0, 0, 0);
  EXPECT_EQ(gSoundChannels[0].readPos, tunePos);
  stopAllChannels();
  for (int ch = 0; ch < SOUND_CHANNELS; ++ch) {
    EXPECT_FALSE(gSoundChannels[ch].playing);
    EXPECT_EQ(gSoundChannels[ch].eventCode[0], EV_END);
  }
}

TEST_F(SoundEngineTest, ChannelNumbersOutsideZeroToSevenAreIgnored) {
  clearChannelText(8);
  clearChannelText(-1);
  appendChannelText(9, "c");
  releaseChannelText(100);
  for (int ch = 0; ch < SOUND_CHANNELS; ++ch) EXPECT_EQ(channelText[ch], nullptr);
}

TEST(SoundEngineLifecycle, CallsBeforeTheStartAndAfterTheStopDoNothing) {
  stopSoundEngine();
  clearAllChannelText();
  appendChannelText(0, "c");
  startChannels(1, 1, 1, 1, 1, 1, 1, 1);
  stopAllChannels();
  uint8_t buffer[WAVE_BUFFER_SIZE];
  renderMix(buffer, WAVE_BUFFER_SIZE);
  for (uint8_t b : buffer) ASSERT_EQ(b, 0);
  releaseAllChannelText();
  stopSoundEngine();
}

}  // namespace
