// The application shell: the one start-up path of every program. It owns the
// order in which the program-wide objects start and stop, the window's create
// and destroy paths and the frame loop. A backend's entry point (main,
// WinMain) makes its window object and its wave device, finds the program's
// folder, and calls RunProgram; a backend that cannot block (the web) calls
// StartProgram, then RunFrame from its own loop, and StopProgram.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "app/frame_clock.h"

namespace platform {
class Window;
class WaveDevice;
}  // namespace platform
namespace replay {
class RecordingFile;
}  // namespace replay

// The whole program: StartProgram, the message loop until the window has been
// destroyed, then StopProgram. Returns the exit code, 0 (also when the window
// could not be made).
int RunProgram(platform::Window& window, platform::WaveDevice* device,
               const std::string& programDir);

// Constructs the program-wide objects in order: the ImageStore (nothing to do
// until the window exists), the InputState, and the sound engine, which starts
// streaming silence to `device` at once (null: the game is silent). Then
// creates the window and makes the back buffer at its client area; pictures
// are looked for in img/ under the current folder, then under programDir.
// False when the window could not be made: the objects are stopped again.
bool StartProgram(platform::Window& window, platform::WaveDevice* device,
                  const std::string& programDir);
// The window has gone: releases the drawing surfaces and the channels' music
// texts, then the program-wide objects in the reverse order, the sound engine
// first.
void StopProgram();

// A picture built into the program in place of its file: the path the game
// names it by ("img/girl.bmp") and the bytes of the BMP file.
struct BuiltInPicture {
  const char* path;
  const uint8_t* bytes;
  size_t size;
};
// The game's pictures are taken from `pictures` (count entries, which stay
// the caller's while the program runs) before any folder is tried: a program
// that is one file (a frontend's core) needs no img/ beside it. Call before
// StartProgram.
void UseBuiltInPictures(const BuiltInPicture* pictures, size_t count);

// Recording (velkari --record): from the first frame on, the keys each frame
// reads are written to `file` (the backend made it, new, once the window was
// open; `name` is its name for the reports) as a key script, headed by
// `firstLine` as a comment; the file is closed by StopProgram. False with the
// reason in `error` when the first line cannot be written. Call after
// StartProgram, before the first frame.
bool RecordKeysTo(std::unique_ptr<replay::RecordingFile> file, const std::string& name,
                  const std::string& firstLine, std::string* error);
// Whether the recording stopped early because a write failed (it was
// reported then); the game went on. Read after StopProgram.
bool RecordingFailed();
// Playback (velkari --play): the frames read the key script in `path` instead
// of the window's keys until it ends, then the window's again. Refuses a file
// that cannot be read or is not a valid script, with the line and the reason
// in `error`. Call before StartProgram.
bool PlayKeysFrom(const std::string& path, std::string* error);

// One idle call: the frame clock, then at most one frame of the current scene.
// Always 0.
int RunFrame(platform::Window& window);
// How long the loop may sleep before the next frame is due; 0 when one is due.
uint32_t MillisecondsUntilFrame(platform::Window& window);

// Runs until the window is destroyed; returns the exit code, 0. When no frame
// is due it sleeps until a window event arrives or the next frame is due,
// never past it, so an idle game keeps no core busy. Used by RunProgram.
int RunMessageLoop(platform::Window& window);

// The pieces of StartProgram and StopProgram, for tests and tools that drive
// a window they made themselves (velkari-replay).
void StartProgramObjects(platform::WaveDevice* device = nullptr);
void StopProgramObjects();
void OnWindowCreate(platform::Window* window, const char* programDir);
void OnWindowDestroy();

// For a backend without threads (the web): its wave device drives the sound
// stream, calling PumpSound each time it has played a buffer, and no output
// thread is started. Call before StartProgram.
void DriveSoundFromDevice();
// The stream's turn on such a device's call: renders and queues a buffer for
// every one played. False when the stream is not running.
bool PumpSound();

// Sends the program's one-line reports (a picture that does not load, no
// sound device) to `sink` instead of standard error; null restores that.
using ReportSink = void (*)(const char* utf8Line);
void RouteReports(ReportSink sink);
// The key `vkey` (a platform::VKEY_ code) reads as up to the game until it
// is released: a backend calls it for a key that did the window's work, such
// as the Enter of Alt+Enter.
void HoldBackKey(int vkey);

// Hands one line (without its line end) to the program's reports.
void Report(const char* utf8Line);

// The shell's frame clock (program-wide), for tests and tools.
FrameClock& ShellFrameClock();
// The frames the game has run since the program started (or was reset, or
// since the start of the run a loaded snapshot was saved from).
uint64_t FramesRun();

// A fresh start in the same process, for a frontend's reset and a page's
// "New game": every room's state as StartProgram leaves it before the first
// frame (the boot scene, high score 0, silent channels, the clock not
// started, the About box closed), the pictures loaded again. The window and
// the wave device stay as they are; a recording or playback is not touched.
// Call between frames, never from inside one.
void ResetProgram();

// Snapshots: the whole running state of the program as bytes of its own,
// fixed layout (little-endian, the same on every platform and build). Every
// snapshot of one build has the same size, SNAPSHOT_SIZE.
// SaveSnapshot writes it into `out` (at least SNAPSHOT_SIZE bytes); false when
// `out` is smaller, before the window exists, or while a channel holds a music
// text longer than a snapshot keeps (the game's never do between frames).
// LoadSnapshot checks every field of `data`
// before anything changes: a snapshot it refuses leaves the program exactly
// as it was and gives the reason in `reason` (one line, no line end). After a
// load the program goes on with exactly the frames and samples of the run
// the snapshot was saved from. Both are called between frames, on the thread
// that runs them. Neither allocates, but for what a frame itself would: a
// loaded channel's music text (as PlayCue's), and the pictures when none
// have been loaded since the window was made. A clock more than a minute
// behind (the About box left open) is saved as a minute behind.
extern const size_t SNAPSHOT_SIZE;
bool SaveSnapshot(uint8_t* out, size_t size);
bool LoadSnapshot(const uint8_t* data, size_t size, std::string* reason);
// Writes the checksum of `size` snapshot bytes into their header, as
// SaveSnapshot does: for tests and fuzzing that change fields on purpose.
void SealSnapshot(uint8_t* data, size_t size);
