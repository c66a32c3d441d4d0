// The synthesizer's constant tables, computed once at program start from
// their rules and rounded to six decimals: note frequencies, noise clock
// rates, the cosine pan law and the 3 dB volume steps. Read by the sequencer,
// the tone generators and the mixer on every sample.
#pragma once

#include <array>

constexpr int PITCH_TABLE_SIZE = 110;

// Equal temperament, index 57 at 440 Hz.
extern const std::array<double, PITCH_TABLE_SIZE> PitchTable;
// 1,789,772.5 Hz divided by the sixteen noise periods.
extern const std::array<double, 16> NoiseRateTable;
// Entry 0 is 1.0; entry k is cos((k - 1) pi / 28).
extern const std::array<double, 16> PanTable;
// Entry 0 is silence; entry v is 2^((v - 15) / 2).
extern const std::array<double, 16> VolumeTable;

// Rounds half away from zero to six decimals, as every table is printed.
double RoundToMicros(double x);
