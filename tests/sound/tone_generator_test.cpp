#include "sound/tone_generator.h"

#include <cmath>

#include "reference_voice.h"
#include "sound_test_util.h"

namespace {

// A sounding channel with the filter passing the wave unchanged, full left.
SoundChannel Sounding(uint8_t voice) {
  SoundChannel c{};
  c.voice = voice;
  c.keyOn = 1;
  c.pan = 1;
  c.filterCoefficient = 1.0;
  return c;
}

int LevelAt(uint8_t voice, double phase) {
  SoundChannel c = Sounding(voice);
  c.phase = phase;
  return generateWave(c).left;
}

TEST(Waveforms, LevelsAtTheirEdges) {
  struct Row {
    uint8_t voice;
    double phase;
    int level;
  } rows[] = {
      {0x00, 0.0, -6363},      {0x00, 22050.0, -6363}, {0x00, 22050.5, 6363},
      {0x00, 44099.0, 6363},   {0x02, 11025.0, -6363}, {0x02, 11026.0, 6363},
      {0x0F, 2594.0, -6363},   {0x0F, 2595.0, 6363},   {0x10, 2756.0, -6363},
      {0x10, 2757.0, 6363},    {0x17, 22050.0, -6363}, {0x17, 22051.0, 6363},
      {0x1F, 44099.9, -6363},  {0x20, 0.0, 12726},     {0x20, 22050.0, 0},
      {0x20, 44099.0, -12725}, {0x2F, 11025.0, 6363},  {0x30, 0.0, 0},
      {0x30, 11025.0, -8971},  {0x30, 22050.0, 0},     {0x30, 33075.0, 8971},
      {0x38, 1377.9, 0},       {0x38, 11025.0, -8971}, {0x38, 12402.0, -7851},
      {0x60, 30000.0, 0},      {0xF0, 30000.0, 0},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(LevelAt(r.voice, r.phase), r.level)
        << "voice " << int(r.voice) << " phase " << r.phase;
  }
}

TEST(Waveforms, TheSteppedTriangleHoldsEachOf32Steps) {
  for (int step = 0; step < 32; ++step) {
    const double start = step * 1378.0;
    EXPECT_EQ(LevelAt(0x38, start), LevelAt(0x38, start + 1377.5)) << step;
  }
}

TEST(Waveforms, PhaseAdvancesByTheFrequencyAndWrapsOnce) {
  SoundChannel c = Sounding(0x00);
  c.phase = 44000.0;
  c.frequency = 100.0;
  generateWave(c);
  EXPECT_EQ(c.phase, 0.0);
  c.keyOn = 0;
  c.frequency = 440.0;
  EXPECT_EQ(generateWave(c).left, 0);
  EXPECT_EQ(c.phase, 440.0);  // the phase runs on while silent
}

TEST(Filter, PanGainActsInsideTheLoop) {
  SoundChannel c = Sounding(0x1F);  // a constant -6363
  c.pan = 8;
  c.filterCoefficient = 0.85;
  StereoSample s{};
  for (int i = 0; i < 300; ++i) s = generateWave(c);
  const double settled = -6363 * 0.85 * 0.707107 / (1 - 0.15 * 0.707107);
  EXPECT_NEAR(c.filterLeft, settled, 1e-6);
  EXPECT_NEAR(settled / -6363, 0.672355, 1e-6);
  EXPECT_EQ(s.left, -4278);
  EXPECT_EQ(s.right, -4278);
}

TEST(Filter, PanPositionsSplitLeftAndRight) {
  struct Row {
    uint8_t pan;
    int left;
    int right;
  } rows[] = {{1, -6363, 0}, {15, 0, -6363},    {8, -4499, -4499},
              {0, -6363, 0}, {4, -6005, -2101}, {200, 0, 0}};
  for (const Row& r : rows) {
    SoundChannel c = Sounding(0x1F);
    c.pan = r.pan;
    const StereoSample s = generateWave(c);
    EXPECT_EQ(s.left, r.left) << int(r.pan);
    EXPECT_EQ(s.right, r.right) << int(r.pan);
  }
}

TEST(Filter, ASilentVoiceDecaysTheFilterTowardZero) {
  SoundChannel c = Sounding(0x00);
  c.filterCoefficient = 0.5;
  c.filterLeft = 4000.0;
  c.voice = 0x60;
  EXPECT_EQ(generateWave(c).left, 2000);
  EXPECT_EQ(generateWave(c).left, 1000);
  c.keyOn = 0;
  EXPECT_EQ(generateWave(c).left, 0);
  EXPECT_EQ(c.filterLeft, 1000.0);  // kept for the next note
}

TEST(Noise, TheSharedRegisterStepsAndResetsOnAChangeOfMode) {
  noiseRegister = 0x4000;
  noiseMode = 0;
  EXPECT_EQ(clockNoise(0), 0);
  EXPECT_EQ(noiseRegister, 0x2000);
  clockNoise(1);
  EXPECT_EQ(noiseMode, 1);
  EXPECT_EQ(noiseRegister, 0x2000) << "reset to 0x4000, then one step";
  clockNoise(0);
  EXPECT_EQ(noiseRegister, 0x2000);
  struct Row {
    uint8_t mode;
    int period;
  } rows[] = {{0, 32767}, {1, 93}};
  for (const Row& r : rows) {
    noiseRegister = 0x4000;
    noiseMode = r.mode;
    int n = 0;
    do {
      clockNoise(r.mode);
      ++n;
    } while (noiseRegister != 0x4000 && n < 40000);
    EXPECT_EQ(n, r.period) << int(r.mode);
  }
}

TEST(Noise, ClocksAtTheRateOfItsVariant) {
  for (int d : {0, 8, 15}) {
    noiseRegister = 0x4000;
    noiseMode = 0;
    SoundChannel c = Sounding(static_cast<uint8_t>(0x40 + d));
    int clocks = 0;
    uint16_t last = noiseRegister;
    for (int i = 0; i < 44100; ++i) {
      generateWave(c);
      // Each clock shifts the register; count the shifts by replaying them.
      while (last != noiseRegister) {
        ++clocks;
        int b = (last & 1) ^ ((last >> 1) & 1);
        last = static_cast<uint16_t>((last >> 1) | (b ? 0x4000 : 0));
      }
    }
    EXPECT_NEAR(clocks, NoiseRateTable[d], 1.0) << d;
  }
}

TEST(Envelope, AttackDecayAndSustain) {
  struct Row {
    int attack;  // MML h
    int samplesToFull;
  } rows[] = {{99, 100}, {50, 777}};
  for (const Row& r : rows) {
    SoundChannel c = Sounding(0x00);
    c.attackRate = (r.attack * r.attack * r.attack) * 1.0306101521283646e-8;
    int n = 1;
    nextEnvelopeLevel(c, 1);
    while (c.envelopePhase == ENV_ATTACK && n < 100000) {
      nextEnvelopeLevel(c, 0);
      ++n;
    }
    EXPECT_EQ(n, r.samplesToFull) << r.attack;
    EXPECT_EQ(c.envelopeLevel, 1.0);
  }
  SoundChannel c = Sounding(0x00);
  c.envelopeLevel = 1.0;
  c.envelopePhase = ENV_DECAY;
  c.decayRate = 30 * 0.00001;
  int n = 0;
  while (c.envelopePhase == ENV_DECAY) {
    nextEnvelopeLevel(c, 0);
    ++n;
  }
  EXPECT_EQ(n, 3334);
  EXPECT_EQ(c.envelopeLevel, 0.0);
  EXPECT_EQ(nextEnvelopeLevel(c, 0), 0.0);
  EXPECT_EQ(nextEnvelopeLevel(c, 1), c.attackRate) << "a restart begins a fresh attack";
}

TEST(Envelope, ZeroAttackIsSilentAndTrianglesHaveNone) {
  SoundChannel c = Sounding(0x00);
  c.attackRate = 0.0;
  for (int i = 0; i < 1000; ++i) EXPECT_EQ(nextEnvelopeLevel(c, i == 0), 0.0);
  c.voice = 0x30;
  EXPECT_EQ(nextEnvelopeLevel(c, 1), 1.0);
}

TEST(Modulation, SweepIsClampedToTheAudibleRange) {
  SoundChannel c{};
  c.noteFrequency = 100.0;
  c.sweepRate = -50.0;
  modulateFrequency(c);
  modulateFrequency(c);
  modulateFrequency(c);
  EXPECT_EQ(c.frequency, 0.0);
  c.sweepRate = 30000.0;
  modulateFrequency(c);
  EXPECT_EQ(c.frequency, 20000.0);
}

TEST(Modulation, VibratoIsATriangleOf7000Samples) {
  SoundChannel c{};
  c.noteFrequency = 440.0;
  c.vibratoStep = 0.001;
  c.vibratoCountdown = 1750;
  c.vibratoWait = 3;
  modulateFrequency(c);
  modulateFrequency(c);
  EXPECT_EQ(c.vibratoOffset, 0.0) << "waits out the delay";
  int n = 2;
  double high = 0, low = 0;
  for (; n < 7002; ++n) {
    modulateFrequency(c);
    high = std::fmax(high, c.vibratoOffset);
    low = std::fmin(low, c.vibratoOffset);
  }
  EXPECT_NEAR(high, 1.75, 1e-9);
  EXPECT_NEAR(low, -1.75, 1e-9);
  EXPECT_NEAR(c.vibratoOffset, 0.0, 1e-9);
  EXPECT_NEAR(c.frequency, 440.0, 1e-9);
}

}  // namespace
