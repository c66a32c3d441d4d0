// InputState: the keyboard and the first joystick merged into one direction
// code and a set of button bits, with the previous poll's bits beside them so
// that a fresh press can be told from a held button. One program-wide instance,
// constructed second at start-up; the title, play, pause and game over scenes
// poll it once per frame on the main thread.
#pragma once

#include <cstdint>

namespace platform {
class Window;
}

// Raw direction bits, from either device.
constexpr uint32_t DIR_LEFT = 1;
constexpr uint32_t DIR_RIGHT = 2;
constexpr uint32_t DIR_UP = 4;
constexpr uint32_t DIR_DOWN = 8;

// Direction codes after remapping, clockwise from up.
constexpr uint32_t DIR_NONE = 0;
constexpr uint32_t DIR_CODE_UP = 1;
constexpr uint32_t DIR_CODE_RIGHT = 3;
constexpr uint32_t DIR_CODE_DOWN = 5;
constexpr uint32_t DIR_CODE_LEFT = 7;

// Button bits: a joystick's button n is 2^(n-1); the keyboard adds these.
constexpr uint32_t BUTTON_A = 4;
constexpr uint32_t BUTTON_X = 8;
constexpr uint32_t BUTTON_PAUSE = 256;

// Rows of the remap table.
constexpr int REMAP_HORIZONTAL = 0;
constexpr int REMAP_FOUR_WAY = 1;
constexpr int REMAP_EIGHT_WAY = 2;

// Indexed by mode * 16 + dirBits.
extern const uint8_t DirectionRemapTable[48];

// The joystick record handed to each read, laid out as the multimedia joystick
// API's extended record so that its size and flags mean the same everywhere.
struct JoyInfoEx {
  uint32_t dwSize = 52;
  uint32_t dwFlags = 131;  // JOY_RETURNX | JOY_RETURNY | JOY_RETURNBUTTONS
  uint32_t dwXpos = 0;
  uint32_t dwYpos = 0;
  uint32_t dwZpos = 0;
  uint32_t dwRpos = 0;
  uint32_t dwUpos = 0;
  uint32_t dwVpos = 0;
  uint32_t dwButtons = 0;
  uint32_t dwButtonNumber = 0;
  uint32_t dwPOV = 0;
  uint32_t dwReserved1 = 0;
  uint32_t dwReserved2 = 0;
};
static_assert(sizeof(JoyInfoEx) == 52);

class InputState {
 public:
  InputState();

  // The window whose keyboard and joystick the polls read; null reads nothing
  // (all keys up, no joystick). Set by the shell once the window exists.
  void Attach(platform::Window* source) { source_ = source; }

  // Playback: while `keys` (256 virtual-key states) is set, the polls read it
  // as the keyboard, with no joystick and nothing held back; null gives the
  // window's devices back. The array must outlive its use.
  void Feed(const uint8_t* keys) { fed_ = keys; }

  // Reads both devices and rebuilds dir and buttons; mode selects the row of
  // DirectionRemapTable (anything but 0, 1 or 2 is treated as 1).
  void Poll(int mode);

  // The fresh-press rule: the bits changed since the previous poll and are now
  // exactly `button`.
  bool Pressed(uint32_t button) const { return buttons != prevButtons && buttons == button; }
  // The keys held now read as up until they are released: a key that closed
  // the About box does not reach the game. Joystick buttons are not held back.
  void IgnoreHeldKeys();
  // The one key `vkey` reads as up until it is next seen released: the Enter
  // of Alt+Enter, which toggles fullscreen, is not the game's DESTROY.
  void IgnoreUntilReleased(int vkey);

  // The joystick's buttons as the polls count them (the last good read's).
  uint32_t JoyButtons() const { return joyButtons_; }

  // Snapshots: what the polls carry from one frame to the next besides the
  // public fields. The window and fed keys are the shell's, not state.
  struct Carried {
    uint32_t joyButtons = 0;
    uint8_t ignored[256] = {};
    bool ignoring = false;
  };
  Carried SaveCarried() const;
  void LoadCarried(const Carried& carried);

  uint32_t dirBits = 0;
  uint32_t joyDirBits = 0;
  uint8_t keys[256] = {};
  uint32_t joyResult = 0;
  JoyInfoEx joyInfo;
  uint32_t dir = 0;
  uint32_t buttons = 0;
  uint32_t prevButtons = 0;
  // Counts the polls, so that the shell can tell a frame that read the input.
  uint32_t polls = 0;

 private:
  // The buttons of the last successful joystick read, kept through failures.
  uint32_t joyButtons_ = 0;
  // Keys that read as up until released (IgnoreHeldKeys, IgnoreUntilReleased),
  // high bit set.
  uint8_t ignored_[256] = {};
  bool ignoring_ = false;
  platform::Window* source_ = nullptr;
  const uint8_t* fed_ = nullptr;
};

// The program-wide instance.
extern InputState gInputState;
