// The audio output stream: starts the sound engine as a whole, keeps two
// 6000-byte buffers alternating on the wave device from an output thread of
// its own, and stops it all again. StartSoundOutput is the third start-up
// step of the program-wide objects (StartProgramObjects), StopSoundOutput the
// first clean-up step (StopProgramObjects); tools call them the same way.
#pragma once

#include <cstdint>
#include <thread>

#include "platform/wave_device.h"

// The stream's thread and format; one program-wide instance, used by
// StartSoundOutput and StopSoundOutput only.
class WaveStream {
 public:
  // Ends a thread still running when the program ends without
  // StopSoundOutput (Xlib calls exit when the display server goes away):
  // a running std::thread destroyed would abort the program.
  ~WaveStream();

  // Opens the device over the two wave buffers, clears the stop flag and
  // starts the output thread.
  void open();
  // Resets and closes the device after the output thread has ended.
  void close();
  // Asks the output thread to end after its current buffer.
  void requestStreamStop();

  std::thread thread;
  std::thread::id threadId;
  platform::WaveFormat format;
};

// Starts the sound engine (event-code buffers, channel start state, scratch
// buffer), allocates the two zero-filled wave buffers, opens `device` and
// starts the output thread. A null device, or one that does not open, leaves
// the game silent: the thread's first wait then runs out after
// bufferTimeoutMs and ends it. The program always passes the default; tests
// pass a shorter time-out. A second call while the stream runs does nothing.
void StartSoundOutput(platform::WaveDevice* device,
                      uint32_t bufferTimeoutMs = WAVE_BUFFER_TIMEOUT_MS);
// Sets the stop flag, wakes the output thread and waits for it to end (it
// renders at most one more buffer), resets and closes the device and releases
// every sound buffer. Does nothing when the stream is not running. The device
// object itself stays the caller's.
void StopSoundOutput();

// Who drives the stream. Thread: its own output thread, which waits for each
// buffer-done signal (every desktop). Device: no thread at all, for a
// platform that has none (the web): the device calls pumpSoundOutput
// whenever it has finished a buffer, and the same steps run on its call.
// Set before StartSoundOutput; ignored while the stream runs.
enum class StreamDriver { Thread, Device };
void SetStreamDriver(StreamDriver driver);

// The output thread's start routine: queue, wait, swap, render, until the
// stop flag is set; then the channels' texts are released. Returns 0, also
// when a wait runs out and the thread ends early. Its parts:
//   streamFirstWrite  queues buffer 0 (silence) when the stream starts;
//   streamStep        after a buffer-done signal: renders the buffer that is
//                     free into the other slot and queues it; false once the
//                     stop flag is set (nothing more is queued);
//   streamEnd         releases the channels' texts; the stream has ended.
int streamThreadProc();
void streamFirstWrite();
bool streamStep();
void streamEnd();

// The device-driven stream's turn (StreamDriver::Device): takes every
// buffer-done signal waiting now, without blocking, and runs streamStep for
// each. Call it from the device's playback callback after a buffer has been
// played. False when the stream is not running (or has just ended); with
// the thread driver it does nothing and returns false.
bool pumpSoundOutput();

// True while the output thread runs (it has neither timed out nor stopped).
// The stream's two queued buffers in the order the device plays them (0: the
// one it finishes next), null before the stream has started; and its device
// (the stand-in when there is none). For snapshots, under the engine's lock.
uint8_t* queuedWaveBuffer(int order);
platform::WaveDevice* streamDevice();

bool soundOutputRunning();
// The number of buffers renderMix has filled since the stream was started.
uint64_t soundBuffersRendered();
