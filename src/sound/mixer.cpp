#include "sound/mixer.h"

#include <cstring>

#include "sound/mix_avx2.h"
#include "sound/mix_first_pass.h"
#include "sound/mix_loops.h"
#include "sound/mix_voice.h"
#include "sound/sound_engine.h"

namespace {

// A buffer is rendered in two passes, and both give exactly the samples of
// the reference, a channel sample by sample (tests/sound/reference_voice.h).
//
// The first pass (mix_first_pass.h) walks each channel in turn, so the shared
// noise register is clocked in channel order, through everything that does
// not depend on the phase, and leaves rows of frequencies, envelope levels
// and noise levels, cut into runs of settings.
//
// The second pass, here, runs the phase, the wave level, the smoothing
// filter and the scaling, in stretches over which no channel's settings
// change, each voice in the loop built for its group (mix_voice.h): two
// voices at a time in the portable loops (mix_loops.h), whose phase and
// filter chains then overlap, or all the sounding voices together in the
// AVX2 loops (mix_avx2.h). The samples are summed in 32-bit integers, so the
// order of the channels does not change the sum.

bool useWideMixLoops = true;

// The second pass of the listed channels into mix (left and right
// interleaved), whose low 16 bits are the 16-bit wrap-around sum. The filter
// keeps its state while the generator rests.
void MixChannels(const int* list, int count, uint32_t* mix, int frames) {
  double phase[SOUND_CHANNELS];
  Pair state[SOUND_CHANNELS];
  int run[SOUND_CHANNELS];
  Voice current[SOUND_CHANNELS];  // each channel's voice of its current run
  for (int k = 0; k < count; ++k) {
    const SoundChannel& c = gSoundChannels[list[k]];
    phase[k] = c.phase;
    state[k] = Pair{c.filterLeft, c.filterRight};
    run[k] = 0;
    LoadVoice(current[k], list[k], channelRuns[list[k]][0], state[k]);
  }
  std::memset(mix, 0, sizeof(uint32_t) * 2 * static_cast<size_t>(frames));
  const bool vectors = useWideMixLoops && Avx2LoopsAvailable();
  bool vectorSums = false;  // the vector loops' sums of the buffer are cleared
  int from = 0;
  while (from < frames) {
    int to = frames;
    for (int k = 0; k < count; ++k) {
      const int next = channelRuns[list[k]][run[k] + 1].start;
      if (next < to) to = next;
    }
    // The stretch's channels sorted into groups, each with its state.
    int group[SOUND_CHANNELS];
    for (int k = 0; k < count; ++k) group[k] = GroupOf(current[k], phase[k]);
    Voice voices[SOUND_CHANNELS];
    int groupStart[GROUP_COUNT + 1];
    int n = 0;
    for (int g = 0; g < GROUP_COUNT; ++g) {
      groupStart[g] = n;
      for (int k = 0; k < count; ++k) {
        if (group[k] != g) continue;
        Voice& v = voices[n++];
        v = current[k];
        v.slot = k;
        v.phase = phase[k];
        v.state = state[k];
      }
    }
    groupStart[GROUP_COUNT] = n;
    // The voices two at a time (sorted by group, so that like voices share
    // a loop), the last one alone, then those with the checked truncation;
    // the still ones have nothing to do.
    const int unchecked = groupStart[GROUP_CHECKED];
    int m = 0;
    if (vectors && unchecked - groupStart[GROUP_PULSE] >= MIN_SOUNDING_FOR_VECTORS) {
      // The resting voices two at a time, then the sounding ones together.
      const int resting = groupStart[GROUP_PULSE];
      for (; m + 1 < resting; m += 2) MixTwoVoices(voices[m], voices[m + 1], from, to, mix);
      if (m < resting) MixOneVoice(voices[m], from, to, mix);
      if (!vectorSums) ClearAvx2Sums(frames);
      vectorSums = true;
      MixSoundingAvx2(voices + resting, unchecked - resting, from, to);
      m = unchecked;
    }
    for (; m + 1 < unchecked; m += 2) MixTwoVoices(voices[m], voices[m + 1], from, to, mix);
    if (m < unchecked) MixOneVoice(voices[m], from, to, mix);
    for (m = unchecked; m < groupStart[GROUP_STILL]; ++m) MixOneVoice(voices[m], from, to, mix);
    for (m = 0; m < n; ++m) {
      phase[voices[m].slot] = voices[m].phase;
      state[voices[m].slot] = voices[m].state;
    }
    from = to;
    if (from >= frames) break;
    for (int k = 0; k < count; ++k) {
      const int ch = list[k];
      if (channelRuns[ch][run[k] + 1].start == from) {
        ++run[k];
        LoadVoice(current[k], ch, channelRuns[ch][run[k]], state[k]);
      }
    }
  }
  if (vectorSums) FoldAvx2Sums(mix, frames);
  for (int k = 0; k < count; ++k) {
    SoundChannel& c = gSoundChannels[list[k]];
    c.phase = phase[k];
    c.filterLeft = state[k][0];
    c.filterRight = state[k][1];
  }
}

constexpr int ALL_CHANNELS[SOUND_CHANNELS] = {0, 1, 2, 3, 4, 5, 6, 7};
uint32_t mixSums[2 * WAVE_BUFFER_FRAMES];

}  // namespace

void renderChannel(int ch, int16_t* samples, int byteCount) {
  if (ch < 0 || ch >= 8 || !samples || byteCount <= 0) return;
  int frames = byteCount / 4;
  while (frames > 0) {
    const int n = frames < WAVE_BUFFER_FRAMES ? frames : WAVE_BUFFER_FRAMES;
    GenerateChannel(ch, n);
    MixChannels(&ch, 1, mixSums, n);
    for (int k = 0; k < 2 * n; ++k) samples[k] = static_cast<int16_t>(mixSums[k] & 0xFFFF);
    samples += 2 * n;
    frames -= n;
  }
}

void resetMixer() {
  // Every scratch row the mixer writes is written here once, so that all of
  // its memory is in use from the start, and no constant row holds a value.
  ResetFirstPass();
  if (Avx2LoopsAvailable()) ResetAvx2Scratch();
  std::memset(mixSums, 0, sizeof mixSums);
}

void UseWideMixLoops(bool use) {
  useWideMixLoops = use;
}

void renderMix(uint8_t* buffer, int byteCount) {
  if (!buffer || byteCount <= 0) return;
  // Only whole frames that fit both the caller's buffer and one buffer of
  // the mixer are mixed; a partial frame at the end stays silent.
  const int bytes = byteCount < WAVE_BUFFER_SIZE ? byteCount : WAVE_BUFFER_SIZE;
  const int frames = bytes / 4;
  std::memset(buffer + 4 * frames, 0, static_cast<size_t>(bytes - 4 * frames));
  if (frames == 0) return;
  for (int ch = 0; ch < SOUND_CHANNELS; ++ch) GenerateChannel(ch, frames);
  MixChannels(ALL_CHANNELS, 8, mixSums, frames);
  for (int k = 0; k < frames * 2; ++k) {
    const uint32_t v = mixSums[k];
    buffer[2 * k] = static_cast<uint8_t>(v & 0xFF);
    buffer[2 * k + 1] = static_cast<uint8_t>((v >> 8) & 0xFF);
  }
}
