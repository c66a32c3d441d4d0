#include <vector>

#include "sound/sound_tables.h"
#include "sound_test_util.h"

namespace {

using Codes = std::vector<int>;

TEST_F(SoundEngineTest, TicksBecomeSamplesAtTheChannelTempo) {
  gSoundChannels[0].tempo = 12000;
  EXPECT_EQ(ticksToSamples(0, 48), 22050.0);
  EXPECT_EQ(ticksToSamples(0, 12), 5512.5);
  EXPECT_EQ(ticksToSamples(0, 0), 0.0);
  // Channels 1 to 7 with tempo 0 borrow channel 0's tempo.
  gSoundChannels[3].tempo = 0;
  EXPECT_EQ(ticksToSamples(3, 48), 22050.0);
  gSoundChannels[3].tempo = 16500;
  EXPECT_EQ(ticksToSamples(3, 24), (24 * 1058400000.0) / (16500 * 192.0));
  // A zero tempo on channel 0 would divide by zero: it counts as tempo 15.
  gSoundChannels[0].tempo = 0;
  EXPECT_EQ(ticksToSamples(0, 48), (48 * 1058400000.0) / (1500 * 192.0));
}

TEST(NotePitch, InterpolatesBetweenSemitonesByHundredths) {
  struct Row {
    uint8_t note;
    int8_t detune;
    double hz;
  } rows[] = {
      {57, 0, 440.0},
      {57, 50, 466.163762 - (466.163762 - 440.0) * 50 * 0.01},
      {57, 100, 466.163762},
      {60, -50, PitchTable[60] - (PitchTable[60] - PitchTable[59]) * 50 * 0.01},
      {48, 0, 261.625565},
      {100, 0, 5274.040911},
      {101, 0, 5274.040911},
      {120, 0, 5274.040911},
      {232, 0, 5274.040911},
      {255, 0, 5274.040911},
      // Note 0 lowered: the index comes out below 0 and is read as 108.
      {0, -5, PitchTable[109] - (PitchTable[109] - PitchTable[108]) * 5 * 0.01},
      {100, 99, PitchTable[101] - (PitchTable[101] - PitchTable[100]) * 1 * 0.01},
  };
  for (const Row& r : rows) EXPECT_EQ(notePitch(r.note, r.detune), r.hz) << int(r.note);
  EXPECT_NEAR(notePitch(57, 50), 453.081881, 1e-9);
}

struct PlayCase {
  const char* text;
  Codes codes;  // notes and rests played, then the channel stops
};

class PlayOrder : public SoundEngineTest, public ::testing::WithParamInterface<PlayCase> {};

TEST_P(PlayOrder, PlaysTheseNotesThenStops) {
  const Codes played = PlayedCodes(0, GetParam().text, 64);
  EXPECT_EQ(played, GetParam().codes) << GetParam().text;
  EXPECT_FALSE(gSoundChannels[0].playing) << GetParam().text;
}

constexpr int C = 48, D = 50, E = 52, F = 53, G = 55, A = 57, B = 59;

INSTANTIATE_TEST_SUITE_P(Loops, PlayOrder,
                         ::testing::Values(PlayCase{"[c]3x", {C, C, C}}, PlayCase{"[c]0x", {C}},
                                           PlayCase{"[c]1x", {C}}, PlayCase{"[c]x", {C, C}},
                                           PlayCase{"[c:d]2x", {C, D, C}},
                                           PlayCase{"[a:b]3x", {A, B, A, B, A}},
                                           PlayCase{"[[c]2d]2x", {C, C, D, C, C, D}},
                                           PlayCase{"[c[d]3e]2x", {C, D, D, D, E, C, D, D, D, E}},
                                           PlayCase{"[c:]3x", {C, C, C}}, PlayCase{"c:dx", {C, D}},
                                           // A fifth loop start stops the channel; nothing resumes.
                                           PlayCase{"[c[d[e[f[g]]]]]x", {C, D, E, F}},
                                           PlayCase{"c]d", {C}}, PlayCase{"[[[[[c]]]]]", {}}));

INSTANTIATE_TEST_SUITE_P(EndsAndStops, PlayOrder,
                         ::testing::Values(PlayCase{"", {}}, PlayCase{"r", {0}},
                                           PlayCase{"v5r4p3", {0}}, PlayCase{"rr(x", {0, 0}},
                                           PlayCase{"cxd", {C}}, PlayCase{"o0c-d", {}},
                                           PlayCase{"_-1cx", {C}},
                                           // A loop point after the last note or rest: the return
                                           // to it would take no time, so the channel stops.
                                           PlayCase{"cL", {C}}, PlayCase{"c[L]", {C}},
                                           PlayCase{"gLv5p3q7", {G}}, PlayCase{"crL(", {C, 0}},
                                           // Nested loops that take no time stop the channel too.
                                           PlayCase{"[[[[]99]99]99]99c", {}}));

TEST_F(SoundEngineTest, ACodeWithANoteRepeatsFromTheLoopPoint) {
  EXPECT_EQ(PlayedCodes(0, "c", 5), (Codes{C, C, C, C, C}));
  EXPECT_TRUE(gSoundChannels[0].playing);
  EXPECT_EQ(gSoundChannels[0].noteCount, 9u);  // five notes, four returns
  EXPECT_EQ(PlayedCodes(1, "cdLe", 5), (Codes{C, D, E, E, E}));
  EXPECT_EQ(PlayedCodes(2, "cLr", 4), (Codes{C, 0, 0, 0}));
  EXPECT_EQ(PlayedCodes(3, "[c]2L[d:e]2", 8), (Codes{C, C, D, E, D, D, E, D}));
}

TEST_F(SoundEngineTest, FirstCodeByteDecidesAnEmptyStart) {
  stopChannel(4);  // EV_END first, no note played
  startChannel(4);
  EXPECT_FALSE(gSoundChannels[4].playing);
  markCodeEmpty(4);
  EXPECT_EQ(gSoundChannels[4].eventCode[0], EV_STOP);
  startChannel(4);
  EXPECT_FALSE(gSoundChannels[4].playing);
  EXPECT_EQ(gSoundChannels[4].readPos, 2);
}

TEST_F(SoundEngineTest, StopChannelRewindsAndEndsTheCode) {
  PlayCue(2, "cdef");
  stepSequencer(2);
  stopChannel(2);
  const SoundChannel& c = gSoundChannels[2];
  EXPECT_EQ(c.eventCode[0], EV_END);
  EXPECT_EQ(c.readPos, 0);
  EXPECT_EQ(c.loopPoint, 0);
  EXPECT_FALSE(c.playing);
  EXPECT_FALSE(c.keyOn);
}

TEST_F(SoundEngineTest, EventsSetTheChannelFields) {
  PlayCue(0, "t120.5@35v9q3h50i30j99m4n10w49p3s-5D-7_2 c");
  const SoundChannel& c = gSoundChannels[0];
  EXPECT_EQ(c.tempo, 12050);
  EXPECT_EQ(c.voice, 35);
  EXPECT_EQ(c.volume, 9);
  EXPECT_EQ(c.gate, 3);
  EXPECT_EQ(c.attackRate, (50 * 50 * 50) * 1.0306101521283646e-8);
  EXPECT_EQ(c.decayRate, 30 * 0.00001);
  EXPECT_EQ(c.sustainLevel, (99 * 0.5) * (99 * 0.5) * 0.00040812162024283236);
  EXPECT_NEAR(c.sustainLevel, 1.0, 1e-12);
  EXPECT_EQ(c.vibratoDepth, 4 * 0.0005);
  EXPECT_EQ(c.vibratoDelay, 8820u);
  EXPECT_EQ(c.filterCoefficient, 50 * 0.01);
  EXPECT_EQ(c.pan, 3);
  EXPECT_EQ(c.sweepRate, -5 * 0.0004);
  EXPECT_EQ(c.detune, -7);
  EXPECT_EQ(c.transpose, 2);
  EXPECT_EQ(c.noteFrequency, notePitch(50, -7));
  const double length = ticksToSamples(0, 24);
  EXPECT_EQ(c.waitSamples, length);
  EXPECT_EQ(c.gateSamples, 3 * length * 0.125);
  EXPECT_EQ(c.vibratoStep, 4 * 0.0005);
  EXPECT_EQ(c.vibratoCountdown, 1750);
  EXPECT_EQ(c.vibratoWait, 8820u);
}

TEST_F(SoundEngineTest, StartValuesComeBackWithEachStart) {
  PlayCue(5, "t200@3v2q2p4_5m9n9s9w9h1i1j1 c");
  PlayCue(5, "c");
  const SoundChannel& c = gSoundChannels[5];
  EXPECT_EQ(c.tempo, 16500);
  EXPECT_EQ(c.voice, 0);
  EXPECT_EQ(c.volume, 13);
  EXPECT_EQ(c.gate, 8);
  EXPECT_EQ(c.pan, 8);
  EXPECT_EQ(c.transpose, 0);
  EXPECT_EQ(c.vibratoDepth, 0.0);
  EXPECT_EQ(c.vibratoDelay, 0u);
  EXPECT_EQ(c.sweepRate, 0.0);
  EXPECT_EQ(c.filterCoefficient, 0.85);
  EXPECT_EQ(c.attackRate, 1.0);
  EXPECT_EQ(c.decayRate, 0.0);
  EXPECT_EQ(c.sustainLevel, 0.0);
  EXPECT_EQ(c.noteFrequency, PitchTable[48]);
}

TEST_F(SoundEngineTest, DetuneCarriesOverToTheNextSequence) {
  PlayCue(6, "D30c");
  PlayCue(6, "c");
  EXPECT_EQ(gSoundChannels[6].noteFrequency, notePitch(48, 30));
}

TEST_F(SoundEngineTest, VolumeStepsStayWithinZeroToFifteen) {
  PlayCue(0, "v14)))c");
  EXPECT_EQ(gSoundChannels[0].volume, 15);
  PlayCue(0, "v1(((c");
  EXPECT_EQ(gSoundChannels[0].volume, 0);
}

TEST_F(SoundEngineTest, TieGivesTheFirstNoteALongerGateAndJoinsTheSecond) {
  PlayCue(0, "s10c&dx");
  SoundChannel& c = gSoundChannels[0];
  const double length = ticksToSamples(0, 24);
  EXPECT_EQ(c.gateSamples, length + 2.0);
  EXPECT_EQ(c.tieFlag, 1);
  int16_t frame[2];
  int samples = 0;
  while (c.readPos == 6 && samples < 20000) {
    renderChannel(0, frame, 4);
    ++samples;
    ASSERT_TRUE(c.keyOn) << samples;
  }
  EXPECT_EQ(samples, static_cast<int>(length));
  EXPECT_EQ(c.noteFrequency, PitchTable[50]);
  EXPECT_FALSE(c.envelopeRestart);  // joined: no new attack
  EXPECT_NEAR(c.sweepOffset, samples * (10 * 0.0004), 1e-9) << "the sweep runs on";
}

TEST_F(SoundEngineTest, UntiedNotesWithFullGateStartFresh) {
  PlayCue(0, "s10cdx");
  SoundChannel& c = gSoundChannels[0];
  int16_t frame[2];
  while (c.readPos == 4) renderChannel(0, frame, 4);
  EXPECT_EQ(c.envelopeRestart, 1);
  EXPECT_EQ(c.sweepOffset, 0.0);
}

// Sounding samples and whole length of the first note, counted one sample at
// a time through renderChannel.
struct NoteTiming {
  int sounding = 0;
  int length = 0;
};

NoteTiming TimeFirstNote(const char* text) {
  PlayCue(0, text);
  SoundChannel& c = gSoundChannels[0];
  const int first = c.readPos;
  NoteTiming t;
  int16_t frame[2];
  while (c.readPos == first && c.playing && t.length < 100000) {
    if (c.keyOn) ++t.sounding;
    renderChannel(0, frame, 4);
    ++t.length;
  }
  return t;
}

TEST_F(SoundEngineTest, NoteLengthsDropTheirFractionAndGatesCutTheirEnd) {
  struct Row {
    const char* text;
    int sounding;
    int length;
  } rows[] = {
      {"t120l16cd", 5512, 5512},       // 5,512.5 samples
      {"t183.75q7%16cd", 4200, 4800},  // gate 7 of 4,800 samples
      {"t183.75q1%16cd", 600, 4800},
      {"t183.75q9%16cd", 4800, 4800},
      {"%0cd", 1, 1},  // a note of 0 ticks lasts one sample
      {"t120q7l32cd", 2411, 2756},
  };
  for (const Row& r : rows) {
    const NoteTiming t = TimeFirstNote(r.text);
    EXPECT_EQ(t.sounding, r.sounding) << r.text;
    EXPECT_EQ(t.length, r.length) << r.text;
  }
}

TEST_F(SoundEngineTest, GateNineJoinsConsecutiveNotes) {
  PlayCue(0, "q9cdx");
  SoundChannel& c = gSoundChannels[0];
  int16_t frame[2];
  while (c.readPos == 4) renderChannel(0, frame, 4);
  EXPECT_EQ(c.envelopeRestart, 0);
  EXPECT_TRUE(c.keyOn);
}

TEST_F(SoundEngineTest, EveryByteStringOfCodePlaysInsideTheBuffer) {
  // Code written directly, without the compiler's end marker: the reader
  // stops at the end of the buffer instead of reading past it.
  SoundChannel& c = gSoundChannels[1];
  for (int k = 0; k < EVENT_CODE_SIZE; k += 2) {
    c.eventCode[k] = EV_PAN;
    c.eventCode[k + 1] = 8;
  }
  c.eventCode[0] = 0x30;
  startChannel(1);
  stepSequencer(1);
  EXPECT_FALSE(c.playing);
  EXPECT_EQ(c.readPos, EVENT_CODE_SIZE);
}

}  // namespace
