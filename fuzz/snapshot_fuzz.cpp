// Damaged snapshots: the input patches one of several valid snapshots (the
// boot frame, the title, play mid-slide with the music and a cue sounding,
// the pause, game over, the About box open), which is then sealed with a
// fresh checksum unless the input says not to, so that the field checks
// behind it are reached. A refused snapshot must leave the program exactly as
// it was; an accepted one must then play on (frames and sound) without a
// fault.
//   input: byte 0  which snapshot, and bit 7: leave the checksum as it is
//          byte 1  how many bytes to cut off the end (0: none)
//          then patches of 4 bytes: a 24-bit offset (little-endian; below
//          the sound's queued buffers when its top bit is clear) and a byte
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/about_box.h"
#include "app/shell.h"
#include "headless/headless_wave_device.h"
#include "headless/headless_window.h"
#include "platform/platform.h"

namespace {

headless::HeadlessWindow window;
headless::HeadlessWaveDevice device;
std::vector<std::vector<uint8_t>> bases;
std::vector<uint8_t> before;
std::vector<uint8_t> after;
uint64_t steps = 0;
uint64_t buffers = 0;

void Step(int key = 0) {
  window.ReleaseAllKeys();
  if (key) window.SetKey(key, true);
  window.Advance(FRAME_MILLISECONDS);
  while (!AboutBoxOpen() && MillisecondsUntilFrame(window) == 0) RunFrame(window);
  ++steps;
  // No output thread: the device finishes a buffer and the stream refills
  // it at once, as the web page's does.
  while (buffers < steps * FRAME_MILLISECONDS / 34 && device.FinishBuffer()) {
    PumpSound();
    ++buffers;
  }
}

void Keep() {
  bases.emplace_back(SNAPSHOT_SIZE);
  if (!SaveSnapshot(bases.back().data(), SNAPSHOT_SIZE)) std::abort();
}

void MakeBases() {
  device.KeepPlayed(false);
  DriveSoundFromDevice();
  StartProgramObjects(&device);
  OnWindowCreate(&window, "");
  RunFrame(window);
  Keep();  // before the boot frame
  Step();
  Step();
  Keep();  // the title
  Step(platform::VKEY_Z);
  for (int k = 0; k < 44; ++k) Step(platform::VKEY_RIGHT);
  Keep();  // play, mid-slide, the music and the push
  Step(platform::VKEY_ESCAPE);
  Step();
  Keep();  // the pause
  OpenAboutBox();
  Keep();  // the About box over the pause
  CloseAboutBox();
  Step();
  Step(platform::VKEY_ESCAPE);
  // DESTROY until the time is spent: game over.
  for (int k = 0; k < 120; ++k) {
    Step(platform::VKEY_X);
    Step();
  }
  Keep();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  MakeBases();
  std::string reason;
  if (!LoadSnapshot(bases[0].data(), bases[0].size(), &reason)) std::abort();
  before.resize(SNAPSHOT_SIZE);
  after.resize(SNAPSHOT_SIZE);
  if (!SaveSnapshot(before.data(), before.size())) std::abort();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const size_t which = (data[0] & 0x7F) % bases.size();
  // The input is the base snapshot patched in place, and mended afterwards:
  // a snapshot is 1.4 MB, and a copy of it per run would be most of the run.
  std::vector<uint8_t>& input = bases[which];
  const size_t patches = std::min<size_t>((size - 2) / 4, 64);
  uint8_t seal[8];
  std::memcpy(seal, input.data() + 32, sizeof seal);
  uint32_t places[64];
  uint8_t kept[64];
  for (size_t k = 0; k < patches; ++k) {
    const uint8_t* p = data + 2 + 4 * k;
    uint32_t at = p[0] | (p[1] << 8) | ((p[2] & 0x7F) << 16);
    // Most patches fall on the records before the sound's buffers and the
    // picture, where the fields are.
    at = (p[2] & 0x80) ? at % SNAPSHOT_SIZE : at % 40000;
    places[k] = at;
    kept[k] = input[at];
    input[at] = p[3];
  }
  const size_t length = input.size() - std::min<size_t>(data[1], input.size());
  if (!(data[0] & 0x80)) SealSnapshot(input.data(), length);

  std::string reason;
  const bool loaded = LoadSnapshot(input.data(), length, &reason);
  std::memcpy(input.data() + 32, seal, sizeof seal);
  for (size_t k = patches; k-- > 0;) input[places[k]] = kept[k];
  if (!loaded) {
    if (reason.empty() || reason.find('\n') != std::string::npos) std::abort();
    // A refused snapshot changed nothing (checked on every 16th, a save
    // being as long as a load).
    static unsigned refusals = 0;
    if (refusals++ % 16 == 0 && (!SaveSnapshot(after.data(), after.size()) || after != before))
      std::abort();
    return 0;
  }
  // Accepted: it plays on, pictures and sound, and can be saved again.
  for (int k = 0; k < 3; ++k) Step(k == 1 ? platform::VKEY_Z : 0);
  if (AboutBoxOpen()) {
    AboutBoxKey(platform::VKEY_ESCAPE);
    Step(platform::VKEY_RIGHT);
  }
  if (!SaveSnapshot(after.data(), after.size())) std::abort();
  // Back to the known state for the next input.
  if (!LoadSnapshot(bases[0].data(), bases[0].size(), &reason)) std::abort();
  return 0;
}
