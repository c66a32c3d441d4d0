#include "sound/sequencer.h"

#include "sound/sound_tables.h"

SoundChannel gSoundChannels[SOUND_CHANNELS];

namespace {

// The channel stops where it stands: readPos stays after the event that
// stopped it.
void Halt(SoundChannel& c) {
  c.keyOn = 0;
  c.playing = 0;
}

bool ValidChannel(int ch) {
  return ch >= 0 && ch < SOUND_CHANNELS;
}

}  // namespace

double ticksToSamples(int ch, int ticks) {
  int32_t tempo = gSoundChannels[ch].tempo;
  if (ch != 0 && tempo == 0) tempo = gSoundChannels[0].tempo;
  // Only a stale operand of a numberless `t` can give tempo 0; the slowest
  // tempo the compiler writes keeps the length finite.
  if (tempo <= 0) tempo = 1500;
  return (ticks * 1058400000.0) / (tempo * 192.0);
}

double notePitch(uint8_t note, int8_t detune) {
  int n = note > 100 ? 100 : note;
  int16_t x = static_cast<int16_t>(n * 100 + 10000 + detune);
  uint8_t i = static_cast<uint8_t>(x / 100 - 100);
  if (i > 108) i = 108;
  int r = x % 100;
  return PitchTable[i + 1] - (PitchTable[i + 1] - PitchTable[i]) * (100 - r) * 0.01;
}

void resetEnvelope(int ch) {
  if (!ValidChannel(ch)) return;
  SoundChannel& c = gSoundChannels[ch];
  c.attackRate = 1.0;
  c.decayRate = 0.0;
  c.sustainLevel = 0.0;
  c.envelopeRestart = 1;
  c.envelopeLevel = 0.0;
  c.envelopePhase = ENV_ATTACK;
}

void markCodeEmpty(int ch) {
  if (!ValidChannel(ch) || !gSoundChannels[ch].eventCode) return;
  gSoundChannels[ch].eventCode[0] = EV_STOP;
}

void stopChannel(int ch) {
  if (!ValidChannel(ch)) return;
  SoundChannel& c = gSoundChannels[ch];
  c.keyOn = 0;
  c.playing = 0;
  if (c.eventCode) c.eventCode[0] = EV_END;
  c.readPos = 0;
  c.loopPoint = 0;
}

void startChannel(int ch) {
  if (!ValidChannel(ch) || !gSoundChannels[ch].eventCode) return;
  SoundChannel& c = gSoundChannels[ch];
  c.tempo = 16500;
  c.voice = 0;
  c.noteCount = 0;
  c.waitSamples = ticksToSamples(ch, 24);
  c.gateSamples = c.waitSamples;
  c.tieFlag = 0;
  c.playing = 1;
  c.volume = 13;
  c.gate = 8;
  c.sweepRate = 0.0;
  c.vibratoDepth = 0.0;
  c.vibratoStep = 0.0;
  c.vibratoOffset = 0.0;
  c.vibratoCountdown = 0;
  c.vibratoWait = 0;
  c.vibratoDelay = 0;
  resetEnvelope(ch);
  c.pan = 8;
  c.transpose = 0;
  c.readPos = 0;
  c.loopPoint = 0;
  for (int d = 0; d < 6; ++d) {
    c.loopStart[d] = 0;
    c.loopPass[d] = 0;
  }
  c.loopDepth = 0;
  c.filterCoefficient = 0.85;
  stepSequencer(ch);
}

void stepSequencer(int ch) {
  if (!ValidChannel(ch)) return;
  SoundChannel& c = gSoundChannels[ch];
  if (!c.playing) return;
  c.tieFlag = 0;
  // Set once this step has gone back to the loop point. Reaching the end a
  // second time in the same step means the stretch from the loop point to
  // the end holds no note or rest (every note or rest ends the step), and
  // since the end also closes every loop, the same stretch would be read
  // again and again without taking any time.
  bool returnedToLoopPoint = false;
  for (int events = 0;; ++events) {
    if (!c.eventCode || c.readPos < 0 || c.readPos > EVENT_CODE_SIZE - 2 ||
        events >= STEP_EVENT_LIMIT) {
      Halt(c);
      return;
    }
    const int32_t here = c.readPos;
    const uint8_t code = c.eventCode[here];
    const uint8_t o = c.eventCode[here + 1];
    c.readPos = here + 2;
    int32_t& d = c.loopDepth;
    switch (code) {
      case EV_REST:
        c.keyOn = 0;
        c.waitSamples = ticksToSamples(ch, o);
        return;
      case EV_TRANSPOSE:
        c.transpose = o;
        break;
      case EV_VOLUME_STEP:
        if (o == 1) {
          int v = c.volume + 1;
          c.volume = static_cast<int8_t>(v > 15 ? 15 : v);
        } else {
          int v = c.volume - 1;
          c.volume = static_cast<int8_t>(v < 0 ? 0 : v);
        }
        break;
      case EV_FILTER:
        c.filterCoefficient = (o + 1) * 0.01;
        break;
      case EV_TEMPO_FRACTION:
        c.tempo = c.tempo - (c.tempo % 100) + o;
        break;
      case EV_PAN:
        c.pan = o;
        break;
      case EV_VIBRATO_DELAY:
        c.vibratoDelay = static_cast<uint32_t>(o * 44100 / 50);
        break;
      case EV_LOOP_BREAK:
        if (d >= 1 && c.loopPass[d] == c.loopCount[d] - 1) {
          c.readPos = c.loopEnd[d] + 2;
          d = d - 1;
        }
        break;
      case EV_LOOP_END:
        if (d < 1) {
          Halt(c);
          return;
        }
        c.loopPass[d] = c.loopPass[d] + 1;
        if (c.loopPass[d] >= o) {
          d = d - 1;
        } else {
          c.loopCount[d] = o;
          c.loopEnd[d] = here;
          c.readPos = c.loopStart[d] + 2;
        }
        break;
      case EV_LOOP_START: {
        d = d + 1;
        bool tooDeep = d >= 5;
        if (tooDeep) d = 5;
        c.loopStart[d] = here;
        c.loopPass[d] = 0;
        c.loopCount[d] = 255;
        if (tooDeep) {
          Halt(c);
          return;
        }
        break;
      }
      case EV_VIBRATO_DEPTH:
        c.vibratoDepth = o * 0.0005;
        if (c.vibratoDepth == 0.0) c.vibratoOffset = 0.0;
        break;
      case EV_SWEEP:
        c.sweepRate = static_cast<int8_t>(o) * 0.0004;
        if (c.sweepRate == 0.0) c.sweepOffset = 0.0;
        break;
      case EV_VOICE:
        c.voice = o;
        break;
      case EV_DETUNE:
        c.detune = static_cast<int8_t>(o);
        break;
      case EV_LOOP_POINT:
        c.loopPoint = here;
        break;
      case EV_TIE:
        c.tieFlag = 1;
        break;
      case EV_GATE:
        c.gate = static_cast<int8_t>(o);
        break;
      case EV_SUSTAIN: {
        double half = o * 0.5;
        c.sustainLevel = half * half * 0.00040812162024283236;
        break;
      }
      case EV_DECAY:
        c.decayRate = o * 0.00001;
        break;
      case EV_ATTACK:
        c.attackRate = (o * o * o) * 1.0306101521283646e-8;
        break;
      case EV_VOLUME:
        c.volume = static_cast<int8_t>(o);
        break;
      case EV_TEMPO:
        c.tempo = o * 100;
        break;
      case EV_STOP:
        Halt(c);
        return;
      case EV_END:
        c.keyOn = 0;
        d = 0;
        if (c.noteCount == 0 || returnedToLoopPoint) {
          Halt(c);
          return;
        }
        returnedToLoopPoint = true;
        c.noteCount = c.noteCount + 1;
        c.readPos = c.loopPoint;
        break;
      default: {  // a note, codes 0x01 to 0xE8
        uint8_t note = static_cast<uint8_t>(code + c.transpose);
        c.noteFrequency = notePitch(note, c.detune);
        if (c.keyOn == 0) {
          c.keyOn = 1;
          c.envelopeRestart = 1;
          c.sweepOffset = 0.0;
          c.vibratoOffset = 0.0;
          c.vibratoStep = c.vibratoDepth;
          c.vibratoCountdown = 1750;
          c.vibratoWait = c.vibratoDelay;
        }
        double length = ticksToSamples(ch, o);
        c.waitSamples = length;
        c.gateSamples = c.tieFlag ? length + 2.0 : c.gate * length * 0.125;
        c.noteCount = c.noteCount + 1;
        return;
      }
    }
  }
}
