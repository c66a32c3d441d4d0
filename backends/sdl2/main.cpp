// velkari on Linux: the process entry point over SDL2.
#include <SDL.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/command_line.h"
#include "app/shell.h"
#include "common/new_file.h"
#include "sdl2/sdl_audio.h"
#include "sdl2/sdl_window.h"
#include "sdl2/x11_errors.h"

namespace {

// --scale N against the first screen's area for windows (the whole screen
// when the system does not tell it): the message to exit with, or empty.
std::string ScaleRefused(int scale) {
  if (scale == 1) return "";
  SDL_Rect area{};
  if (SDL_GetDisplayUsableBounds(0, &area) != 0 || area.w <= 0 || area.h <= 0) {
    SDL_DisplayMode mode{};
    if (SDL_GetDesktopDisplayMode(0, &mode) != 0) return "";
    area.w = mode.w;
    area.h = mode.h;
  }
  return CheckScaleFits(scale, area.w, area.h);
}

}  // namespace

int main(int argc, char** argv) {
  int scale = 1;
  std::string record;
  if (const int code = HandleCommandLine(argc, argv, false, &scale, &record);
      code != EXIT_START_GAME)
    return code;
  // A file size limit makes a write fail (and the recording say so) rather
  // than end the game.
  std::signal(SIGXFSZ, SIG_IGN);
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  // The frame is finished in memory; the window only needs its plain surface,
  // not a 3D renderer behind it.
  SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  // Before SDL's video starts: SDL chains to this handler while it runs and
  // puts it back when it shuts down, so a late error during SDL_Quit is
  // still caught.
  sdl2::IgnoreLateWakeupErrors();
  if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
    std::fprintf(stderr, "velkari: no display to open a window on: %s\n", SDL_GetError());
    return EXIT_NO_WINDOW;
  }
  // Without a display SDL falls back on a driver that shows nothing: a game
  // no one can see or close. Such a driver is taken only when asked for.
  const char* driver = SDL_GetCurrentVideoDriver();
  if (driver && !std::getenv("SDL_VIDEODRIVER") &&
      (std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0)) {
    std::fprintf(stderr, "velkari: no display to open a window on (DISPLAY is %s)\n",
                 std::getenv("DISPLAY") ? "not reachable" : "not set");
    SDL_Quit();
    return EXIT_NO_WINDOW;
  }
  if (const std::string refused = ScaleRefused(scale); !refused.empty()) {
    std::fputs(refused.c_str(), stderr);
    SDL_Quit();
    return EXIT_BAD_COMMAND_LINE;
  }
  // Without a sound device or a joystick the game runs on, silent or on the
  // keyboard alone.
  SDL_InitSubSystem(SDL_INIT_AUDIO);
  SDL_InitSubSystem(SDL_INIT_JOYSTICK | SDL_INIT_GAMECONTROLLER);

  char* base = SDL_GetBasePath();
  const std::string programDir = base ? base : "";
  SDL_free(base);

  int exitCode = 0;
  {
    sdl2::SdlAudioDevice audio;
    sdl2::SdlWindow window(scale);
    if (!StartProgram(window, &audio, programDir)) {
      std::fprintf(stderr, "velkari: cannot open the window: %s\n", SDL_GetError());
      exitCode = EXIT_NO_WINDOW;
    } else {
      exitCode = RunStartedGame(window, record, common::MakeRecordingFile);
    }
  }
  SDL_Quit();
  return exitCode;
}
