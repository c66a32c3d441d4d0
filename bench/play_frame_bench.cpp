// BM_PlayFrame: one whole frame of the play scene on stage 1 with the player
// walking to and fro along row 2: clear, board, panel, player, the rules, and
// the present into the headless window's memory.
#include <benchmark/benchmark.h>

#include <string>

#include "game/game_state.h"
#include "game/scenes.h"
#include "gfx/image_store.h"
#include "headless/headless_window.h"
#include "input/input_state.h"
#include "platform/platform.h"
#include "program_dir.h"
#include "sound/channel_interface.h"
#include "sound/sound_engine.h"

namespace {

void BM_PlayFrame(benchmark::State& state) {
  headless::HeadlessWindow window;
  startSoundEngine();
  gImageStore.Create(bench::ProgramDir().c_str(), &window);
  gInputState = InputState();
  gInputState.Attach(&window);
  ResetScenes();
  RunSceneFrame();  // the boot scene loads the sheets
  if (!gImageStore.SlotLoaded(1)) state.SkipWithError("the cell sheet did not load (bin/img)");
  StartNewGame();
  SetUpStage();
  GenerateBoard();
  gPlayer.playerY = 2;
  SetScene(SCENE_PLAY);
  int frame = 0;
  for (auto _ : state) {
    // 12 cells right, then 12 back: row 2 of stage 1 is open floor.
    const bool right = (frame / (12 * 16)) % 2 == 0;
    window.SetKey(platform::VKEY_RIGHT, right);
    window.SetKey(platform::VKEY_LEFT, !right);
    gGame.timeLeft = 180;
    RunSceneFrame();
    ++frame;
  }
  benchmark::DoNotOptimize(window.LastFrame().data());
  gInputState.Attach(nullptr);
  gImageStore.Destroy();
  stopSoundEngine();
}
BENCHMARK(BM_PlayFrame);

}  // namespace
