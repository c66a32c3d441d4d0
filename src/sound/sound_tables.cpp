#include "sound/sound_tables.h"

#include <cmath>

double RoundToMicros(double x) {
  return std::round(x * 1e6) / 1e6;
}

namespace {

std::array<double, PITCH_TABLE_SIZE> MakePitchTable() {
  std::array<double, PITCH_TABLE_SIZE> t{};
  for (int i = 0; i < PITCH_TABLE_SIZE; ++i) {
    t[i] = RoundToMicros(440.0 * std::pow(2.0, (i - 57) / 12.0));
  }
  return t;
}

std::array<double, 16> MakeNoiseRateTable() {
  constexpr int periods[16] = {4,   8,   16,  32,  64,  96,   128,  160,
                               202, 254, 380, 508, 762, 1016, 2034, 4068};
  std::array<double, 16> t{};
  for (int d = 0; d < 16; ++d) t[d] = RoundToMicros(1789772.5 / periods[d]);
  return t;
}

std::array<double, 16> MakePanTable() {
  const double pi = std::acos(-1.0);
  std::array<double, 16> t{};
  t[0] = 1.0;
  for (int k = 1; k < 16; ++k) t[k] = RoundToMicros(std::cos((k - 1) * pi / 28.0));
  return t;
}

std::array<double, 16> MakeVolumeTable() {
  std::array<double, 16> t{};
  t[0] = 0.0;
  for (int v = 1; v < 16; ++v) t[v] = RoundToMicros(std::pow(2.0, (v - 15) / 2.0));
  return t;
}

}  // namespace

const std::array<double, PITCH_TABLE_SIZE> PitchTable = MakePitchTable();
const std::array<double, 16> NoiseRateTable = MakeNoiseRateTable();
const std::array<double, 16> PanTable = MakePanTable();
const std::array<double, 16> VolumeTable = MakeVolumeTable();
