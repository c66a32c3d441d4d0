#include "win32/waveout_device.h"

#include <climits>

namespace win32 {

WaveOutDevice::WaveOutDevice() {
  bufferDone_ = CreateSemaphoreW(nullptr, 0, LONG_MAX, nullptr);
}

WaveOutDevice::~WaveOutDevice() {
  Reset();
  Close();
  if (bufferDone_) CloseHandle(bufferDone_);
}

bool WaveOutDevice::Open(const platform::WaveFormat& format,
                         uint8_t* const buffers[WAVE_BUFFER_COUNT], int bufferBytes) {
  if (waveOut_ || !bufferDone_ || bufferBytes <= 0) return false;
  for (int i = 0; i < WAVE_BUFFER_COUNT; ++i)
    if (!buffers[i]) return false;

  WAVEFORMATEX wfx = {};
  wfx.wFormatTag = format.wFormatTag;
  wfx.nChannels = format.nChannels;
  wfx.nSamplesPerSec = format.nSamplesPerSec;
  wfx.nAvgBytesPerSec = format.nAvgBytesPerSec;
  wfx.nBlockAlign = format.nBlockAlign;
  wfx.wBitsPerSample = format.wBitsPerSample;
  wfx.cbSize = format.cbSize;
  // The callback gives WOM_OPEN once, then WOM_DONE once per finished buffer:
  // each releases the semaphore once.
  openResult_ = waveOutOpen(&waveOut_, WAVE_MAPPER, &wfx, reinterpret_cast<DWORD_PTR>(&WaveOutProc),
                            reinterpret_cast<DWORD_PTR>(this), CALLBACK_FUNCTION);
  if (openResult_ != MMSYSERR_NOERROR) {
    waveOut_ = nullptr;
    return false;
  }
  for (int i = 0; i < WAVE_BUFFER_COUNT; ++i) {
    WAVEHDR& h = header_[i];
    h = WAVEHDR{};
    h.lpData = reinterpret_cast<LPSTR>(buffers[i]);
    h.dwBufferLength = static_cast<DWORD>(bufferBytes);
    h.dwFlags = WHDR_BEGINLOOP | WHDR_ENDLOOP;
    h.dwLoops = 1;
    prepared_[i] = waveOutPrepareHeader(waveOut_, &h, sizeof(WAVEHDR)) == MMSYSERR_NOERROR;
  }
  return true;
}

void WaveOutDevice::Write(int index) {
  if (!waveOut_ || index < 0 || index >= WAVE_BUFFER_COUNT || !prepared_[index]) return;
  waveOutWrite(waveOut_, &header_[index], sizeof(WAVEHDR));
}

bool WaveOutDevice::WaitBufferDone(uint32_t timeoutMs) {
  if (!bufferDone_) return false;
  return WaitForSingleObject(bufferDone_, timeoutMs) == WAIT_OBJECT_0;
}

void WaveOutDevice::Wake() {
  if (bufferDone_) ReleaseSemaphore(bufferDone_, 1, nullptr);
}

void WaveOutDevice::Reset() {
  if (waveOut_) waveOutReset(waveOut_);
}

void WaveOutDevice::Close() {
  if (!waveOut_) return;
  for (int i = 0; i < WAVE_BUFFER_COUNT; ++i) {
    if (prepared_[i]) waveOutUnprepareHeader(waveOut_, &header_[i], sizeof(WAVEHDR));
    prepared_[i] = false;
  }
  waveOutClose(waveOut_);
  waveOut_ = nullptr;
}

void WaveOutDevice::RaiseThreadPriority() {
  SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL);
}

void CALLBACK WaveOutDevice::WaveOutProc(HWAVEOUT, UINT message, DWORD_PTR instance, DWORD_PTR,
                                         DWORD_PTR) {
  // Runs on the system's thread: only a release here, no wave call.
  if (message != WOM_OPEN && message != WOM_DONE) return;
  auto* self = reinterpret_cast<WaveOutDevice*>(instance);
  ReleaseSemaphore(self->bufferDone_, 1, nullptr);
}

}  // namespace win32
