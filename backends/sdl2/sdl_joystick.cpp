// The first joystick through SDL. A pad SDL knows as a game controller is read
// by its roles (south face button, west face button, Start, d-pad and left
// stick), so every such pad plays alike; any other joystick gives its first
// two axes and its buttons as they are numbered.
#include "sdl2/sdl_window.h"

namespace sdl2 {

namespace {

SDL_GameController* openController = nullptr;
SDL_Joystick* openJoystick = nullptr;

void CloseStick() {
  if (openController)
    SDL_GameControllerClose(openController);
  else if (openJoystick)
    SDL_JoystickClose(openJoystick);
  openController = nullptr;
  openJoystick = nullptr;
}

// Opens joystick 0 if none is open (or the open one was unplugged).
bool OpenStick() {
  if (openJoystick && SDL_JoystickGetAttached(openJoystick)) return true;
  CloseStick();
  if (!SDL_WasInit(SDL_INIT_JOYSTICK) || SDL_NumJoysticks() < 1) return false;
  if (SDL_WasInit(SDL_INIT_GAMECONTROLLER) && SDL_IsGameController(0)) {
    openController = SDL_GameControllerOpen(0);
    if (openController) openJoystick = SDL_GameControllerGetJoystick(openController);
  }
  if (!openJoystick) openJoystick = SDL_JoystickOpen(0);
  return openJoystick != nullptr;
}

// SDL axes run -32768..32767; the game's positions 0..65535.
uint32_t Position(Sint16 axis) {
  return static_cast<uint32_t>(static_cast<int32_t>(axis) + 32768);
}

}  // namespace

uint32_t SdlWindow::ReadJoystick(platform::JoystickReading* out) {
  if (!out || !OpenStick()) return platform::JOYSTICK_UNPLUGGED;
  platform::JoystickReading r;
  if (openController) {
    SDL_GameController* c = openController;
    r.x = Position(SDL_GameControllerGetAxis(c, SDL_CONTROLLER_AXIS_LEFTX));
    r.y = Position(SDL_GameControllerGetAxis(c, SDL_CONTROLLER_AXIS_LEFTY));
    if (SDL_GameControllerGetButton(c, SDL_CONTROLLER_BUTTON_DPAD_LEFT)) r.x = 0;
    if (SDL_GameControllerGetButton(c, SDL_CONTROLLER_BUTTON_DPAD_RIGHT)) r.x = 65535;
    if (SDL_GameControllerGetButton(c, SDL_CONTROLLER_BUTTON_DPAD_UP)) r.y = 0;
    if (SDL_GameControllerGetButton(c, SDL_CONTROLLER_BUTTON_DPAD_DOWN)) r.y = 65535;
    if (SDL_GameControllerGetButton(c, SDL_CONTROLLER_BUTTON_A)) r.buttons |= 4;        // button 3
    if (SDL_GameControllerGetButton(c, SDL_CONTROLLER_BUTTON_X)) r.buttons |= 8;        // button 4
    if (SDL_GameControllerGetButton(c, SDL_CONTROLLER_BUTTON_START)) r.buttons |= 256;  // 9
  } else {
    SDL_Joystick* j = openJoystick;
    const int axes = SDL_JoystickNumAxes(j);
    if (axes > 0) r.x = Position(SDL_JoystickGetAxis(j, 0));
    if (axes > 1) r.y = Position(SDL_JoystickGetAxis(j, 1));
    const int buttons = SDL_JoystickNumButtons(j);
    for (int n = 0; n < buttons && n < 32; ++n)
      if (SDL_JoystickGetButton(j, n)) r.buttons |= 1u << n;
  }
  *out = r;
  return platform::JOYSTICK_OK;
}

}  // namespace sdl2
