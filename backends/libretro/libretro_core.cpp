// velkari as a libretro core: the frontend (RetroArch and the others) loads
// this module, calls retro_run once a frame and shows what it is handed.
// Each retro_run is exactly one frame of the game: the frontend does the
// pacing that the frame clock's catch-up does on the desktop. The game
// needs no content and no files (its pictures are built in), plays 640 x 480
// at 62.5 frames a second and 44,100 Hz stereo, and its whole state is the
// shell's snapshot, so save states, rewind and run-ahead come for free.
#include <libretro.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>

#include "app/about_box.h"
#include "app/shell.h"
#include "libretro/built_in_pictures.h"
#include "libretro/retro_audio.h"
#include "libretro/retro_window.h"
#include "platform/platform.h"

namespace {

retro_environment_t environ_cb = nullptr;
retro_video_refresh_t video_cb = nullptr;
retro_audio_sample_batch_t audio_batch_cb = nullptr;
retro_input_poll_t input_poll_cb = nullptr;
retro_input_state_t input_state_cb = nullptr;
retro_log_printf_t log_cb = nullptr;

libretro::RetroWindow* window = nullptr;
libretro::RetroWaveDevice* device = nullptr;
bool running = false;
// The keys the pad held on the frame before, for the About box, which takes
// presses.
uint8_t heldKeys[256] = {};
// Frames shown while the About box stands: the game's time does not move,
// and the frontend is handed silence at the same rate.
uint64_t aboutFrames = 0;
int16_t samples[2 * 706];

void LogReport(const char* line) {
  if (log_cb) log_cb(RETRO_LOG_WARN, "%s\n", line);
}

// The RetroPad as the desktop's pad: the d-pad and the left stick walk, B
// (south) is Z, Y (west) is X, Start is Esc; Select is the About box.
struct PadKey {
  unsigned id;
  int vkey;
};
constexpr PadKey PAD_KEYS[] = {
    {RETRO_DEVICE_ID_JOYPAD_UP, platform::VKEY_UP},
    {RETRO_DEVICE_ID_JOYPAD_DOWN, platform::VKEY_DOWN},
    {RETRO_DEVICE_ID_JOYPAD_LEFT, platform::VKEY_LEFT},
    {RETRO_DEVICE_ID_JOYPAD_RIGHT, platform::VKEY_RIGHT},
    {RETRO_DEVICE_ID_JOYPAD_B, platform::VKEY_Z},
    {RETRO_DEVICE_ID_JOYPAD_Y, platform::VKEY_X},
    {RETRO_DEVICE_ID_JOYPAD_START, platform::VKEY_ESCAPE},
    {RETRO_DEVICE_ID_JOYPAD_SELECT, platform::VKEY_SLASH},
};
// The stick counts as pushed beyond half its way, as the desktop's does.
constexpr int STICK_THRESHOLD = 16384;

void ReadPad(uint8_t keys[256]) {
  std::memset(keys, 0, 256);
  if (!input_state_cb) return;
  for (const PadKey& k : PAD_KEYS)
    if (input_state_cb(0, RETRO_DEVICE_JOYPAD, 0, k.id)) keys[k.vkey] = 0x80;
  const int x = input_state_cb(0, RETRO_DEVICE_ANALOG, RETRO_DEVICE_INDEX_ANALOG_LEFT,
                               RETRO_DEVICE_ID_ANALOG_X);
  const int y = input_state_cb(0, RETRO_DEVICE_ANALOG, RETRO_DEVICE_INDEX_ANALOG_LEFT,
                               RETRO_DEVICE_ID_ANALOG_Y);
  if (x < -STICK_THRESHOLD) keys[platform::VKEY_LEFT] = 0x80;
  if (x > STICK_THRESHOLD) keys[platform::VKEY_RIGHT] = 0x80;
  if (y < -STICK_THRESHOLD) keys[platform::VKEY_UP] = 0x80;
  if (y > STICK_THRESHOLD) keys[platform::VKEY_DOWN] = 0x80;
}

// Makes the next RunFrame run exactly one frame of the game: the first idle
// call only starts the frame clock, after which the window's clock stands
// one frame past the clock's last frame.
void RunOneFrame() {
  FrameClock& clock = ShellFrameClock();
  if (!clock.started) RunFrame(*window);
  window->SetTickCount(clock.nextFrameTime + FRAME_MILLISECONDS);
  RunFrame(*window);
}

bool Start() {
  window = new libretro::RetroWindow();
  device = new libretro::RetroWaveDevice();
  RouteReports(LogReport);
  UseBuiltInPictures(libretro::BUILT_IN_PICTURES, libretro::BUILT_IN_PICTURE_COUNT);
  DriveSoundFromDevice();
  if (!StartProgram(*window, device, "")) return false;
  std::memset(heldKeys, 0, sizeof heldKeys);
  aboutFrames = 0;
  // The idle call that starts the clock, before the first frame.
  RunFrame(*window);
  running = true;
  return true;
}

void Stop() {
  if (running) StopProgram();
  running = false;
  RouteReports(nullptr);
  delete window;
  delete device;
  window = nullptr;
  device = nullptr;
}

}  // namespace

RETRO_API unsigned retro_api_version(void) {
  return RETRO_API_VERSION;
}

RETRO_API void retro_set_environment(retro_environment_t cb) {
  environ_cb = cb;
  bool noGame = true;
  cb(RETRO_ENVIRONMENT_SET_SUPPORT_NO_GAME, &noGame);
}

RETRO_API void retro_set_video_refresh(retro_video_refresh_t cb) {
  video_cb = cb;
}
RETRO_API void retro_set_audio_sample(retro_audio_sample_t) {}
RETRO_API void retro_set_audio_sample_batch(retro_audio_sample_batch_t cb) {
  audio_batch_cb = cb;
}
RETRO_API void retro_set_input_poll(retro_input_poll_t cb) {
  input_poll_cb = cb;
}
RETRO_API void retro_set_input_state(retro_input_state_t cb) {
  input_state_cb = cb;
}

RETRO_API void retro_init(void) {
  log_cb = nullptr;
  retro_log_callback logging;
  if (environ_cb && environ_cb(RETRO_ENVIRONMENT_GET_LOG_INTERFACE, &logging)) log_cb = logging.log;
}

RETRO_API void retro_deinit(void) {
  Stop();
  log_cb = nullptr;
}

RETRO_API void retro_get_system_info(retro_system_info* info) {
  std::memset(info, 0, sizeof *info);
  info->library_name = "velkari";
  info->library_version = VELKARI_CORE_VERSION;
  info->valid_extensions = "";
  info->need_fullpath = false;
  info->block_extract = true;
}

RETRO_API void retro_get_system_av_info(retro_system_av_info* info) {
  std::memset(info, 0, sizeof *info);
  info->geometry.base_width = platform::CLIENT_WIDTH;
  info->geometry.base_height = platform::CLIENT_HEIGHT;
  info->geometry.max_width = platform::CLIENT_WIDTH;
  info->geometry.max_height = platform::CLIENT_HEIGHT;
  info->geometry.aspect_ratio = 4.0f / 3.0f;
  info->timing.fps = 1000.0 / FRAME_MILLISECONDS;
  info->timing.sample_rate = 44100.0;
}

RETRO_API void retro_set_controller_port_device(unsigned, unsigned) {}

RETRO_API bool retro_load_game(const retro_game_info*) {
  if (!environ_cb) return false;
  retro_pixel_format format = RETRO_PIXEL_FORMAT_XRGB8888;
  if (!environ_cb(RETRO_ENVIRONMENT_SET_PIXEL_FORMAT, &format)) {
    LogReport("velkari: the frontend does not take XRGB8888 frames");
    return false;
  }
  static const retro_input_descriptor descriptors[] = {
      {0, RETRO_DEVICE_JOYPAD, 0, RETRO_DEVICE_ID_JOYPAD_LEFT, "Left"},
      {0, RETRO_DEVICE_JOYPAD, 0, RETRO_DEVICE_ID_JOYPAD_UP, "Up"},
      {0, RETRO_DEVICE_JOYPAD, 0, RETRO_DEVICE_ID_JOYPAD_DOWN, "Down"},
      {0, RETRO_DEVICE_JOYPAD, 0, RETRO_DEVICE_ID_JOYPAD_RIGHT, "Right"},
      {0, RETRO_DEVICE_JOYPAD, 0, RETRO_DEVICE_ID_JOYPAD_B, "PASS / start"},
      {0, RETRO_DEVICE_JOYPAD, 0, RETRO_DEVICE_ID_JOYPAD_Y, "DESTROY"},
      {0, RETRO_DEVICE_JOYPAD, 0, RETRO_DEVICE_ID_JOYPAD_START, "pause"},
      {0, RETRO_DEVICE_JOYPAD, 0, RETRO_DEVICE_ID_JOYPAD_SELECT, "About"},
      {0, RETRO_DEVICE_ANALOG, RETRO_DEVICE_INDEX_ANALOG_LEFT, RETRO_DEVICE_ID_ANALOG_X,
       "Walk left / right"},
      {0, RETRO_DEVICE_ANALOG, RETRO_DEVICE_INDEX_ANALOG_LEFT, RETRO_DEVICE_ID_ANALOG_Y,
       "Walk up / down"},
      {0, 0, 0, 0, nullptr},
  };
  environ_cb(RETRO_ENVIRONMENT_SET_INPUT_DESCRIPTORS,
             const_cast<retro_input_descriptor*>(descriptors));
  if (running) Stop();
  if (!Start()) {
    Stop();
    return false;
  }
  return true;
}

RETRO_API bool retro_load_game_special(unsigned, const retro_game_info*, size_t) {
  return false;
}

RETRO_API void retro_unload_game(void) {
  Stop();
}

RETRO_API unsigned retro_get_region(void) {
  return RETRO_REGION_NTSC;
}

RETRO_API void retro_reset(void) {
  if (!running) return;
  ResetProgram();
  std::memset(heldKeys, 0, sizeof heldKeys);
  aboutFrames = 0;
}

RETRO_API void retro_run(void) {
  if (!running) return;
  if (input_poll_cb) input_poll_cb();
  uint8_t keys[256];
  ReadPad(keys);
  window->SetKeys(keys);
  // The keys pressed now reach the About box first, as a window's events
  // come before its idle call.
  for (int vk = 0; vk < 256; ++vk) {
    if (!(keys[vk] & 0x80) || (heldKeys[vk] & 0x80)) continue;
    if (AboutBoxOpen()) {
      AboutBoxKey(vk);
    } else if (vk == platform::VKEY_SLASH) {
      OpenAboutBox();
    }
  }
  std::memcpy(heldKeys, keys, sizeof heldKeys);

  uint32_t count = 0;
  if (AboutBoxOpen()) {
    // The box is modal: no frame runs and no sound is made behind it.
    ++aboutFrames;
    count = static_cast<uint32_t>(libretro::FramesHandedOn(aboutFrames) -
                                  libretro::FramesHandedOn(aboutFrames - 1));
    std::memset(samples, 0, count * 4);
  } else {
    RunOneFrame();
    const uint64_t frame = FramesRun();
    for (uint64_t n = libretro::BuffersPlayed(frame - 1); n < libretro::BuffersPlayed(frame); ++n)
      device->BufferPlayed();
    count = device->FrameSamples(frame, samples);
  }
  if (video_cb)
    video_cb(window->Frame(), platform::CLIENT_WIDTH, platform::CLIENT_HEIGHT,
             platform::CLIENT_WIDTH * sizeof(uint32_t));
  if (audio_batch_cb && count > 0) audio_batch_cb(samples, count);
}

RETRO_API size_t retro_serialize_size(void) {
  return SNAPSHOT_SIZE;
}

RETRO_API bool retro_serialize(void* data, size_t size) {
  if (!running || !data) return false;
  return SaveSnapshot(static_cast<uint8_t*>(data), size);
}

RETRO_API bool retro_unserialize(const void* data, size_t size) {
  if (!running || !data) return false;
  std::string reason;
  if (!LoadSnapshot(static_cast<const uint8_t*>(data), size, &reason)) {
    LogReport(("velkari: the state is refused: " + reason).c_str());
    return false;
  }
  return true;
}

RETRO_API void retro_cheat_reset(void) {}
RETRO_API void retro_cheat_set(unsigned, bool, const char*) {}

RETRO_API void* retro_get_memory_data(unsigned) {
  return nullptr;
}
RETRO_API size_t retro_get_memory_size(unsigned) {
  return 0;
}
