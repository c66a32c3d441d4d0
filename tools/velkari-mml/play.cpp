#include "play.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "cue_path.h"
#include "diag/quote.h"
#include "shared/tool_usage.h"

#if VELKARI_HAVE_SDL2 || VELKARI_HAVE_WAVEOUT
#define VELKARI_HAVE_PLAYBACK 1
#include "sound/output_stream.h"
#include "sound/sequencer.h"
#include "sound/sound_engine.h"
#endif
#if VELKARI_HAVE_SDL2
#include "sdl2/sdl_audio.h"
#elif VELKARI_HAVE_WAVEOUT
#include "win32/waveout_device.h"
#endif

namespace {

int PlayUsage(const std::string& message) {
  std::fprintf(stderr,
               "velkari-mml: play: %s\nusage: velkari-mml play [--cue CH TEXT]... | --song FILE\n",
               message.c_str());
  return EXIT_USAGE;
}

#if VELKARI_HAVE_PLAYBACK

volatile std::sig_atomic_t interrupted = 0;

extern "C" void OnInterrupt(int) {
  interrupted = 1;
}

bool AnyChannelPlaying() {
  std::lock_guard<std::mutex> lock(soundEngineMutex());
  for (const SoundChannel& c : gSoundChannels)
    if (c.playing) return true;
  return false;
}

void Sleep10() {
  std::this_thread::sleep_for(std::chrono::milliseconds(10));
}

// The buffer in which the last channel stopped has been rendered but is still
// queued: wait until the output thread has rendered `more` further buffers,
// by which time the device has played it (and the buffer behind it).
void DrainQueuedBuffers(uint64_t more) {
  const uint64_t until = soundBuffersRendered() + more;
  while (!interrupted && soundOutputRunning() && soundBuffersRendered() < until) Sleep10();
}

#endif

}  // namespace

int RunPlay(int argc, char** argv) {
  std::vector<Cue> cues;
  const char* songPath = nullptr;
  std::string error;
  for (int i = 0; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--song") {
      if (songPath) return PlayUsage("--song is given twice");
      const bool escaped = i + 1 < argc && std::string(argv[i + 1]) == "--";
      if (escaped) ++i;
      if (i + 1 >= argc || !*argv[i + 1]) return PlayUsage("--song needs one song file");
      if (!escaped && argv[i + 1][0] == '-' && argv[i + 1][1] != '\0')
        return PlayUsage("--song needs a file name, not the option '" +
                         QuoteForMessage(argv[i + 1]) + "' (a file named so follows --)");
      songPath = argv[++i];
      continue;
    }
    if (a != "--cue") return PlayUsage("unexpected argument '" + QuoteForMessage(a) + "'");
    Cue cue;
    if (!TakeCue(argc, argv, &i, &cue, &error)) return PlayUsage(error);
    cues.push_back(cue);
  }
  if (songPath && !cues.empty()) return PlayUsage("give --song or --cue, not both");
  if (songPath) {
    Song song;
    if (!LoadSong(songPath, &song)) return EXIT_USAGE;
    cues = SongCues(song);
    if (cues.empty()) return PlayUsage(QuotePath(songPath) + " has no channel line to play");
  }
  if (cues.empty()) return PlayUsage("nothing to play: give at least one --cue CH TEXT");

#if VELKARI_HAVE_PLAYBACK
#if VELKARI_HAVE_SDL2
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  if (SDL_Init(SDL_INIT_AUDIO) != 0) {
    std::fprintf(stderr, "velkari-mml: play: no sound device: %s\n", SDL_GetError());
    return 1;
  }
  sdl2::SdlAudioDevice device;
  auto deviceError = [] { return std::string(SDL_GetError()); };
#else
  win32::WaveOutDevice device;
  auto deviceError = [&device] {
    return "waveOutOpen gave " + std::to_string(device.OpenResult());
  };
#endif
  StartSoundOutput(&device);
  if (!device.IsOpen()) {
    std::fprintf(stderr, "velkari-mml: play: cannot open the sound device: %s\n",
                 deviceError().c_str());
    StopSoundOutput();
#if VELKARI_HAVE_SDL2
    SDL_Quit();
#endif
    return 1;
  }
  std::signal(SIGINT, OnInterrupt);
  std::signal(SIGTERM, OnInterrupt);

  // The same path as render and the game: every channel gets an empty text,
  // then each cue is cleared, appended, started and released in turn.
  PlayCues(cues);
  while (!interrupted && soundOutputRunning() && AnyChannelPlaying()) Sleep10();
  DrainQueuedBuffers(4);
  const bool deviceLost = !interrupted && !soundOutputRunning();

  StopSoundOutput();
  device.Close();
#if VELKARI_HAVE_SDL2
  SDL_Quit();
#endif
  std::signal(SIGINT, SIG_DFL);
  std::signal(SIGTERM, SIG_DFL);
  if (deviceLost) {
    std::fprintf(stderr, "velkari-mml: play: the sound device stopped taking buffers\n");
    return 1;
  }
  return 0;
#else
  std::fprintf(stderr, "velkari-mml: play: this build has no sound output\n");
  return 1;
#endif
}
