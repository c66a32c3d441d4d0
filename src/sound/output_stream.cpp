#include "sound/output_stream.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <new>
#include <system_error>

#include "diag/diag.h"
#include "sound/channel_interface.h"
#include "sound/sound_engine.h"

namespace {

// Stands in when the program has no sound device at all: it never opens, so
// only a wake ever ends the output thread's wait.
class NoWaveDevice final : public platform::WaveDevice {
 public:
  bool Open(const platform::WaveFormat&, uint8_t* const[WAVE_BUFFER_COUNT], int) override {
    return false;
  }
  void Write(int) override {}
  bool WaitBufferDone(uint32_t timeoutMs) override {
    std::unique_lock<std::mutex> lock(mutex_);
    if (!cond_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return woken_; }))
      return false;
    woken_ = false;
    return true;
  }
  void Wake() override {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      woken_ = true;
    }
    cond_.notify_one();
  }
  void Reset() override {}
  void Close() override {
    std::lock_guard<std::mutex> lock(mutex_);
    woken_ = false;
  }

 private:
  std::mutex mutex_;
  std::condition_variable cond_;
  bool woken_ = false;
};

NoWaveDevice noDevice;
WaveStream waveStream;

// Set up by the main thread before the output thread starts and torn down
// only after it has ended, so the thread reads them without a lock.
platform::WaveDevice* waveOut = nullptr;
uint8_t* waveBuffer[WAVE_BUFFER_COUNT] = {nullptr, nullptr};
uint32_t bufferTimeout = WAVE_BUFFER_TIMEOUT_MS;
bool streamStarted = false;
StreamDriver streamDriver = StreamDriver::Thread;
// The buffer the stream wrote last; the next render goes into the other.
int nextBuffer = 0;
// The device given to StartSoundOutput opened: its falling quiet is worth a
// line, a missing device has been reported already.
bool deviceOpened = false;

std::atomic<uint8_t> stopRequested{0};
std::atomic<bool> threadRunning{false};
std::atomic<uint64_t> buffersRendered{0};

void releaseWaveBuffers() {
  for (uint8_t*& buffer : waveBuffer) {
    delete[] buffer;
    buffer = nullptr;
  }
}

}  // namespace

WaveStream::~WaveStream() {
  if (!thread.joinable()) return;
  stopRequested.store(1);
  if (waveOut) waveOut->Wake();
  thread.join();
}

void WaveStream::open() {
  uint8_t* const buffers[WAVE_BUFFER_COUNT] = {waveBuffer[0], waveBuffer[1]};
  // A device that does not open is kept anyway: its wait then simply runs
  // out, which is how the stream goes silent.
  deviceOpened = waveOut->Open(format, buffers, WAVE_BUFFER_SIZE);
  if (!deviceOpened && waveOut != &noDevice)
    Diagnostic("velkari: no sound device could be opened; the game plays silent");
  stopRequested.store(0);
  threadRunning.store(true);
  if (streamDriver == StreamDriver::Device) {
    // No thread: the device's own calls of pumpSoundOutput take its part,
    // beginning with the ready signal it gave as it opened.
    streamFirstWrite();
    pumpSoundOutput();
    return;
  }
  try {
    thread = std::thread(streamThreadProc);
    threadId = thread.get_id();
  } catch (const std::system_error&) {
    // No thread: the same as a device that never returns a buffer.
    threadRunning.store(false);
  }
}

void WaveStream::close() {
  waveOut->Reset();
  waveOut->Close();
  requestStreamStop();
  threadId = std::thread::id();
}

void WaveStream::requestStreamStop() {
  stopRequested.store(1);
}

int streamThreadProc() {
  waveOut->RaiseThreadPriority();
  if (stopRequested.load() == 0) {
    streamFirstWrite();
    for (;;) {
      if (!waveOut->WaitBufferDone(bufferTimeout)) {
        // The device has gone quiet: silent for the rest of the run.
        if (deviceOpened)
          Diagnostic("velkari: the sound device stopped playing; the game goes on silent");
        threadRunning.store(false);
        return 0;
      }
      if (!streamStep()) break;
    }
  }
  streamEnd();
  return 0;
}

void streamFirstWrite() {
  nextBuffer = 0;
  waveOut->Write(nextBuffer);
}

bool streamStep() {
  // A wake at exit does not hand back a buffer: the one that nextBuffer
  // would name next may still be playing, so it must not be rewritten.
  if (stopRequested.load() != 0) return false;
  nextBuffer = 1 - nextBuffer;
  {
    std::lock_guard<std::mutex> lock(soundEngineMutex());
    renderMix(waveBuffer[nextBuffer], WAVE_BUFFER_SIZE);
  }
  buffersRendered.fetch_add(1);
  if (stopRequested.load() != 0) return false;
  waveOut->Write(nextBuffer);
  return true;
}

void streamEnd() {
  releaseAllChannelText();
  threadRunning.store(false);
}

bool pumpSoundOutput() {
  if (!streamStarted || streamDriver != StreamDriver::Device || !threadRunning.load()) return false;
  while (waveOut->WaitBufferDone(0)) {
    if (!streamStep()) {
      streamEnd();
      return false;
    }
  }
  return true;
}

void SetStreamDriver(StreamDriver driver) {
  if (!streamStarted) streamDriver = driver;
}

void StartSoundOutput(platform::WaveDevice* device, uint32_t bufferTimeoutMs) {
  if (streamStarted) return;
  streamStarted = true;
  startSoundEngine();
  bufferTimeout = bufferTimeoutMs;
  buffersRendered.store(0);
  waveOut = device ? device : &noDevice;
  waveStream.format = platform::WaveFormat{};
  for (uint8_t*& buffer : waveBuffer) buffer = new (std::nothrow) uint8_t[WAVE_BUFFER_SIZE]();
  if (!waveBuffer[0] || !waveBuffer[1]) {
    // Out of memory at start-up: no stream at all, the game runs silent.
    releaseWaveBuffers();
    waveOut = &noDevice;
    return;
  }
  waveStream.open();
}

void StopSoundOutput() {
  if (!streamStarted) return;
  stopRequested.store(1);
  waveOut->Wake();
  // The woken thread ends within one buffer; waiting for it (rather than
  // ending it forcibly) never leaves a lock it holds taken. Without a thread
  // the wake is taken here, as the thread would take it.
  if (waveStream.thread.joinable()) waveStream.thread.join();
  pumpSoundOutput();
  if (waveBuffer[0]) waveStream.close();
  // A thread that timed out has left the texts; the window's destruction
  // usually releases them, a tool without a window relies on this.
  releaseAllChannelText();
  releaseWaveBuffers();
  stopSoundEngine();
  waveOut = nullptr;
  streamStarted = false;
}

uint8_t* queuedWaveBuffer(int order) {
  if (!streamStarted || order < 0 || order >= WAVE_BUFFER_COUNT) return nullptr;
  // The stream writes the buffers in turn, so the one written last
  // (nextBuffer) is the newer of the two in the device's queue.
  return waveBuffer[order == 0 ? 1 - nextBuffer : nextBuffer];
}

platform::WaveDevice* streamDevice() {
  return waveOut ? waveOut : &noDevice;
}

bool soundOutputRunning() {
  return threadRunning.load();
}

uint64_t soundBuffersRendered() {
  return buffersRendered.load();
}
