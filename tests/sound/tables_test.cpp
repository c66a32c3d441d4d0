#include <gtest/gtest.h>

#include "sound/sound_tables.h"

namespace {

TEST(SoundTables, PitchTableMatchesItsPrintedEntries) {
  struct Row {
    int index;
    double hz;
  } rows[] = {{0, 16.351598},     {9, 27.5},         {48, 261.625565},
              {57, 440.0},        {58, 466.163762},  {69, 880.0},
              {100, 5274.040911}, {108, 8372.01809}, {109, 8869.844191}};
  for (const Row& r : rows) EXPECT_EQ(PitchTable[r.index], r.hz) << r.index;
}

TEST(SoundTables, NoiseRateTableMatchesItsPrintedEntries) {
  const double printed[16] = {447443.125,   223721.5625,  111860.78125, 55930.390625,
                              27965.195313, 18643.463542, 13982.597656, 11186.078125,
                              8860.259901,  7046.348425,  4709.927632,  3523.174213,
                              2348.782808,  1761.587106,  879.927483,   439.963741};
  for (int d = 0; d < 16; ++d) EXPECT_EQ(NoiseRateTable[d], printed[d]) << d;
}

TEST(SoundTables, PanTableMatchesItsPrintedEntries) {
  const double printed[16] = {1.0,      1.0,      0.993712, 0.974928, 0.943883, 0.900969,
                              0.846724, 0.781831, 0.707107, 0.62349,  0.532032, 0.433884,
                              0.330279, 0.222521, 0.111964, 0.0};
  for (int k = 0; k < 16; ++k) EXPECT_EQ(PanTable[k], printed[k]) << k;
}

TEST(SoundTables, VolumeTableMatchesItsPrintedEntries) {
  const double printed[16] = {0.0,      0.007813, 0.011049, 0.015625, 0.022097, 0.03125,
                              0.044194, 0.0625,   0.088388, 0.125,    0.176777, 0.25,
                              0.353553, 0.5,      0.707107, 1.0};
  for (int v = 0; v < 16; ++v) EXPECT_EQ(VolumeTable[v], printed[v]) << v;
}

TEST(SoundTables, RoundingIsHalfAwayFromZero) {
  EXPECT_EQ(RoundToMicros(0.0078125), 0.007813);
  EXPECT_EQ(RoundToMicros(-0.0078125), -0.007813);
  EXPECT_EQ(RoundToMicros(27965.1953125), 27965.195313);
}

}  // namespace
