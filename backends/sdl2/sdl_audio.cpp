#include "sdl2/sdl_audio.h"

#include <pthread.h>
#include <sched.h>

#include <algorithm>
#include <cstring>

namespace sdl2 {

SdlAudioDevice::~SdlAudioDevice() {
  close();
}

void PlaybackQueue::Attach(uint8_t* const buffers[WAVE_BUFFER_COUNT], int bufferBytes) {
  std::lock_guard<std::mutex> lock(mutex_);
  for (int i = 0; i < WAVE_BUFFER_COUNT; ++i) buffers_[i] = buffers[i];
  bufferBytes_ = bufferBytes;
  queued_ = 0;
  playPos_ = 0;
}

void PlaybackQueue::Detach() {
  std::lock_guard<std::mutex> lock(mutex_);
  buffers_[0] = buffers_[1] = nullptr;
  bufferBytes_ = 0;
  queued_ = 0;
  playPos_ = 0;
}

void PlaybackQueue::Push(int index) {
  if (index < 0 || index >= WAVE_BUFFER_COUNT) return;
  std::lock_guard<std::mutex> lock(mutex_);
  if (!buffers_[index] || bufferBytes_ <= 0 || queued_ >= WAVE_BUFFER_COUNT) return;
  queue_[queued_++] = index;
}

void PlaybackQueue::Fill(uint8_t* out, int len, BufferDoneSignal& done) {
  std::lock_guard<std::mutex> lock(mutex_);
  while (len > 0) {
    if (queued_ == 0) {
      // The output thread is late or gone: silence until it catches up.
      std::memset(out, 0, static_cast<size_t>(len));
      return;
    }
    const int take = std::min(len, bufferBytes_ - playPos_);
    std::memcpy(out, buffers_[queue_[0]] + playPos_, static_cast<size_t>(take));
    out += take;
    len -= take;
    playPos_ += take;
    if (playPos_ == bufferBytes_) {
      queue_[0] = queue_[1];
      --queued_;
      playPos_ = 0;
      // Set last: the output thread may rewrite the buffer from here on.
      done.set();
    }
  }
}

int PlaybackQueue::Clear(BufferDoneSignal& done) {
  std::lock_guard<std::mutex> lock(mutex_);
  const int n = queued_;
  for (; queued_ > 0; --queued_) done.set();
  playPos_ = 0;
  return n;
}

int PlaybackQueue::Queued() {
  std::lock_guard<std::mutex> lock(mutex_);
  return queued_;
}

bool SdlAudioDevice::open(const WaveFormat& format, uint8_t* const buffers[WAVE_BUFFER_COUNT],
                          int bufferBytes) {
  if (device_ != 0 || SDL_WasInit(SDL_INIT_AUDIO) == 0) return false;
  if (format.wFormatTag != 1 || format.wBitsPerSample != 16 || format.nChannels == 0 ||
      format.nBlockAlign == 0 || bufferBytes <= 0 || bufferBytes % format.nBlockAlign != 0)
    return false;
  for (int i = 0; i < WAVE_BUFFER_COUNT; ++i)
    if (!buffers[i]) return false;
  queue_.Attach(buffers, bufferBytes);

  SDL_AudioSpec want;
  SDL_zero(want);
  want.freq = static_cast<int>(format.nSamplesPerSec);
  want.format = AUDIO_S16LSB;
  want.channels = static_cast<Uint8>(format.nChannels);
  // One device buffer is one wave buffer, so the callback takes whole buffers.
  want.samples = static_cast<Uint16>(bufferBytes / format.nBlockAlign);
  want.callback = &SdlAudioDevice::Callback;
  want.userdata = this;
  // No changes allowed: SDL converts when the hardware wants another format,
  // and the callback still sees exactly this one.
  device_ = SDL_OpenAudioDevice(nullptr, 0, &want, nullptr, 0);
  if (device_ == 0) {
    queue_.Detach();
    return false;
  }
  done_.clear();
  done_.set();  // ready for the first buffer
  SDL_PauseAudioDevice(device_, 0);
  return true;
}

void SdlAudioDevice::write(int index) {
  if (device_ != 0) queue_.Push(index);
}

void SdlAudioDevice::reset() {
  queue_.Clear(done_);
}

void SdlAudioDevice::close() {
  if (device_ != 0) {
    // Returns only after the callback has run for the last time.
    SDL_CloseAudioDevice(device_);
    device_ = 0;
  }
  queue_.Detach();
}

void SdlAudioDevice::raiseThreadPriority() {
  // Real-time scheduling needs a privilege most users lack; without it the
  // thread keeps its normal priority.
  sched_param param{};
  param.sched_priority = sched_get_priority_max(SCHED_FIFO);
  pthread_setschedparam(pthread_self(), SCHED_FIFO, &param);
}

void SDLCALL SdlAudioDevice::Callback(void* self, Uint8* stream, int len) {
  auto* device = static_cast<SdlAudioDevice*>(self);
  device->queue_.Fill(stream, len, device->done_);
}

}  // namespace sdl2
