#include "app/shell.h"

#include <vector>

#include "app/about_box.h"
#include "app/replay_record.h"
#include "app/shell_rooms.h"
#include "diag/diag.h"
#include "game/game_state.h"
#include "game/scene_state.h"
#include "game/scenes.h"
#include "gfx/image_store.h"
#include "input/input_state.h"
#include "platform/platform.h"
#include "sound/channel_interface.h"
#include "sound/output_stream.h"
#include "sound/sound_state.h"

namespace {
FrameClock frameClock;
// How long the loop sleeps at a time while the About box is up.
constexpr uint32_t ABOUT_BOX_WAIT_MS = 100;
replay::KeyRecorder recorder;
// The keys of the last frame that polled: a frame that reads nothing is
// recorded with them.
uint32_t recordedKeys = 0;
replay::KeyPlayback playback;
bool playing = false;
platform::Window* shellWindow = nullptr;
uint64_t framesRun = 0;

// The game's rooms and the shell's own state as a start leaves them before
// the first frame: the boot scene next, the zeros of the game state, the
// clock not started, the About box closed.
void ResetRooms() {
  ResetScenes();
  gGame = GameState{};
  gPlayer = PlayerState{};
  gBoard = Board{};
  frameClock = FrameClock{};
  framesRun = 0;
  ForgetAboutBox();
}
}  // namespace

bool RecordKeysTo(std::unique_ptr<replay::RecordingFile> file, const std::string& name,
                  const std::string& firstLine, std::string* error) {
  recordedKeys = 0;
  return recorder.Open(std::move(file), name, firstLine, error);
}

bool RecordingFailed() {
  return recorder.Failed();
}

bool PlayKeysFrom(const std::string& path, std::string* error) {
  playing = playback.Load(path, error);
  return playing;
}

FrameClock& ShellFrameClock() {
  return frameClock;
}

void UseBuiltInPictures(const BuiltInPicture* pictures, size_t count) {
  std::vector<PictureBytes> table;
  for (size_t i = 0; i < count; ++i)
    table.push_back({pictures[i].path, pictures[i].bytes, pictures[i].size});
  gImageStore.UsePictures(std::move(table));
}

uint64_t FramesRun() {
  return framesRun;
}

void SetFramesRun(uint64_t frames) {
  framesRun = frames;
}

platform::Window* ShellWindow() {
  return shellWindow;
}

void ResetProgram() {
  ResetRooms();
  gInputState = InputState();
  gInputState.Attach(shellWindow);
  // A new back buffer is black; the boot frame loads the pictures again.
  gImageStore.Clear();
  resetSoundState();
}

void StartProgramObjects(platform::WaveDevice* device) {
  // 1. The ImageStore: nothing until the window exists.
  // 2. The InputState, and the game's rooms as a start leaves them.
  gInputState = InputState();
  ResetRooms();
  // 3. The sound engine.
  StartSoundOutput(device);
}

void StopProgramObjects() {
  // The reverse order: the sound engine first, then the InputState and the
  // ImageStore, whose clean-ups do nothing.
  StopSoundOutput();
}

void OnWindowCreate(platform::Window* window, const char* programDir) {
  gImageStore.Create(programDir, window, platform::CLIENT_WIDTH, platform::CLIENT_HEIGHT);
  gInputState.Attach(window);
  shellWindow = window;
}

void OnWindowDestroy() {
  ForgetPictures();
  shellWindow = nullptr;
  gInputState.Attach(nullptr);
  ReleaseAboutBox();
  gImageStore.Destroy();
  releaseAllChannelText();
}

int RunFrame(platform::Window& window) {
  // The About box is modal: its frames wait, and come due together after it.
  if (AboutBoxOpen()) return 0;
  frameClock.Start(window.TickCount());
  if (!frameClock.FrameDue(window.TickCount())) return 0;
  if (playing) {
    const uint8_t* keys = playback.NextFrame();
    gInputState.Feed(keys);
    playing = keys != nullptr;
  }
  const uint32_t polls = gInputState.polls;
  RunSceneFrame();
  ++framesRun;
  if (recorder.IsOpen()) {
    if (gInputState.polls != polls) recordedKeys = replay::KeysRead(gInputState);
    recorder.Frame(recordedKeys);
  }
  return 0;
}

uint32_t MillisecondsUntilFrame(platform::Window& window) {
  return frameClock.MillisecondsUntilDue(window.TickCount());
}

int RunMessageLoop(platform::Window& window) {
  for (;;) {
    if (!window.PumpEvents()) return 0;
    if (AboutBoxOpen()) {
      // Nothing runs behind the box: sleep until the player does something.
      window.WaitForEvent(ABOUT_BOX_WAIT_MS);
      continue;
    }
    RunFrame(window);
    const uint32_t wait = MillisecondsUntilFrame(window);
    if (wait > 0) window.WaitForEvent(wait);
  }
}

bool StartProgram(platform::Window& window, platform::WaveDevice* device,
                  const std::string& programDir) {
  StartProgramObjects(device);
  if (!window.Create()) {
    StopProgramObjects();
    return false;
  }
  OnWindowCreate(&window, programDir.c_str());
  return true;
}

void StopProgram() {
  recorder.Close();
  OnWindowDestroy();
  StopProgramObjects();
}

int RunProgram(platform::Window& window, platform::WaveDevice* device,
               const std::string& programDir) {
  if (!StartProgram(window, device, programDir)) return 0;
  const int exitCode = RunMessageLoop(window);
  StopProgram();
  return exitCode;
}

void DriveSoundFromDevice() {
  SetStreamDriver(StreamDriver::Device);
}

bool PumpSound() {
  return pumpSoundOutput();
}

void RouteReports(ReportSink sink) {
  SetDiagnosticSink(sink);
}

void HoldBackKey(int vkey) {
  gInputState.IgnoreUntilReleased(vkey);
}

void Report(const char* utf8Line) {
  Diagnostic(utf8Line);
}
