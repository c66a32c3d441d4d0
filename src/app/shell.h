// The application shell: the start-up and exit order of the program-wide
// objects, the window's create and destroy paths, the message loop and
// RunFrame. A backend's entry point calls these in the order
//   StartProgramObjects, (create the window) OnWindowCreate, RunMessageLoop,
//   StopProgramObjects
// and the loop calls OnWindowDestroy when the window has gone.
#pragma once

#include <cstdint>

#include "app/frame_clock.h"

namespace platform {
class Window;
}
class WaveDevice;

// Constructs the program-wide objects in order: the ImageStore (nothing to do
// until the window exists), the InputState, the sound engine, which starts
// streaming (silence) to `device` at once. A null device: the game is silent.
void StartProgramObjects(WaveDevice* device = nullptr);
// Their clean-ups in the reverse order: the sound engine first.
void StopProgramObjects();

// The window exists: make the back buffer at its 640 x 480 client area.
void OnWindowCreate(platform::Window* window, const char* programDir);
// The window has been destroyed: release the drawing surfaces and the
// channels' music texts.
void OnWindowDestroy();

// One idle call: the frame clock, then at most one frame of the current scene.
// Always 0.
int RunFrame(platform::Window& window);

// Runs until the window is destroyed; returns the exit code, 0. When no frame
// is due it sleeps until a window event arrives or the next frame is due,
// never past it, so an idle game keeps no core busy.
int RunMessageLoop(platform::Window& window);

// The shell's frame clock (program-wide), for tests and tools.
FrameClock& ShellFrameClock();
