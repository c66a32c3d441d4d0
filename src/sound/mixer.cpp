#include "sound/mixer.h"

#include <cstring>

#include "sound/sound_engine.h"
#include "sound/sound_engine_state.h"
#include "sound/tone_generator.h"

uint16_t noiseRegister = 0x4000;
uint8_t noiseMode = 0;

void renderChannel(int ch, int16_t* samples, int byteCount) {
  if (ch < 0 || ch >= 8 || !samples || byteCount <= 0) return;
  const int frames = byteCount / 4;
  SoundChannel& record = soundChannels[ch];
  // Work on a copy so the loop keeps the channel in registers; the record is
  // brought up to date around every sequencer step, which reads and writes it.
  SoundChannel c = record;
  for (int i = 0; i < frames; ++i) {
    const StereoSample s = generateWave(c);
    modulateFrequency(c);
    const uint8_t restart = c.envelopeRestart;
    const double e = nextEnvelopeLevel(c, restart);
    if (restart) c.envelopeRestart = 0;
    const int v = c.volume < 0 ? 0 : (c.volume > 15 ? 15 : c.volume);
    const double gain = VolumeTable[v];
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
      if (c.waitSamples < 1.0) {
        record = c;
        stepSequencer(ch);
        c = record;
      }
    }
  }
  record = c;
}

void renderMix(uint8_t* buffer, int byteCount) {
  if (!buffer || byteCount <= 0) return;
  // Only whole frames that fit both the caller's buffer and the scratch
  // buffer are mixed; a partial frame at the end stays silent.
  const int bytes = byteCount < WAVE_BUFFER_SIZE ? byteCount : WAVE_BUFFER_SIZE;
  std::memset(buffer, 0, static_cast<size_t>(bytes));
  int16_t* scratch = scratchBuffer;
  if (!scratch) return;
  const int frames = bytes / 4;
  static uint16_t mix[WAVE_BUFFER_SIZE / 2];
  std::memset(mix, 0, sizeof mix);
  for (int ch = 0; ch < 8; ++ch) {
    renderChannel(ch, scratch, frames * 4);
    for (int k = 0; k < frames * 2; ++k) {
      mix[k] = static_cast<uint16_t>(mix[k] + static_cast<uint16_t>(scratch[k]));
    }
  }
  for (int k = 0; k < frames * 2; ++k) {
    buffer[2 * k] = static_cast<uint8_t>(mix[k] & 0xFF);
    buffer[2 * k + 1] = static_cast<uint8_t>(mix[k] >> 8);
  }
}
