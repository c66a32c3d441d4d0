// The mixer's render loop keeps a channel in local variables and clocks the
// noise in batches; these cases hold it to the sample-by-sample order of the
// generator, the modulation, the envelope and the note timers.
#include <random>

#include "sound/tone_generator.h"
#include "sound_test_util.h"

namespace {

// One channel rendered by the parts in their order, one sample at a time.
void ReferenceRender(int ch, int16_t* samples, int frames) {
  SoundChannel& c = soundChannels[ch];
  for (int i = 0; i < frames; ++i) {
    const StereoSample s = generateWave(c);
    modulateFrequency(c);
    const uint8_t restart = c.envelopeRestart;
    const double e = nextEnvelopeLevel(c, restart);
    if (restart) c.envelopeRestart = 0;
    const double gain = VolumeTable[c.volume];
    samples[2 * i] = TruncToSample(s.left * gain * e);
    samples[2 * i + 1] = TruncToSample(s.right * gain * e);
    if (c.playing) {
      c.waitSamples = c.waitSamples - 1;
      c.gateSamples = c.gateSamples - 1;
      if (c.gateSamples < 1.0 && c.tieFlag == 0) {
        if (c.voice == VOICE_HELD_TRIANGLE) {
          c.frequency = 0.0;
          c.keyOn = 1;
        } else {
          c.keyOn = 0;
        }
      }
      if (c.waitSamples < 1.0) stepSequencer(ch);
    }
  }
}

std::vector<int16_t> Render(const char* text, bool reference, int buffers) {
  startSoundEngine();
  PlayCue(2, text);
  std::vector<int16_t> out(static_cast<size_t>(buffers) * 3000);
  for (int b = 0; b < buffers; ++b) {
    int16_t* at = out.data() + static_cast<size_t>(b) * 3000;
    if (reference) {
      ReferenceRender(2, at, 1500);
    } else {
      renderChannel(2, at, WAVE_BUFFER_SIZE);
    }
  }
  return out;
}

TEST(RenderLoop, MatchesThePartsSampleForSample) {
  const char* texts[] = {
      "t120@56o4l16q7v14L crrrgrrcdrefrrrr crrrgrrcggfrerdr",
      "t120@2o6l32q7v14i35 gecx",
      "t150@0o4l16q7v13h50 m30ceg>ceg>cx",
      "t120@0o4l32q7v14i5s+30 g8x",
      "t120@78o4l32q7v14i5 g2x",
      "t120@0o4l32q7v14i5 s-40g2x",
      "t120@2o4l16q7v14i30 cdefgab>cccccx",
      "@64v15L c8r8@68c8@79c8",
      "@80p3L c8@64c8@95c8",
      "@32m40n5w30 L c4d4e4",
      "@48h20i50j30 c4.&d8e2",
      "@60q9 cdefg @17 cdefg @31 cdefg @40 c",
      "@1p1w99 v15 s99 c1 s-99 c1",
      "@3h1i99j99 l64 [c d e f g a b]9",
      "@56q1 l8 crcr",
      "t255.99@33D-50_12 c+d-e",
  };
  for (const char* text : texts) {
    const std::vector<int16_t> fast = Render(text, false, 24);
    const uint16_t fastNoise = noiseRegister;
    const SoundChannel fastEnd = soundChannels[2];
    const std::vector<int16_t> slow = Render(text, true, 24);
    ASSERT_EQ(fast, slow) << text;
    EXPECT_EQ(fastNoise, noiseRegister) << text;
    const SoundChannel& slowEnd = soundChannels[2];
    EXPECT_EQ(fastEnd.phase, slowEnd.phase) << text;
    EXPECT_EQ(fastEnd.filterLeft, slowEnd.filterLeft) << text;
    EXPECT_EQ(fastEnd.envelopeLevel, slowEnd.envelopeLevel) << text;
    EXPECT_EQ(fastEnd.noisePhase, slowEnd.noisePhase) << text;
    EXPECT_EQ(fastEnd.vibratoOffset, slowEnd.vibratoOffset) << text;
    EXPECT_EQ(fastEnd.readPos, slowEnd.readPos) << text;
  }
  stopSoundEngine();
}

TEST(RenderLoop, BatchedNoiseClocksEqualSingleClocks) {
  std::mt19937 random(7);
  for (int round = 0; round < 2000; ++round) {
    const uint16_t start = static_cast<uint16_t>(random() & 0x7FFF);
    const uint8_t mode = static_cast<uint8_t>(random() & 1);
    const uint8_t previousMode = static_cast<uint8_t>(random() & 1);
    const int count = 1 + static_cast<int>(random() % 40);
    noiseRegister = start;
    noiseMode = previousMode;
    int single = 0;
    for (int k = 0; k < count; ++k) single = clockNoise(mode);
    const uint16_t expected = noiseRegister;
    noiseRegister = start;
    noiseMode = previousMode;
    EXPECT_EQ(clockNoiseTimes(mode, count), single) << round;
    EXPECT_EQ(noiseRegister, expected) << round;
  }
}

}  // namespace
