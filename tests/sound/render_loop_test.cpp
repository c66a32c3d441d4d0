// The mixer renders a buffer in two passes, in runs and stretches, and clocks
// the noise in batches; these cases hold it to the reference model
// (reference_voice.h), sample by sample in the order of the generator, the
// modulation, the envelope and the note timers.
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "reference_voice.h"
#include "sound/tone_generator.h"
#include "sound_test_util.h"

namespace {

// The state a channel is left in after the same frames rendered both ways:
// generator, filter, envelope, modulation, note timers and read position.
void ExpectSameEndState(const SoundChannel& fast, const SoundChannel& slow,
                        const std::string& what) {
  EXPECT_EQ(fast.phase, slow.phase) << what;
  EXPECT_EQ(fast.filterLeft, slow.filterLeft) << what;
  EXPECT_EQ(fast.filterRight, slow.filterRight) << what;
  EXPECT_EQ(fast.envelopeLevel, slow.envelopeLevel) << what;
  EXPECT_EQ(fast.envelopePhase, slow.envelopePhase) << what;
  EXPECT_EQ(fast.noisePhase, slow.noisePhase) << what;
  EXPECT_EQ(fast.noiseOutput, slow.noiseOutput) << what;
  EXPECT_EQ(fast.frequency, slow.frequency) << what;
  EXPECT_EQ(fast.vibratoOffset, slow.vibratoOffset) << what;
  EXPECT_EQ(fast.vibratoWait, slow.vibratoWait) << what;
  EXPECT_EQ(fast.vibratoCountdown, slow.vibratoCountdown) << what;
  EXPECT_EQ(std::signbit(fast.vibratoStep), std::signbit(slow.vibratoStep)) << what;
  EXPECT_EQ(fast.keyOn, slow.keyOn) << what;
  EXPECT_EQ(fast.waitSamples, slow.waitSamples) << what;
  EXPECT_EQ(fast.gateSamples, slow.gateSamples) << what;
  EXPECT_EQ(fast.readPos, slow.readPos) << what;
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

TEST(RenderLoop, MatchesTheReferenceSampleForSample) {
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
      // Gates that end long before the next step, slow and stalled attacks,
      // a decay that never reaches its sustain level, vibrato after a delay
      // and notes longer than many buffers.
      "@0q1 l1 cr c",
      "@56q1 l2 c r2. c",
      "@3h1 l1 c c",
      "@3h0 l4 c d",
      "@5h99i1j99 l2 c e",
      "@40m12n40 l1 c&c",
      "t1@0 c",
      "@0 v15 l64 q8 [c r]20 c1",
      // A sweep without vibrato on the held triangle, whose frequency drops
      // to 0 at the end of the gate.
      "@56q2 s99 o7 l2 c c",
  };
  for (const char* text : texts) {
    const std::vector<int16_t> fast = Render(text, false, 24);
    const uint16_t fastNoise = noiseRegister;
    const SoundChannel fastEnd = gSoundChannels[2];
    const std::vector<int16_t> slow = Render(text, true, 24);
    ASSERT_EQ(fast, slow) << text;
    EXPECT_EQ(fastNoise, noiseRegister) << text;
    ExpectSameEndState(fastEnd, gSoundChannels[2], text);
  }
  stopSoundEngine();
}

// Eight channels rendered by the reference one after another (so the shared
// noise register is clocked in channel order) and summed with 16-bit
// wrap-around, as a buffer of the mixer.
void ReferenceMix(int16_t* samples) {
  static int16_t one[2 * WAVE_BUFFER_FRAMES];
  for (int k = 0; k < 2 * WAVE_BUFFER_FRAMES; ++k) samples[k] = 0;
  for (int ch = 0; ch < 8; ++ch) {
    ReferenceRender(ch, one, WAVE_BUFFER_FRAMES);
    for (int k = 0; k < 2 * WAVE_BUFFER_FRAMES; ++k) {
      samples[k] = static_cast<int16_t>(static_cast<uint16_t>(samples[k] + one[k]));
    }
  }
}

std::vector<int16_t> Mix(const std::vector<std::string>& texts, bool reference, int buffers) {
  startSoundEngine();
  for (int ch = 0; ch < 8; ++ch) PlayCue(ch, texts[static_cast<size_t>(ch)].c_str());
  if (!reference) return RenderBuffers(buffers);
  std::vector<int16_t> out(static_cast<size_t>(buffers) * 2 * WAVE_BUFFER_FRAMES);
  for (int b = 0; b < buffers; ++b) ReferenceMix(out.data() + static_cast<size_t>(b) * 3000);
  return out;
}

// No MML text gives a filter coefficient above 1 or a filter far outside the
// 16-bit range, but the record can hold them: the mixer then truncates with
// every check, sample for sample like the reference, in a mix with ordinary
// channels beside it.
TEST(RenderLoop, FilterBeyondSixteenBitsMatchesTheReference) {
  struct Case {
    double coefficient;
    double left;
    double right;
  };
  const Case cases[] = {
      {1.95, 0.0, 0.0},           // rings past 16 bits on every edge of the pulse
      {0.85, 90000.0, -70000.0},  // starts outside and decays into range
      {2.5, 1.0, -1.0},           // unstable: grows until the values leave int range
      {-0.5, 40000.0, 0.0},
  };
  for (const Case& k : cases) {
    std::vector<int16_t> out[2];
    SoundChannel end[2];
    for (int pass = 0; pass < 2; ++pass) {
      startSoundEngine();
      PlayCue(2, "@0v15p8L c8e8");
      PlayCue(5, "@32v12L o5c4");
      for (int ch : {2, 5}) {
        gSoundChannels[ch].filterCoefficient = k.coefficient;
        gSoundChannels[ch].filterLeft = k.left;
        gSoundChannels[ch].filterRight = k.right;
      }
      if (pass == 0) {
        out[pass] = RenderBuffers(4);
      } else {
        out[pass].resize(4 * 2 * WAVE_BUFFER_FRAMES);
        for (int b = 0; b < 4; ++b) ReferenceMix(out[pass].data() + b * 2 * WAVE_BUFFER_FRAMES);
      }
      end[pass] = gSoundChannels[2];
    }
    EXPECT_EQ(out[0], out[1]) << k.coefficient;
    ExpectSameEndState(end[0], end[1], std::to_string(k.coefficient));
  }
  stopSoundEngine();
}

// A random tune over every voice family and the settings that change the
// filter, the pan, the envelope and the timing between notes.
std::string RandomText(std::mt19937& random) {
  const char* voices[] = {"@0",  "@3",  "@17", "@31", "@32", "@40", "@48", "@56", "@63",
                          "@64", "@70", "@79", "@80", "@87", "@95", "@96", "@112"};
  const char* settings[] = {"p1",  "p8",  "p15",  "w0",  "w99", "w40", "q1",   "q8",  "q4",
                            "s5",  "s-9", "s0",   "m20", "m0",  "n3",  "h1",   "h99", "i50",
                            "j30", "i0",  "t255", "t60", "l64", "l8",  "D-30", "D20", "_5",
                            "v0",  "v15", "v7",   "(",   ")",   "o2",  "o7"};
  const char* notes[] = {"c", "d+", "e", "f", "g-", "a", "b", "r", "c&", "e&", "r8", "c64", "g2"};
  std::string text = "L";
  const int tokens = 4 + static_cast<int>(random() % 20);
  for (int t = 0; t < tokens; ++t) {
    switch (random() % 4) {
      case 0:
        text += voices[random() % (sizeof voices / sizeof *voices)];
        break;
      case 1:
        text += settings[random() % (sizeof settings / sizeof *settings)];
        break;
      default:
        text += notes[random() % (sizeof notes / sizeof *notes)];
        break;
    }
    text += ' ';
  }
  return text + "c";
}

TEST(RenderLoop, MixMatchesTheReferenceChannelByChannel) {
  std::vector<std::vector<std::string>> sets = {
      {"t120@56o4l16q7v14L crrrgrrcdrefrrrr crrrgrrcggfrerdr", "t120@64v10L o4c8r8c16c16",
       "t120@80v9p4L o4c16c16r8", "t120@48v12L o3c4e4g4", "t120@56v12q6L o2c8g8",
       "t120@32v10m20w60L o5c4d4", "t120@2v10s5p12L o5e4g4", "t120@17h50i20j40p3L o6g8a8"},
      // Every channel noise, so the register is shared all the way through.
      {"@64L c16", "@80L c32", "@71p1 L c8r8", "@95p15L c16&c16", "@64w0L c", "@79w99L c4",
       "@88q1L c64", "@64s9L c"},
      // Short notes: a sequencer step every few hundred samples everywhere.
      {"t255l64L cdefgab", "t255@56l64q1L cr", "t255@32l64p1L c&d", "t255@80l64L cc",
       "t255@17l64w0L ce", "t255@3l64p15L cg", "t255@112l64L c", "t255@40l64h1L ab"},
      // Channels that stop part way and leave the rest stopped.
      {"@0 c16x", "@56 c16 x", "", "@64 c32x", "@32 l64 cx", "x", "@48l32 ccx", "@2 c"},
      // One or two channels sounding, the others silent all through.
      {"", "", "", "@56p3w20L c8r8", "", "", "", ""},
      {"@80L c16", "", "", "", "", "", "@32p15s9L c", ""},
  };
  std::mt19937 random(11);
  for (int n = 0; n < 24; ++n) {
    std::vector<std::string> set;
    for (int ch = 0; ch < 8; ++ch) set.push_back(RandomText(random));
    sets.push_back(set);
  }
  // Both the AVX2 loops (where the processor has them) and the others.
  for (const bool wide : {true, false}) {
    UseWideMixLoops(wide);
    for (const std::vector<std::string>& set : sets) {
      const std::vector<int16_t> fast = Mix(set, false, 6);
      const uint16_t fastNoise = noiseRegister;
      SoundChannel fastEnd[8];
      for (int ch = 0; ch < 8; ++ch) fastEnd[ch] = gSoundChannels[ch];
      const std::vector<int16_t> slow = Mix(set, true, 6);
      ASSERT_EQ(fast, slow) << "wide " << wide << ": " << set[0] << " | " << set[1] << " | "
                            << set[7];
      EXPECT_EQ(fastNoise, noiseRegister) << set[0];
      for (int ch = 0; ch < 8; ++ch) ExpectSameEndState(fastEnd[ch], gSoundChannels[ch], set[ch]);
    }
  }
  UseWideMixLoops(true);
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
