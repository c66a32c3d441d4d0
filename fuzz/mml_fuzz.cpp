// Arbitrary bytes as MML: the first byte picks a channel, the rest up to the
// first newline is its text and whatever follows is a second text on another
// channel (so that two channels share the noise register). Both are compiled,
// linted and played for a few short buffers (the sequencer steps at every
// note's end, so short buffers of quick notes reach it as often as long ones
// and keep the fuzzer fast); nothing may read or write outside its buffers,
// hang, or trip the sanitizers.
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>

#include "sound/channel_interface.h"
#include "sound/event_code.h"
#include "sound/mml_compiler.h"
#include "sound/sound_engine.h"

namespace {

class CountingReport : public MmlReport {
 public:
  void Note(int pos, MmlIssue, int, int) override { last = pos; }
  int last = -1;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const int ch = data[0] & 7;
  std::string all(reinterpret_cast<const char*>(data + 1), size - 1);
  const size_t newline = all.find('\n');
  const std::string first = all.substr(0, newline);
  const std::string second = newline == std::string::npos ? "" : all.substr(newline + 1);

  static uint8_t code[EVENT_CODE_SIZE];
  code[0] = EV_STOP;
  CountingReport report;
  compileEventCode(code, first.c_str(), &report);

  startSoundEngine();
  clearAllChannelText();
  playChannelCue(ch, first.c_str());
  if (!second.empty()) playChannelCue((ch + 3) & 7, second.c_str());
  // 256 frames a buffer.
  constexpr int SHORT_BUFFER = 1024;
  static uint8_t buffer[WAVE_BUFFER_SIZE];
  for (int b = 0; b < 4; ++b) {
    std::lock_guard<std::mutex> lock(soundEngineMutex());
    renderMix(buffer, SHORT_BUFFER);
  }
  // A cue replacing a playing one, then the rest of the channel operations.
  playChannelCue(ch, second.c_str());
  {
    std::lock_guard<std::mutex> lock(soundEngineMutex());
    renderMix(buffer, SHORT_BUFFER);
  }
  stopAllChannels();
  releaseAllChannelText();
  stopSoundEngine();
  return 0;
}
