// Shared helpers of the sound engine tests: a fixture that starts every case
// from the engine's start state, and ways to show compiled code and play a
// text on a channel.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "sound/channel_interface.h"
#include "sound/event_code.h"
#include "sound/event_code_text.h"
#include "sound/mixer.h"
#include "sound/mml_compiler.h"
#include "sound/sequencer.h"
#include "sound/sound_engine.h"

class SoundEngineTest : public ::testing::Test {
 protected:
  void SetUp() override { startSoundEngine(); }
  void TearDown() override { stopSoundEngine(); }
};

// The code of `text` in the tool's notation: "XX YY" pairs joined by ", ",
// "--" for an operand that was not written, the end byte alone.
inline std::string CompiledHex(const std::string& text) {
  return describeCompiledText(text.c_str());
}

// Plays a cue as the game does.
inline void PlayCue(int ch, const char* text) {
  playChannelCue(ch, text);
}

// The code bytes of the notes and rests a channel plays, step by step, for at
// most `steps` steps (the first is the one startChannel runs).
inline std::vector<int> PlayedCodes(int ch, const char* text, int steps) {
  PlayCue(ch, text);
  std::vector<int> codes;
  SoundChannel& c = gSoundChannels[ch];
  for (int i = 0; i < steps && c.playing; ++i) {
    if (i > 0) stepSequencer(ch);
    if (!c.playing) break;
    codes.push_back(c.eventCode[c.readPos - 2]);
  }
  return codes;
}

// Renders n whole mixer buffers, as the output thread does.
inline std::vector<int16_t> RenderBuffers(int n) {
  std::vector<int16_t> out;
  uint8_t buffer[WAVE_BUFFER_SIZE];
  for (int b = 0; b < n; ++b) {
    {
      std::lock_guard<std::mutex> lock(soundEngineMutex());
      renderMix(buffer, WAVE_BUFFER_SIZE);
    }
    for (int k = 0; k < WAVE_BUFFER_SIZE; k += 2) {
      out.push_back(static_cast<int16_t>(buffer[k] | (buffer[k + 1] << 8)));
    }
  }
  return out;
}
