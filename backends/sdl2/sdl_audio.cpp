#include "sdl2/sdl_audio.h"

#include <pthread.h>
#include <sched.h>

#include <cstdlib>
#include <cstring>

namespace sdl2 {

namespace {
// 5.8 ms at 44100 Hz.
constexpr Uint16 DEVICE_PIECE_FRAMES = 256;
// What a PulseAudio server holds ahead of the speaker, in milliseconds.
constexpr char SERVER_BUFFER_MS[] = "20";
}  // namespace

SdlAudioDevice::~SdlAudioDevice() {
  Close();
}

bool SdlAudioDevice::Open(const platform::WaveFormat& format,
                          uint8_t* const buffers[WAVE_BUFFER_COUNT], int bufferBytes) {
  if (device_ != 0 || SDL_WasInit(SDL_INIT_AUDIO) == 0) return false;
  if (format.wFormatTag != 1 || format.wBitsPerSample != 16 || format.nChannels == 0 ||
      format.nBlockAlign == 0 || bufferBytes <= 0 || bufferBytes % format.nBlockAlign != 0)
    return false;
  for (int i = 0; i < WAVE_BUFFER_COUNT; ++i)
    if (!buffers[i]) return false;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    queue_.Attach(buffers, bufferBytes);
  }

  SDL_AudioSpec want;
  SDL_zero(want);
  want.freq = static_cast<int>(format.nSamplesPerSec);
  want.format = AUDIO_S16LSB;
  want.channels = static_cast<Uint8>(format.nChannels);
  // The device asks for small pieces, which the callback takes from the
  // queued wave buffers in order: its own buffer then adds a few
  // milliseconds to the two wave buffers queued ahead, not a third whole one.
  want.samples = DEVICE_PIECE_FRAMES;
  want.callback = &SdlAudioDevice::Callback;
  want.userdata = this;
  // SDL asks a PulseAudio server to hold no more than one piece: on a busy
  // machine the server then runs dry between two pieces, over and over, and
  // drops what comes late. The server keeps a few pieces instead, unless the
  // user has chosen the amount.
  const char* driver = SDL_GetCurrentAudioDriver();
  if (driver && std::strcmp(driver, "pulseaudio") == 0)
    setenv("PULSE_LATENCY_MSEC", SERVER_BUFFER_MS, 0);
  // No changes allowed: SDL converts when the hardware wants another format,
  // and the callback still sees exactly this one.
  device_ = SDL_OpenAudioDevice(nullptr, 0, &want, nullptr, 0);
  if (device_ == 0) {
    std::lock_guard<std::mutex> lock(mutex_);
    queue_.Detach();
    return false;
  }
  done_.clear();
  done_.set();  // ready for the first buffer
  SDL_PauseAudioDevice(device_, 0);
  return true;
}

void SdlAudioDevice::Write(int index) {
  if (device_ == 0) return;
  std::lock_guard<std::mutex> lock(mutex_);
  queue_.Push(index);
}

void SdlAudioDevice::Reset() {
  std::lock_guard<std::mutex> lock(mutex_);
  // Every buffer dropped counts as played.
  for (int n = queue_.Clear(); n > 0; --n) done_.set();
}

void SdlAudioDevice::Close() {
  if (device_ != 0) {
    // Returns only after the callback has run for the last time.
    SDL_CloseAudioDevice(device_);
    device_ = 0;
  }
  std::lock_guard<std::mutex> lock(mutex_);
  queue_.Detach();
}

void SdlAudioDevice::RaiseThreadPriority() {
  // Real-time scheduling needs a privilege most users lack; without it the
  // thread keeps its normal priority.
  sched_param param{};
  param.sched_priority = sched_get_priority_max(SCHED_FIFO);
  pthread_setschedparam(pthread_self(), SCHED_FIFO, &param);
}

void SDLCALL SdlAudioDevice::Callback(void* self, Uint8* stream, int len) {
  auto* device = static_cast<SdlAudioDevice*>(self);
  std::lock_guard<std::mutex> lock(device->mutex_);
  // Signalled as each buffer ends: the output thread may rewrite it then.
  device->queue_.Fill(stream, len, [device](const uint8_t*) { device->done_.set(); });
}

}  // namespace sdl2
