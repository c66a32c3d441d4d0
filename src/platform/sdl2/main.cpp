// velkari on Linux: the process entry point over SDL2.
#include <SDL.h>

#include <cstdio>
#include <string>

#include "app/shell.h"
#include "sdl2/sdl_audio.h"
#include "sdl2/sdl_window.h"
#include "sdl2/x11_errors.h"

int main(int, char**) {
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
    return 0;
  }
  // Without a sound device or a joystick the game runs on, silent or on the
  // keyboard alone.
  SDL_InitSubSystem(SDL_INIT_AUDIO);
  SDL_InitSubSystem(SDL_INIT_JOYSTICK | SDL_INIT_GAMECONTROLLER);

  // The sound device opens before the window exists: the output thread
  // streams silence from here on.
  sdl2::SdlAudioDevice audio;
  StartProgramObjects(&audio);
  int exitCode = 0;
  {
    sdl2::SdlWindow window;
    if (window.Create()) {
      char* base = SDL_GetBasePath();
      const std::string programDir = base ? base : "";
      SDL_free(base);
      OnWindowCreate(&window, programDir.c_str());
      exitCode = RunMessageLoop(window);
    } else {
      std::fprintf(stderr, "velkari: the window could not be created: %s\n", SDL_GetError());
    }
  }
  StopProgramObjects();
  SDL_Quit();
  return exitCode;
}
