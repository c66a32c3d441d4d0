// What the shell keeps of its own from frame to frame, for the snapshot code
// beside it: the window it drives and the count of frames run.
#pragma once

#include <cstdint>

namespace platform {
class Window;
}

// The window made by OnWindowCreate, null before and after.
platform::Window* ShellWindow();
void SetFramesRun(uint64_t frames);
