// The first joystick through SDL, met by a real (virtual) game controller:
// its left stick, d-pad, south, west and Start buttons must drive the game
// exactly as the arrow keys, Z, X and Esc do, frame for frame, and unplugging
// and plugging it back in the middle of a game must leave the game running on
// the keyboard meanwhile and on the pad again afterwards.
#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/shell.h"
#include "diag/diag.h"
#include "game/game_state.h"
#include "game/scenes.h"
#include "headless/headless_window.h"
#include "sdl2/sdl_window.h"

namespace {
// The headless window with its joystick read through the SDL backend.
class PadWindow final : public headless::HeadlessWindow {
 public:
  uint32_t ReadJoystick(platform::JoystickReading* out) override { return sdl_.ReadJoystick(out); }

 private:
  sdl2::SdlWindow sdl_;  // never created: only its joystick code is used
};

enum Role {
  NONE,
  UP,
  DOWN,
  LEFT,
  RIGHT,
  BUTTON_Z,
  BUTTON_X,
  BUTTON_ESC,
  UNPLUG,
  REPLUG,
  LAST_SECOND
};
enum Via { STICK, DPAD };

struct Step {
  int frames;
  Role role;
  Via via = STICK;
};

// A walk with stick and d-pad that pushes the block at (4, 1) on stage 1, a
// pause, DESTROY, PASS to stage 2, the pad unplugged for a while, a walk on
// once it is back, then (the clock set to its last unit rather than three
// minutes of waiting) game over and the way back to the title.
std::vector<Step> Script() {
  return {
      {1, NONE},         {1, BUTTON_Z},    {2, NONE},        {48, RIGHT, STICK}, {1, NONE},
      {1, BUTTON_X},     {2, NONE},        {16, DOWN, DPAD}, {16, LEFT, STICK},  {1, BUTTON_ESC},
      {3, NONE},         {1, BUTTON_ESC},  {16, UP, DPAD},   {16, DOWN, STICK},  {1, BUTTON_Z},
      {3, NONE},         {1, UNPLUG},      {20, NONE},       {1, REPLUG},        {2, NONE},
      {16, RIGHT, DPAD}, {16, DOWN, DPAD}, {16, LEFT, DPAD}, {16, UP, STICK},    {1, LAST_SECOND},
      {70, NONE},        {1, BUTTON_Z},    {4, NONE},
  };
}

void Quiet(const char*) {}

std::string TraceLine() {
  char line[256];
  std::snprintf(line, sizeof line,
                "scene=%u stage=%d score=%d time=%d items=%d player=%d,%d moving=%d slide=%d,%d "
                "carrying=%d",
                static_cast<unsigned>(Scene), static_cast<int>(gGame.stage),
                static_cast<int>(gGame.score), static_cast<int>(gGame.timeLeft),
                static_cast<int>(gGame.itemsLeft), static_cast<int>(gPlayer.playerX),
                static_cast<int>(gPlayer.playerY), gPlayer.moving ? 1 : 0,
                static_cast<int>(gPlayer.slideX), static_cast<int>(gPlayer.slideY),
                gPlayer.carryingBlock ? 1 : 0);
  return line;
}

class Pad : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    SDL_SetHint(SDL_HINT_JOYSTICK_HIDAPI, "0");
    SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
    ASSERT_EQ(SDL_Init(SDL_INIT_JOYSTICK | SDL_INIT_GAMECONTROLLER), 0) << SDL_GetError();
    SetDiagnosticSink(&Quiet);  // no pictures here
  }
  static void TearDownTestSuite() {
    SetDiagnosticSink(nullptr);
    SDL_Quit();
  }

  int Attach() {
    const int index = SDL_JoystickAttachVirtual(
        SDL_JOYSTICK_TYPE_GAMECONTROLLER, SDL_CONTROLLER_AXIS_MAX, SDL_CONTROLLER_BUTTON_MAX, 0);
    EXPECT_GE(index, 0) << SDL_GetError();
    return index;
  }

  // The pad as the next update will show it: one role held, or nothing.
  void HoldOnPad(int index, Role role, Via via) {
    SDL_Joystick* j = SDL_JoystickFromInstanceID(SDL_JoystickGetDeviceInstanceID(index));
    if (!j) j = SDL_JoystickOpen(index);
    ASSERT_NE(j, nullptr);
    opened_.push_back(j);
    const bool stick = via == STICK;
    SDL_JoystickSetVirtualAxis(j, SDL_CONTROLLER_AXIS_LEFTX,
                               stick && role == LEFT    ? -32768
                               : stick && role == RIGHT ? 32767
                                                        : 0);
    SDL_JoystickSetVirtualAxis(j, SDL_CONTROLLER_AXIS_LEFTY,
                               stick && role == UP     ? -32768
                               : stick && role == DOWN ? 32767
                                                       : 0);
    SDL_JoystickSetVirtualButton(j, SDL_CONTROLLER_BUTTON_DPAD_UP, !stick && role == UP);
    SDL_JoystickSetVirtualButton(j, SDL_CONTROLLER_BUTTON_DPAD_DOWN, !stick && role == DOWN);
    SDL_JoystickSetVirtualButton(j, SDL_CONTROLLER_BUTTON_DPAD_LEFT, !stick && role == LEFT);
    SDL_JoystickSetVirtualButton(j, SDL_CONTROLLER_BUTTON_DPAD_RIGHT, !stick && role == RIGHT);
    SDL_JoystickSetVirtualButton(j, SDL_CONTROLLER_BUTTON_A, role == BUTTON_Z);
    SDL_JoystickSetVirtualButton(j, SDL_CONTROLLER_BUTTON_X, role == BUTTON_X);
    SDL_JoystickSetVirtualButton(j, SDL_CONTROLLER_BUTTON_START, role == BUTTON_ESC);
  }

  // Plays the script from program start, on the keyboard or on the pad, and
  // gives the game state after every frame.
  std::vector<std::string> Play(bool onPad) {
    gGame = GameState{};
    gPlayer = PlayerState{};
    ResetScenes();
    int index = onPad ? Attach() : -1;
    PadWindow window;
    ShellFrameClock() = FrameClock{};  // each run is a program start
    StartProgramObjects(nullptr);
    OnWindowCreate(&window, "");
    RunFrame(window);
    std::vector<std::string> trace;
    for (const Step& step : Script()) {
      for (int f = 0; f < step.frames; ++f) {
        window.ReleaseAllKeys();
        if (step.role == LAST_SECOND) gGame.timeLeft = 1;
        if (onPad) {
          if (step.role == UNPLUG && index >= 0) {
            SDL_JoystickDetachVirtual(index);
            index = -1;
          } else if (step.role == REPLUG && index < 0) {
            index = Attach();
          }
          if (index >= 0) HoldOnPad(index, step.role, step.via);
          SDL_JoystickUpdate();
        } else {
          const int keys[] = {0,
                              platform::VKEY_UP,
                              platform::VKEY_DOWN,
                              platform::VKEY_LEFT,
                              platform::VKEY_RIGHT,
                              platform::VKEY_Z,
                              platform::VKEY_X,
                              platform::VKEY_ESCAPE,
                              0,
                              0,
                              0};
          if (keys[step.role]) window.SetKey(keys[step.role], true);
        }
        window.Advance(FRAME_MILLISECONDS);
        RunFrame(window);
        trace.push_back(TraceLine());
      }
    }
    OnWindowDestroy();
    StopProgramObjects();
    if (index >= 0) SDL_JoystickDetachVirtual(index);
    SDL_JoystickUpdate();
    return trace;
  }

  std::vector<SDL_Joystick*> opened_;
};

TEST_F(Pad, DrivesTheGameExactlyAsTheKeyboardDoesAndSurvivesAnUnplug) {
  const std::vector<std::string> keyboard = Play(false);
  const std::vector<std::string> pad = Play(true);
  ASSERT_EQ(pad.size(), keyboard.size());
  for (size_t f = 0; f < pad.size(); ++f) ASSERT_EQ(pad[f], keyboard[f]) << "frame " << f + 1;
  // The script reaches what it is meant to: moves, a pause, game over and the
  // title again.
  auto seen = [&](const char* what) {
    for (const std::string& l : keyboard)
      if (l.find(what) != std::string::npos) return true;
    return false;
  };
  EXPECT_TRUE(seen("scene=10 ")) << "paused";
  EXPECT_TRUE(seen("stage=2 ")) << "passed";
  EXPECT_TRUE(seen("carrying=1")) << "pushed";
  EXPECT_TRUE(seen("time=174 ")) << "destroyed the pushed block";
  EXPECT_TRUE(seen("scene=5 ")) << "game over";
  EXPECT_TRUE(seen("moving=1")) << "walked";
  EXPECT_EQ(keyboard.back().substr(0, 8), "scene=1 ") << keyboard.back();
}

}  // namespace
