// The Windows wave device of the game and of velkari-mml play: the system's
// default wave output (WAVE_MAPPER) with the two buffers prepared once as
// wave headers. The device reports each finished buffer through a callback
// that releases a semaphore, so every finished buffer is one wake of the
// output thread, never two merged into one. Made by the entry point before the
// sound engine starts; without a device it does not open and the game runs
// silent.
#pragma once

#include <windows.h>
// (after windows.h, whose types it uses)
#include <mmsystem.h>

#include "platform/wave_device.h"

namespace win32 {

class WaveOutDevice final : public platform::WaveDevice {
 public:
  WaveOutDevice();
  ~WaveOutDevice() override;
  WaveOutDevice(const WaveOutDevice&) = delete;
  WaveOutDevice& operator=(const WaveOutDevice&) = delete;

  bool Open(const platform::WaveFormat& format, uint8_t* const buffers[WAVE_BUFFER_COUNT],
            int bufferBytes) override;
  void Write(int index) override;
  bool WaitBufferDone(uint32_t timeoutMs) override;
  void Wake() override;
  void Reset() override;
  // Unprepares both headers, then closes the device.
  void Close() override;
  void RaiseThreadPriority() override;

  bool IsOpen() const { return waveOut_ != nullptr; }
  // The result of the last waveOutOpen (MMSYSERR_NOERROR when open).
  MMRESULT OpenResult() const { return openResult_; }

 private:
  static void CALLBACK WaveOutProc(HWAVEOUT device, UINT message, DWORD_PTR instance,
                                   DWORD_PTR param1, DWORD_PTR param2);

  HWAVEOUT waveOut_ = nullptr;
  WAVEHDR header_[WAVE_BUFFER_COUNT] = {};
  bool prepared_[WAVE_BUFFER_COUNT] = {false, false};
  HANDLE bufferDone_ = nullptr;  // a semaphore: one count per finished buffer
  MMRESULT openResult_ = MMSYSERR_NODRIVER;
};

}  // namespace win32
