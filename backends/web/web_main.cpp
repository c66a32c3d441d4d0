// velkari in a browser tab: the page's entry point over Emscripten. The page
// cannot block, so the shell is driven from the browser's animation frames:
// each one runs every game frame that has come due on the frame clock. The
// page keeps the running game in the browser's storage (page.js): a snapshot
// copied out in the frame, written after it, and loaded at the next start.
#include <emscripten.h>
#include <emscripten/html5.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/about_box.h"
#include "app/resume.h"
#include "app/shell.h"
#include "platform/program_texts.h"
#include "web/web_audio.h"
#include "web/web_window.h"

namespace {

web::WebWindow pageWindow;
web::WebAudioDevice pageAudio;
bool clockStarted = false;
// Where the page put the recording named by ?replay= (page.js).
constexpr char REPLAY_FILE[] = "/replay.keys";
// The longest the page runs frames in one go before it lets the browser in.
constexpr double CATCH_UP_SLICE_MS = 50.0;
uint64_t framesRun = 0;

// Where the page put the game it kept (page.js), and how often the page
// keeps a game in play: well inside the two seconds a killed tab may lose.
constexpr char SAVED_FILE[] = "/saved.snapshot";
constexpr double SAVE_EVERY_MS = 1500.0;
// False while a recording plays (?replay=): it neither resumes nor
// overwrites the game the page keeps.
bool keepsGame = false;
std::vector<uint8_t> snapshotBytes;
double lastSaveAt = 0.0;

EM_JS(int, velkari_page_keeps_game, (), { return Module.velkariPage.keepsGame(); });
EM_JS(void, velkari_page_saved, (const uint8_t* bytes, int size, double frame, double copyMs),
      { Module.velkariPage.saved(bytes, size, frame, copyMs); });
EM_JS(void, velkari_page_resumed, (double frame, int paused),
      { Module.velkariPage.resumed(frame, paused); });
EM_JS(void, velkari_page_resume_refused, (const char* reason),
      { Module.velkariPage.resumeRefused(UTF8ToString(reason)); });

// The frames run at the last snapshot handed to the page, and whether a game
// was in play then.
uint64_t framesKept = UINT64_MAX;
bool keptInPlay = false;

// The snapshot of the game as it is, made in the frame and handed to the
// page, which copies it out and writes it to the storage once it is idle.
void KeepGame() {
  lastSaveAt = emscripten_get_now();
  if (!keepsGame || !SaveSnapshot(snapshotBytes.data(), snapshotBytes.size())) return;
  framesKept = FramesRun();
  keptInPlay = GameInPlay();
  velkari_page_saved(snapshotBytes.data(), static_cast<int>(snapshotBytes.size()),
                     static_cast<double>(FramesRun()), emscripten_get_now() - lastSaveAt);
}

// The clock starts again from the page's own time on the next animation
// frame, and the frames count on from the shell's.
void RestartClock() {
  ShellFrameClock() = FrameClock();
  clockStarted = false;
  framesRun = FramesRun();
  pageWindow.SetFrameNumber(framesRun);
}

// The game the page kept: one of this build's format resumes where it was
// (paused, if it was in play); one the build refuses is dropped, and the
// game starts as usual.
void ResumeKeptGame() {
  std::FILE* f = std::fopen(SAVED_FILE, "rb");
  if (!f) return;
  std::vector<uint8_t> data;
  if (std::fseek(f, 0, SEEK_END) == 0) {
    const long size = std::ftell(f);
    if (size > 0 && std::fseek(f, 0, SEEK_SET) == 0) {
      data.resize(static_cast<size_t>(size));
      data.resize(std::fread(data.data(), 1, data.size(), f));
    }
  }
  std::fclose(f);
  std::remove(SAVED_FILE);
  std::string reason;
  if (data.empty()) data.push_back(0);  // nothing stored is refused like any other
  if (!LoadSnapshot(data.data(), data.size(), &reason)) {
    velkari_page_resume_refused(reason.c_str());
    return;
  }
  RestartClock();
  const bool paused = PauseGameInPlay();
  velkari_page_resumed(static_cast<double>(framesRun), paused ? 1 : 0);
}

void AnimationFrame() {
  // The About box is modal, as on the desktop: the game waits, and its frames
  // catch up once the box is closed.
  if (AboutBoxOpen()) return;
  if (!clockStarted) {
    RunFrame(pageWindow);  // the first idle call only starts the clock
    clockStarted = true;
  }
  // Every frame that is due, back to back, as the desktop catches up after a
  // stall; but after a long stretch of them the page gets its turn (key
  // events, the sound callback) before the rest follow on the next callback.
  const double start = emscripten_get_now();
  const uint64_t before = framesRun;
  while (MillisecondsUntilFrame(pageWindow) == 0) {
    pageWindow.SetFrameNumber(++framesRun);
    RunFrame(pageWindow);
    if (emscripten_get_now() - start > CATCH_UP_SLICE_MS) break;
  }
  // While a game is played, and once more as it stops (the pause, game
  // over); the title and the pause wait, and are kept as the page is left.
  if (framesRun != before && (keptInPlay || GameInPlay()) &&
      emscripten_get_now() - lastSaveAt >= SAVE_EVERY_MS)
    KeepGame();
}

bool IsAboutKey(const EmscriptenKeyboardEvent* e) {
  return e->altKey && (std::strcmp(e->key, "/") == 0 || std::strcmp(e->key, "?") == 0 ||
                       std::strcmp(e->code, "Slash") == 0);
}

EM_BOOL OnKeyDown(int, const EmscriptenKeyboardEvent* e, void*) {
  if (AboutBoxOpen()) {
    // The box takes the keyboard while it is up.
    if (!e->repeat) AboutBoxKey(web::VirtualKeyOfCode(e->code));
    return EM_TRUE;
  }
  if (IsAboutKey(e)) {
    if (!e->repeat) {
      // Its key ups go to the box: the game sees every key released.
      pageWindow.ReleaseAllKeys();
      OpenAboutBox();
    }
    return EM_TRUE;
  }
  return pageWindow.OnKey(e->code, true) ? EM_TRUE : EM_FALSE;
}

EM_BOOL OnKeyUp(int, const EmscriptenKeyboardEvent* e, void*) {
  return pageWindow.OnKey(e->code, false) ? EM_TRUE : EM_FALSE;
}

// A click on the canvas, in the frame's pixels (the canvas may be scaled).
EM_BOOL OnMouseDown(int, const EmscriptenMouseEvent* e, void*) {
  if (!AboutBoxOpen() || e->button != 0) return EM_FALSE;
  double width = 0, height = 0;
  emscripten_get_element_css_size("#canvas", &width, &height);
  if (width <= 0 || height <= 0) return EM_FALSE;
  AboutBoxClick(static_cast<int>(e->targetX * platform::CLIENT_WIDTH / width),
                static_cast<int>(e->targetY * platform::CLIENT_HEIGHT / height));
  return EM_TRUE;
}

EM_BOOL OnBlur(int, const EmscriptenFocusEvent*, void*) {
  pageWindow.ReleaseAllKeys();
  return EM_FALSE;
}

EM_JS(void, velkari_page_replay_refused, (const char* reason),
      { Module.velkariPage.replayRefused(UTF8ToString(reason)); });

// ?replay=NAME: the recording the page fetched plays as velkari --play plays
// it; one that is not a key script is refused on the page and the game
// starts as usual.
void PlayTheFetchedRecording() {
  std::FILE* f = std::fopen(REPLAY_FILE, "rb");
  if (!f) return;
  std::fclose(f);
  std::string error;
  if (PlayKeysFrom(REPLAY_FILE, &error)) return;
  const std::string prefix = std::string(REPLAY_FILE) + ": ";
  if (error.rfind(prefix, 0) == 0) error.erase(0, prefix.size());
  velkari_page_replay_refused(error.c_str());
}

}  // namespace

// The page is being hidden or left: a game in play waits in the pause (the
// hidden time comes due at once when the page is shown again), and the page
// keeps the game as it is now, unless it has it already.
extern "C" EMSCRIPTEN_KEEPALIVE void velkari_leave_page() {
  if (!keepsGame) return;
  const bool paused = PauseGameInPlay();
  if (paused || FramesRun() != framesKept) KeepGame();
}

// The page's "New game": the program starts afresh, at the boot frame.
extern "C" EMSCRIPTEN_KEEPALIVE void velkari_new_game() {
  pageWindow.ReleaseAllKeys();
  ResetProgram();
  RestartClock();
  lastSaveAt = emscripten_get_now();
}

int main() {
  emscripten_set_window_title(VELKARI_TEXT_TITLE);
  emscripten_set_keydown_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr, EM_TRUE, OnKeyDown);
  emscripten_set_keyup_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr, EM_TRUE, OnKeyUp);
  emscripten_set_mousedown_callback("#canvas", nullptr, EM_TRUE, OnMouseDown);
  emscripten_set_blur_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr, EM_FALSE, OnBlur);

  // No thread in the page: the audio device's callback drives the stream.
  DriveSoundFromDevice();
  PlayTheFetchedRecording();
  // The pictures were fetched into img/ of the page's file system.
  if (!StartProgram(pageWindow, &pageAudio, "/")) {
    std::fprintf(stderr, "velkari: the page has no 640x480 canvas to draw on\n");
    return 0;
  }
  keepsGame = velkari_page_keeps_game() != 0;
  if (keepsGame) {
    snapshotBytes.assign(SNAPSHOT_SIZE, 0);
    ResumeKeptGame();
  }
  lastSaveAt = emscripten_get_now();
  // On requestAnimationFrame; the program stays alive after main returns.
  emscripten_set_main_loop(AnimationFrame, 0, false);
  return 0;
}
