#include "app/shell.h"

#include "game/scenes.h"
#include "gfx/image_store.h"
#include "platform/platform.h"

namespace {
FrameClock gFrameClock;
}  // namespace

FrameClock& ShellFrameClock() {
  return gFrameClock;
}

void StartProgramObjects() {
  // 1. The ImageStore: nothing until the window exists.
  // 2. The InputState.
  // 3. The sound engine.
}

void StopProgramObjects() {
  // The reverse order: the sound engine first, then the InputState and the
  // ImageStore, whose clean-ups do nothing.
}

void OnWindowCreate(platform::Window* window, const char* programDir) {
  gImageStore.Create(programDir, window, platform::kClientWidth, platform::kClientHeight);
}

void OnWindowDestroy() {
  gImageStore.Destroy();
}

int RunFrame(platform::Window& window) {
  gFrameClock.Start(window.TickCount());
  if (!gFrameClock.FrameDue(window.TickCount())) return 0;
  RunSceneFrame();
  return 0;
}

int RunMessageLoop(platform::Window& window) {
  for (;;) {
    if (!window.PumpEvents()) {
      OnWindowDestroy();
      return 0;
    }
    RunFrame(window);
    const uint32_t wait = gFrameClock.MillisecondsUntilDue(window.TickCount());
    if (wait > 0) window.WaitForEvent(wait);
  }
}
