#include "sdl2/sdl_window.h"

#include <cstdio>

#include "app/about_box.h"
#include "platform/program_texts.h"

namespace sdl2 {

namespace {

struct KeyMap {
  SDL_Scancode scancode;
  int vkey;
};
// The keypad keys are read by position, so they steer whatever the NumLock
// state; both Enter keys count as Enter.
constexpr KeyMap KEY_MAP[] = {
    {SDL_SCANCODE_LEFT, platform::vkey::kLeft},
    {SDL_SCANCODE_RIGHT, platform::vkey::kRight},
    {SDL_SCANCODE_UP, platform::vkey::kUp},
    {SDL_SCANCODE_DOWN, platform::vkey::kDown},
    {SDL_SCANCODE_KP_2, platform::vkey::kNumpad2},
    {SDL_SCANCODE_KP_4, platform::vkey::kNumpad4},
    {SDL_SCANCODE_KP_6, platform::vkey::kNumpad6},
    {SDL_SCANCODE_KP_8, platform::vkey::kNumpad8},
    {SDL_SCANCODE_Z, platform::vkey::kZ},
    {SDL_SCANCODE_X, platform::vkey::kX},
    {SDL_SCANCODE_SPACE, platform::vkey::kSpace},
    {SDL_SCANCODE_RETURN, platform::vkey::kReturn},
    {SDL_SCANCODE_KP_ENTER, platform::vkey::kReturn},
    {SDL_SCANCODE_ESCAPE, platform::vkey::kEscape},
};

int VkeyOf(SDL_Scancode scancode) {
  for (const KeyMap& m : KEY_MAP) {
    if (m.scancode == scancode) return m.vkey;
  }
  return 0;
}

}  // namespace

SdlWindow::~SdlWindow() {
  Destroy();
}

bool SdlWindow::Create() {
  window_ = SDL_CreateWindow(VELKARI_TEXT_TITLE, SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED,
                             platform::kClientWidth, platform::kClientHeight, SDL_WINDOW_SHOWN);
  if (!window_) {
    std::fprintf(stderr, "velkari: the window could not be created: %s\n", SDL_GetError());
    return false;
  }
  // Make the window's surface now: should SDL have to back it with a renderer,
  // it recreates the window here, before anyone has seen it, not at the first
  // frame.
  SDL_GetWindowSurface(window_);
  return true;
}

void SdlWindow::Destroy() {
  if (window_) SDL_DestroyWindow(window_);
  window_ = nullptr;
}

uint32_t SdlWindow::TickCount() {
  return SDL_GetTicks();
}

bool SdlWindow::PumpEvents() {
  if (!window_ || closed_) return false;
  SDL_Event e;
  while (SDL_PollEvent(&e)) {
    switch (e.type) {
      case SDL_QUIT:
        closed_ = true;
        return false;
      case SDL_WINDOWEVENT:
        if (e.window.event == SDL_WINDOWEVENT_CLOSE) {
          closed_ = true;
          return false;
        }
        // An uncovered window shows the last presented frame again.
        if (e.window.event == SDL_WINDOWEVENT_EXPOSED) SDL_UpdateWindowSurface(window_);
        break;
      case SDL_KEYDOWN:
        if (e.key.repeat) break;
        if (AboutBoxOpen()) {
          AboutBoxKey(VkeyOf(e.key.keysym.scancode));
        } else if ((e.key.keysym.mod & KMOD_ALT) &&
                   (e.key.keysym.sym == SDLK_SLASH || e.key.keysym.sym == SDLK_QUESTION)) {
          // Alt+/ and Alt+? (Shift+/ on most layouts).
          OpenAboutBox();
        }
        break;
      case SDL_MOUSEBUTTONDOWN:
        if (e.button.button == SDL_BUTTON_LEFT && AboutBoxOpen())
          AboutBoxClick(e.button.x, e.button.y);
        break;
      default:
        break;
    }
  }
  return true;
}

void SdlWindow::WaitForEvent(uint32_t timeoutMs) {
  if (timeoutMs == 0) return;
  SDL_WaitEventTimeout(nullptr, static_cast<int>(timeoutMs));
}

void SdlWindow::Present(const uint32_t* pixels, int width, int height) {
  if (!window_) return;
  SDL_Surface* target = SDL_GetWindowSurface(window_);
  if (!target) return;
  // 0x00BBGGRR pixels are SDL's XBGR8888; the blit converts to the window's
  // format on the way.
  SDL_Surface* frame = SDL_CreateRGBSurfaceWithFormatFrom(
      const_cast<uint32_t*>(pixels), width, height, 32, width * 4, SDL_PIXELFORMAT_XBGR8888);
  if (!frame) return;
  SDL_BlitSurface(frame, nullptr, target, nullptr);
  SDL_FreeSurface(frame);
  SDL_UpdateWindowSurface(window_);
}

void SdlWindow::ReadKeyboard(uint8_t keys[256]) {
  for (int i = 0; i < 256; ++i) keys[i] = 0;
  int count = 0;
  const Uint8* state = SDL_GetKeyboardState(&count);
  auto down = [&](SDL_Scancode sc) { return sc < count && state[sc]; };
  for (const KeyMap& m : KEY_MAP) {
    if (down(m.scancode)) keys[m.vkey] = 0x80;
  }
}

}  // namespace sdl2
