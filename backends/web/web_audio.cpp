#include "web/web_audio.h"

#include <emscripten.h>

#include "app/shell.h"

// The page side (page.js): the AudioContext and its processor node.
EM_JS(int, velkari_audio_open, (int rate, int channels),
      { return Module.velkariAudio.open(rate, channels); });
EM_JS(void, velkari_audio_close, (), { Module.velkariAudio.close(); });
EM_JS(void, velkari_audio_buffer_played, (const void* samples, int bytes),
      { Module.velkariAudio.bufferPlayed(samples, bytes); });

namespace web {

namespace {

WebAudioDevice* openDevice = nullptr;

// The largest block the page's processor node asks for, in stereo frames.
constexpr int MAX_BLOCK_FRAMES = 16384;
int16_t sampleBlock[MAX_BLOCK_FRAMES * 2];

}  // namespace

WebAudioDevice::~WebAudioDevice() {
  Close();
}

bool WebAudioDevice::Open(const platform::WaveFormat& format,
                          uint8_t* const buffers[WAVE_BUFFER_COUNT], int bufferBytes) {
  if (open_) return false;
  if (format.wFormatTag != 1 || format.wBitsPerSample != 16 || format.nChannels != 2 ||
      format.nBlockAlign != 4 || bufferBytes <= 0 || bufferBytes % format.nBlockAlign != 0)
    return false;
  for (int i = 0; i < WAVE_BUFFER_COUNT; ++i)
    if (!buffers[i]) return false;
  if (!velkari_audio_open(static_cast<int>(format.nSamplesPerSec), format.nChannels)) return false;
  queue_.Attach(buffers, bufferBytes);
  blockAlign_ = format.nBlockAlign;
  bufferBytes_ = bufferBytes;
  open_ = true;
  openDevice = this;
  done_.clear();
  done_.set();  // ready for the first buffer
  return true;
}

void WebAudioDevice::Write(int index) {
  if (open_) queue_.Push(index);
}

void WebAudioDevice::Reset() {
  for (int n = queue_.Clear(); n > 0; --n) done_.set();
}

void WebAudioDevice::Close() {
  if (!open_) return;
  velkari_audio_close();
  open_ = false;
  if (openDevice == this) openDevice = nullptr;
  queue_.Detach();
}

void WebAudioDevice::Fill(int16_t* out, int frames) {
  auto* bytes = reinterpret_cast<uint8_t*>(out);
  const int length = frames * blockAlign_;
  if (!open_) {
    for (int k = 0; k < length; ++k) bytes[k] = 0;
    return;
  }
  queue_.Fill(bytes, length, [&](const uint8_t* played) {
    velkari_audio_buffer_played(played, bufferBytes_);
    // The buffer is free: the stream renders the next one into it now and
    // queues it behind the one still playing.
    done_.set();
    PumpSound();
  });
}

}  // namespace web

// Called by the page's processor node for every block it plays: returns the
// samples, interleaved left and right, in a block of the module's memory.
extern "C" EMSCRIPTEN_KEEPALIVE int16_t* velkari_audio_fill(int frames) {
  if (frames < 0) frames = 0;
  if (frames > web::MAX_BLOCK_FRAMES) frames = web::MAX_BLOCK_FRAMES;
  if (web::openDevice) {
    web::openDevice->Fill(web::sampleBlock, frames);
  } else {
    for (int k = 0; k < frames * 2; ++k) web::sampleBlock[k] = 0;
  }
  return web::sampleBlock;
}
