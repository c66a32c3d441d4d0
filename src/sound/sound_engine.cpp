#include "sound/sound_engine.h"

#include <cstring>

#include "sound/mixer.h"
#include "sound/sequencer.h"
#include "sound/sound_engine_state.h"
#include "sound/tone_generator.h"

int16_t* scratchBuffer = nullptr;
char* channelText[SOUND_CHANNELS] = {};

std::mutex& soundEngineMutex() {
  static std::mutex mutex;
  return mutex;
}

namespace {

void ReleaseEngineMemory() {
  delete[] scratchBuffer;
  scratchBuffer = nullptr;
  for (int ch = 7; ch >= 0; --ch) {
    delete[] gSoundChannels[ch].eventCode;
    gSoundChannels[ch].eventCode = nullptr;
    delete[] channelText[ch];
    channelText[ch] = nullptr;
    gSoundChannels[ch].textHeld = 0;
  }
}

}  // namespace

void startSoundEngine() {
  // A second start (tests restart the engine between cases) begins from the
  // same state as the first: everything as at program start.
  ReleaseEngineMemory();
  for (int ch = 0; ch < SOUND_CHANNELS; ++ch) {
    gSoundChannels[ch].eventCode = new uint8_t[EVENT_CODE_SIZE];
  }
  resetSoundEngine();
  scratchBuffer = new int16_t[WAVE_BUFFER_SIZE / 2]();
}

void resetSoundEngine() {
  for (int ch = 0; ch < SOUND_CHANNELS; ++ch) {
    SoundChannel& c = gSoundChannels[ch];
    if (c.textHeld) delete[] channelText[ch];
    channelText[ch] = nullptr;
    uint8_t* code = c.eventCode;
    c = SoundChannel{};
    c.eventCode = code;
    if (code) {
      // Zero-filled so that a stale operand (the tempo of a numberless `t`)
      // reads the same on every run.
      std::memset(code, 0, EVENT_CODE_SIZE);
      code[0] = EV_STOP;
    }
  }
  noiseRegister = 0x4000;
  noiseMode = 0;
  resetMixer();
  resetEnvelope(0);
}

void stopSoundEngine() {
  for (int ch = 0; ch < SOUND_CHANNELS; ++ch) {
    gSoundChannels[ch].keyOn = 0;
    gSoundChannels[ch].playing = 0;
  }
  ReleaseEngineMemory();
}
