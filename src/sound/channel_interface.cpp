#include "sound/channel_interface.h"

#include <cstring>
#include <mutex>

#include "sound/mml_compiler.h"
#include "sound/sequencer.h"
#include "sound/sound_engine.h"
#include "sound/sound_engine_state.h"

namespace {

bool ValidChannel(int ch) {
  return ch >= 0 && ch < SOUND_CHANNELS;
}

// The caller holds the lock.
void ReleaseText(int ch) {
  SoundChannel& c = gSoundChannels[ch];
  if (c.textHeld) {
    delete[] channelText[ch];
    c.textHeld = 0;
  }
  channelText[ch] = nullptr;
}

void StartPath(int ch) {
  stopChannel(ch);
  markCodeEmpty(ch);
  compileChannelText(ch, channelText[ch]);
  startChannel(ch);
}

}  // namespace

void clearChannelText(int ch) {
  std::lock_guard<std::mutex> lock(soundEngineMutex());
  if (!ValidChannel(ch)) return;
  // A text the channel still holds is released, not left behind.
  ReleaseText(ch);
  channelText[ch] = new char[2]();
  gSoundChannels[ch].textHeld = 1;
}

void clearAllChannelText() {
  for (int ch = 0; ch < SOUND_CHANNELS; ++ch) clearChannelText(ch);
}

void appendChannelText(int ch, const char* mml) {
  std::lock_guard<std::mutex> lock(soundEngineMutex());
  if (!ValidChannel(ch)) return;
  const char* old = channelText[ch] ? channelText[ch] : "";
  const char* tail = mml ? mml : "";
  const size_t oldLength = std::strlen(old);
  const size_t tailLength = std::strlen(tail);
  char* joined = new char[oldLength + tailLength + 1];
  std::memcpy(joined, old, oldLength);
  std::memcpy(joined + oldLength, tail, tailLength + 1);
  // A channel that held no text now holds this one, so that its release
  // frees it.
  ReleaseText(ch);
  channelText[ch] = joined;
  gSoundChannels[ch].textHeld = 1;
}

void startChannels(unsigned char f0, unsigned char f1, unsigned char f2, unsigned char f3,
                   unsigned char f4, unsigned char f5, unsigned char f6, unsigned char f7) {
  std::lock_guard<std::mutex> lock(soundEngineMutex());
  const unsigned char flags[SOUND_CHANNELS] = {f0, f1, f2, f3, f4, f5, f6, f7};
  for (int ch = 0; ch < SOUND_CHANNELS; ++ch) {
    if (flags[ch] && gSoundChannels[ch].eventCode) StartPath(ch);
  }
}

void stopAllChannels() {
  std::lock_guard<std::mutex> lock(soundEngineMutex());
  for (int ch = 0; ch < SOUND_CHANNELS; ++ch) stopChannel(ch);
}

void releaseChannelText(int ch) {
  std::lock_guard<std::mutex> lock(soundEngineMutex());
  if (!ValidChannel(ch)) return;
  ReleaseText(ch);
}

void releaseAllChannelText() {
  std::lock_guard<std::mutex> lock(soundEngineMutex());
  for (int ch = SOUND_CHANNELS - 1; ch >= 0; --ch) ReleaseText(ch);
}

void playChannelCue(int ch, const char* mml) {
  if (ch < 0 || ch >= SOUND_CHANNELS) return;
  unsigned char flags[SOUND_CHANNELS] = {};
  flags[ch] = 1;
  clearChannelText(ch);
  appendChannelText(ch, mml);
  startChannels(flags[0], flags[1], flags[2], flags[3], flags[4], flags[5], flags[6], flags[7]);
  releaseChannelText(ch);
}
