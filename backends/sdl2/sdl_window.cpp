#include "sdl2/sdl_window.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "app/about_box.h"
#include "app/shell.h"
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
    {SDL_SCANCODE_LEFT, platform::VKEY_LEFT},
    {SDL_SCANCODE_RIGHT, platform::VKEY_RIGHT},
    {SDL_SCANCODE_UP, platform::VKEY_UP},
    {SDL_SCANCODE_DOWN, platform::VKEY_DOWN},
    {SDL_SCANCODE_KP_2, platform::VKEY_NUMPAD2},
    {SDL_SCANCODE_KP_4, platform::VKEY_NUMPAD4},
    {SDL_SCANCODE_KP_6, platform::VKEY_NUMPAD6},
    {SDL_SCANCODE_KP_8, platform::VKEY_NUMPAD8},
    {SDL_SCANCODE_Z, platform::VKEY_Z},
    {SDL_SCANCODE_X, platform::VKEY_X},
    {SDL_SCANCODE_SPACE, platform::VKEY_SPACE},
    {SDL_SCANCODE_RETURN, platform::VKEY_RETURN},
    {SDL_SCANCODE_KP_ENTER, platform::VKEY_RETURN},
    {SDL_SCANCODE_ESCAPE, platform::VKEY_ESCAPE},
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
  frame_ = SDL_CreateRGBSurfaceWithFormat(0, platform::CLIENT_WIDTH, platform::CLIENT_HEIGHT, 32,
                                          SDL_PIXELFORMAT_XBGR8888);
  if (!frame_) {
    std::fprintf(stderr, "velkari: no memory for the frame: %s\n", SDL_GetError());
    return false;
  }
  window_ = SDL_CreateWindow(VELKARI_TEXT_TITLE, SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED,
                             platform::CLIENT_WIDTH * scale_, platform::CLIENT_HEIGHT * scale_,
                             SDL_WINDOW_SHOWN);
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
  if (frame_) SDL_FreeSurface(frame_);
  frame_ = nullptr;
}

void SdlWindow::ToggleFullscreen() {
  const bool full = (SDL_GetWindowFlags(window_) & SDL_WINDOW_FULLSCREEN) != 0;
  // Back from fullscreen SDL gives the window its former client size.
  SDL_SetWindowFullscreen(window_, full ? 0 : SDL_WINDOW_FULLSCREEN_DESKTOP);
  bordersDirty_ = true;
  ShowFrame();
}

SDL_Rect SdlWindow::FrameRect(int* scale) const {
  int w = 0, h = 0;
  SDL_GetWindowSize(window_, &w, &h);
  SDL_Surface* target = SDL_GetWindowSurface(window_);
  if (target) {
    w = target->w;
    h = target->h;
  }
  int s = std::min(w / platform::CLIENT_WIDTH, h / platform::CLIENT_HEIGHT);
  if (s < 1) s = 1;
  *scale = s;
  const int fw = platform::CLIENT_WIDTH * s, fh = platform::CLIENT_HEIGHT * s;
  // A window smaller than the frame shows its top left corner.
  return SDL_Rect{std::max(0, (w - fw) / 2), std::max(0, (h - fh) / 2), fw, fh};
}

void SdlWindow::ShowFrame() {
  if (!window_ || !framePresented_) return;
  SDL_Surface* target = SDL_GetWindowSurface(window_);
  if (!target) return;
  int scale = 1;
  SDL_Rect at = FrameRect(&scale);
  if (bordersDirty_) {
    const Uint32 black = SDL_MapRGB(target->format, 0, 0, 0);
    const SDL_Rect border[4] = {
        {0, 0, target->w, at.y},
        {0, at.y + at.h, target->w, target->h - at.y - at.h},
        {0, at.y, at.x, at.h},
        {at.x + at.w, at.y, target->w - at.x - at.w, at.h},
    };
    for (const SDL_Rect& r : border)
      if (r.w > 0 && r.h > 0) SDL_FillRect(target, &r, black);
  }
  // 0x00BBGGRR pixels are SDL's XBGR8888; the blit converts to the window's
  // format on the way, and a scaled blit takes the nearest pixel, so at a
  // whole scale each pixel becomes a square of scale x scale.
  if (scale == 1) {
    SDL_BlitSurface(frame_, nullptr, target, &at);
  } else {
    SDL_BlitScaled(frame_, nullptr, target, &at);
  }
  if (bordersDirty_) {
    SDL_UpdateWindowSurface(window_);
    bordersDirty_ = false;
  } else {
    // The borders stay as they are: only the frame goes to the screen.
    SDL_Rect shown = at;
    SDL_IntersectRect(&at, &target->clip_rect, &shown);
    SDL_UpdateWindowSurfaceRects(window_, &shown, 1);
  }
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
        // A window of a new size, or uncovered, shows the last presented
        // frame again.
        if (e.window.event == SDL_WINDOWEVENT_SIZE_CHANGED ||
            e.window.event == SDL_WINDOWEVENT_EXPOSED) {
          bordersDirty_ = true;
          ShowFrame();
        }
        break;
      case SDL_KEYDOWN:
        if (e.key.repeat) break;
        if (e.key.keysym.scancode == SDL_SCANCODE_F11 ||
            ((e.key.keysym.mod & KMOD_ALT) && (e.key.keysym.scancode == SDL_SCANCODE_RETURN ||
                                               e.key.keysym.scancode == SDL_SCANCODE_KP_ENTER))) {
          if (e.key.keysym.scancode != SDL_SCANCODE_F11) HoldBackKey(platform::VKEY_RETURN);
          ToggleFullscreen();
        } else if (AboutBoxOpen()) {
          AboutBoxKey(VkeyOf(e.key.keysym.scancode));
        } else if ((e.key.keysym.mod & KMOD_ALT) &&
                   (e.key.keysym.sym == SDLK_SLASH || e.key.keysym.sym == SDLK_QUESTION)) {
          // Alt+/ and Alt+? (Shift+/ on most layouts).
          OpenAboutBox();
        }
        break;
      case SDL_MOUSEBUTTONDOWN:
        if (e.button.button == SDL_BUTTON_LEFT && AboutBoxOpen()) {
          // Window pixels to the frame's; a click on the black around it
          // falls outside the frame.
          int scale = 1;
          const SDL_Rect at = FrameRect(&scale);
          const int dx = e.button.x - at.x, dy = e.button.y - at.y;
          AboutBoxClick(dx < 0 ? -1 : dx / scale, dy < 0 ? -1 : dy / scale);
        }
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
  if (!window_ || !frame_ || !pixels) return;
  if (width != frame_->w || height != frame_->h) return;
  // Kept for a window that changes size or is uncovered; then one transfer
  // of the finished frame to the screen.
  for (int y = 0; y < height; ++y)
    std::memcpy(static_cast<uint8_t*>(frame_->pixels) + y * frame_->pitch, pixels + y * width,
                static_cast<size_t>(width) * 4);
  framePresented_ = true;
  ShowFrame();
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
