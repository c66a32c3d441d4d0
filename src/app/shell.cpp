#include "app/shell.h"

#include "game/scenes.h"
#include "gfx/image_store.h"
#include "input/input_state.h"
#include "platform/platform.h"
#include "sound/channel_interface.h"
#include "sound/output_stream.h"

namespace {
FrameClock gFrameClock;
}  // namespace

FrameClock& ShellFrameClock() {
  return gFrameClock;
}

void StartProgramObjects(WaveDevice* device) {
  // 1. The ImageStore: nothing until the window exists.
  // 2. The InputState.
  gInputState = InputState();
  // 3. The sound engine.
  StartSoundOutput(device);
}

void StopProgramObjects() {
  // The reverse order: the sound engine first, then the InputState and the
  // ImageStore, whose clean-ups do nothing.
  StopSoundOutput();
}

void OnWindowCreate(platform::Window* window, const char* programDir) {
  gImageStore.Create(programDir, window, platform::kClientWidth, platform::kClientHeight);
  gInputState.Attach(window);
}

void OnWindowDestroy() {
  gImageStore.Destroy();
  releaseAllChannelText();
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
