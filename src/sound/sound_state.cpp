#include "sound/sound_state.h"

#include <cstring>
#include <mutex>

#include "sound/output_stream.h"
#include "sound/sound_engine_state.h"
#include "sound/tone_generator.h"

bool saveSoundState(SoundRoomState* out) {
  std::lock_guard<std::mutex> lock(soundEngineMutex());
  for (int ch = 0; ch < SOUND_CHANNELS; ++ch) {
    const SoundChannel& c = gSoundChannels[ch];
    if (!c.eventCode) return false;
    out->channels[ch] = c;
    out->channels[ch].eventCode = nullptr;
    std::memcpy(out->eventCode[ch], c.eventCode, EVENT_CODE_SIZE);
    std::memset(out->text[ch], 0, sizeof out->text[ch]);
    out->textLength[ch] = -1;
    if (channelText[ch]) {
      const size_t length = std::strlen(channelText[ch]);
      if (length > static_cast<size_t>(SOUND_TEXT_MAX)) return false;
      std::memcpy(out->text[ch], channelText[ch], length);
      out->textLength[ch] = static_cast<int32_t>(length);
    }
  }
  out->noiseRegister = noiseRegister;
  out->noiseMode = noiseMode;
  for (int k = 0; k < WAVE_BUFFER_COUNT; ++k) {
    const uint8_t* buffer = queuedWaveBuffer(k);
    if (buffer) {
      std::memcpy(out->queued[k], buffer, WAVE_BUFFER_SIZE);
    } else {
      std::memset(out->queued[k], 0, WAVE_BUFFER_SIZE);
    }
  }
  std::memset(out->held, 0, sizeof out->held);
  out->heldFrames = streamDevice()->SaveHeldFrames(out->held, WAVE_HELD_FRAMES_MAX);
  if (out->heldFrames > WAVE_HELD_FRAMES_MAX) out->heldFrames = WAVE_HELD_FRAMES_MAX;
  return true;
}

void loadSoundState(const SoundRoomState& in) {
  std::lock_guard<std::mutex> lock(soundEngineMutex());
  for (int ch = 0; ch < SOUND_CHANNELS; ++ch) {
    SoundChannel& c = gSoundChannels[ch];
    if (c.textHeld) delete[] channelText[ch];
    channelText[ch] = nullptr;
    uint8_t* code = c.eventCode;
    c = in.channels[ch];
    c.eventCode = code;
    if (code) std::memcpy(code, in.eventCode[ch], EVENT_CODE_SIZE);
    c.textHeld = 0;
    if (in.textLength[ch] >= 0) {
      // A held text is the engine's own copy, as appendChannelText makes it.
      const size_t length = static_cast<size_t>(in.textLength[ch]);
      channelText[ch] = new char[length + 1];
      std::memcpy(channelText[ch], in.text[ch], length);
      channelText[ch][length] = '\0';
      c.textHeld = 1;
    }
  }
  noiseRegister = in.noiseRegister;
  noiseMode = in.noiseMode;
  platform::WaveDevice* device = streamDevice();
  if (device->QueuedBuffersRestorable()) {
    for (int k = 0; k < WAVE_BUFFER_COUNT; ++k) {
      if (uint8_t* buffer = queuedWaveBuffer(k))
        std::memcpy(buffer, in.queued[k], WAVE_BUFFER_SIZE);
    }
  }
  device->LoadHeldFrames(in.held, in.heldFrames);
}

void resetSoundState() {
  std::lock_guard<std::mutex> lock(soundEngineMutex());
  resetSoundEngine();
  platform::WaveDevice* device = streamDevice();
  if (device->QueuedBuffersRestorable()) {
    // A start queues the silence the device opens with, then the first
    // buffer it mixes.
    if (uint8_t* first = queuedWaveBuffer(0)) std::memset(first, 0, WAVE_BUFFER_SIZE);
    if (uint8_t* second = queuedWaveBuffer(1)) renderMix(second, WAVE_BUFFER_SIZE);
  }
  device->LoadHeldFrames(nullptr, 0);
}
