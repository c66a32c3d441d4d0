// velkari-replay: runs the game's own code on the headless backend, one frame
// per step of a virtual clock, driven by a script of held keys; prints a
// board, a per-frame trace, a summary of the run, and writes chosen frames as
// BMP files.
//   velkari-replay --board STAGE
//   velkari-replay --script FILE [--trace] [--summary] [--frame K:OUT.bmp]...
//                  [--audio OUT.wav | --render-audio] [--frames N]
//                  [--save-snapshot K:FILE]... [--load-snapshot FILE]
#ifndef _WIN32
#include <unistd.h>
#endif

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "app/about_box.h"
#include "app/replay_record.h"
#include "app/shell.h"
#include "game/game_state.h"
#include "game/scenes.h"
#include "gfx/bmp.h"
#include "gfx/surface.h"
#include "gfx/utf8_path.h"
#include "headless/headless_wave_device.h"
#include "headless/headless_window.h"
#include "shared/tool_usage.h"
#include "shared/wav.h"
#include "sound/sound_engine.h"
#ifdef _WIN32
#include "win32/system_paths.h"
#endif

namespace {

constexpr char USAGE[] =
    "usage: velkari-replay --board STAGE\n"
    "       velkari-replay --script FILE [--trace] [--summary] [--frame K:OUT.bmp]...\n"
    "                      [--audio OUT.wav | --render-audio] [--frames N]\n"
    "                      [--save-snapshot K:FILE]... [--load-snapshot FILE]\n"
    "  --board STAGE     print the board STAGE generates (15 rows of 15 codes) and its items\n"
    "  --script FILE     run the game headless, one frame per step; FILE holds lines\n"
    "                    'COUNT KEYS' (KEYS: - or Z X SPACE ENTER ESC UP DOWN LEFT RIGHT\n"
    "                    NUM2 NUM4 NUM6 NUM8 joined by +, and ABOUT for Alt+/);\n"
    "                    # starts a comment. While the About box is up the game's\n"
    "                    frames wait; they run back to back once it closes\n"
    "  --trace           print the game state after every frame the game runs\n"
    "  --summary         print one line after the run: 'frames=F stage=N score=N hiscore=N',\n"
    "                    the frames the game ran, the last stage reached, the score and\n"
    "                    the high score (a recording's claim, checked without a window)\n"
    "  --frame K:OUT.bmp write the picture shown after frame K as a 24-bit BMP\n"
    "  --audio OUT.wav   write the sound the engine rendered, one 1500-frame buffer per\n"
    "                    34 ms of virtual time, as a 44,100 Hz 16-bit stereo WAV\n"
    "  --render-audio    render the sound as --audio does, but keep none of it (long runs)\n"
    "  --frames N        run exactly N frames (no keys held after the script ends)\n"
    "  --save-snapshot K:FILE\n"
    "                    write the program's whole state after step K as a snapshot\n"
    "  --load-snapshot FILE\n"
    "                    start from a snapshot instead of from program start, and take\n"
    "                    the script's steps from the step it was saved after on\n";

int Usage(const std::string& message) {
  return RefuseCommandLine("velkari-replay", message, USAGE);
}

std::string ProgramDir() {
#ifdef _WIN32
  return win32::ProgramFolder();
#else
  char buf[4096];
  const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return "";
  std::string path(buf, static_cast<size_t>(n));
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? "" : path.substr(0, slash + 1);
#endif
}

void PrintBoard() {
  for (int y = 0; y < BOARD_SIZE; ++y) {
    for (int x = 0; x < BOARD_SIZE; ++x)
      std::printf(x ? " %d" : "%d", static_cast<int>(gBoard.At(x, y)));
    std::printf("\n");
  }
  std::printf("items %d\n", static_cast<int>(gGame.itemsLeft));
}

void PrintTrace(uint64_t frame) {
  std::printf(
      "frame=%llu scene=%u stage=%d score=%d time=%d items=%d player=%d,%d moving=%d "
      "slide=%d,%d carrying=%d\n",
      static_cast<unsigned long long>(frame), static_cast<unsigned>(Scene),
      static_cast<int>(gGame.stage), static_cast<int>(gGame.score),
      static_cast<int>(gGame.timeLeft), static_cast<int>(gGame.itemsLeft),
      static_cast<int>(gPlayer.playerX), static_cast<int>(gPlayer.playerY), gPlayer.moving ? 1 : 0,
      static_cast<int>(gPlayer.slideX), static_cast<int>(gPlayer.slideY),
      gPlayer.carryingBlock ? 1 : 0);
}

// A bottom-up 24-bit BMP of 0x00BBGGRR pixels; an empty frame (nothing
// presented yet) is written black.
bool WriteBmp(const std::string& path, const std::vector<uint32_t>& pixels, int w, int h) {
  Surface frame;
  frame.Create(w, h);
  if (pixels.size() == static_cast<size_t>(w) * static_cast<size_t>(h))
    std::copy(pixels.begin(), pixels.end(), frame.Pixels());
  std::vector<uint8_t> out;
  EncodeBmp(frame, out);
  std::ofstream f(Utf8Path(path), std::ios::binary);
  if (!f) return false;
  f.write(reinterpret_cast<const char*>(out.data()), static_cast<std::streamsize>(out.size()));
  return static_cast<bool>(f);
}

bool WriteWav(const std::string& path, const uint8_t* data, size_t bytes) {
  uint8_t header[WAV_HEADER_SIZE];
  WriteWavHeader(header, static_cast<uint32_t>(bytes));
  std::ofstream f(Utf8Path(path), std::ios::binary);
  if (!f) return false;
  f.write(reinterpret_cast<const char*>(header), WAV_HEADER_SIZE);
  f.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(bytes));
  return static_cast<bool>(f);
}

struct Options {
  bool board = false;
  int64_t stage = 0;
  std::string script;
  bool trace = false;
  bool summary = false;
  std::multimap<uint64_t, std::string> frames;  // frame -> output path
  bool haveFrames = false;
  std::string audio;
  bool renderAudio = false;
  uint64_t frameCount = 0;
  std::multimap<uint64_t, std::string> snapshots;  // step -> output path
  std::string loadSnapshot;
};

bool WriteBytes(const std::string& path, const uint8_t* data, size_t size) {
  std::ofstream f(Utf8Path(path), std::ios::binary);
  if (!f) return false;
  f.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  f.close();
  return static_cast<bool>(f);
}

// Reads a snapshot file: a regular file of at most one byte more than a
// snapshot of this build, so that a file of any size costs no more.
bool ReadSnapshotFile(const std::string& path, std::vector<uint8_t>* out, std::string* error) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(Utf8Path(path), ec)) {
    *error = "cannot read snapshot '" + path + "': not a regular file";
    return false;
  }
  std::ifstream f(Utf8Path(path), std::ios::binary);
  if (!f) {
    *error = "cannot read snapshot '" + path + "'";
    return false;
  }
  out->assign(SNAPSHOT_SIZE + 1, 0);
  f.read(reinterpret_cast<char*>(out->data()), static_cast<std::streamsize>(out->size()));
  out->resize(static_cast<size_t>(f.gcount()));
  return true;
}

// The headless window, keeping a copy of the presented picture only while a
// frame that is to be written is still ahead: a trace-only run, and a run
// past its last written frame, copy nothing.
class ReplayWindow : public headless::HeadlessWindow {
 public:
  void KeepFrames(bool keep) { keep_ = keep; }
  void Present(const uint32_t* pixels, int width, int height) override {
    if (keep_) headless::HeadlessWindow::Present(pixels, width, height);
  }

 private:
  bool keep_ = true;
};

int RunBoard(int64_t stage) {
  gGame.stage = static_cast<int32_t>(stage);
  SetUpStage();
  GenerateBoard();
  PrintBoard();
  return 0;
}

int RunScript(const Options& opt) {
  std::error_code ec;
  std::ifstream f(Utf8Path(opt.script), std::ios::binary);
  if (!f || std::filesystem::is_directory(opt.script, ec)) {
    std::fprintf(stderr, "velkari-replay: cannot read script '%s'\n", opt.script.c_str());
    return 2;
  }
  std::stringstream ss;
  ss << f.rdbuf();
  std::string error;
  replay::KeyPlayback playback;
  if (!playback.LoadText(ss.str(), &error)) {
    std::fprintf(stderr, "velkari-replay: %s: %s\n", opt.script.c_str(), error.c_str());
    return 2;
  }
  uint64_t total = playback.Frames();
  if (opt.haveFrames) total = opt.frameCount;
  for (const auto& [k, path] : opt.frames) {
    if (k > total) {
      std::fprintf(stderr, "velkari-replay: --frame %llu is past the run's last frame %llu\n",
                   static_cast<unsigned long long>(k), static_cast<unsigned long long>(total));
      return 2;
    }
  }
  for (const auto& [k, path] : opt.snapshots) {
    if (k > total) {
      std::fprintf(stderr,
                   "velkari-replay: --save-snapshot %llu is past the run's last frame %llu\n",
                   static_cast<unsigned long long>(k), static_cast<unsigned long long>(total));
      return 2;
    }
  }

  ReplayWindow window;
  window.SetTickCount(0);
  const uint64_t lastWritten = opt.frames.empty() ? 0 : opt.frames.rbegin()->first;
  window.KeepFrames(lastWritten > 0);
  // With --audio the output thread streams to a device that finishes a
  // buffer only when the virtual clock says so, so the samples are the same
  // on every run; without it the game runs silent.
  headless::HeadlessWaveDevice device;
  const bool audio = !opt.audio.empty() || opt.renderAudio;
  device.KeepPlayed(!opt.audio.empty());
  StartProgramObjects(audio ? &device : nullptr);
  // Buffer 0 (silence) and buffer 1 (rendered before any cue) are queued
  // before the first frame.
  if (audio && !device.WaitUntilQueued(2, 5000)) {
    std::fprintf(stderr, "velkari-replay: the sound output did not start\n");
    StopProgramObjects();
    return 1;
  }
  uint64_t buffersDone = 0;
  const std::string dir = ProgramDir();
  OnWindowCreate(&window, dir.c_str());
  RunFrame(window);  // the first idle call only starts the clock

  int status = 0;
  std::vector<int> held;  // the keys of the step before
  uint64_t framesRun = 0;
  uint64_t firstStep = 1;
  if (!opt.loadSnapshot.empty()) {
    std::vector<uint8_t> bytes;
    std::string why;
    if (!ReadSnapshotFile(opt.loadSnapshot, &bytes, &why) ||
        !LoadSnapshot(bytes.data(), bytes.size(), &why)) {
      if (why.rfind("cannot read", 0) != 0) why = opt.loadSnapshot + ": " + why;
      std::fprintf(stderr, "velkari-replay: %s\n", why.c_str());
      OnWindowDestroy();
      StopProgramObjects();
      return 2;
    }
    // The virtual clock reads 16 ms a step, so the step the snapshot was
    // saved after is the frames it had run and those its clock was behind
    // (frames that waited behind the About box).
    FrameClock& clock = ShellFrameClock();
    const uint32_t behind = window.TickCount() - clock.nextFrameTime;
    const uint64_t step = FramesRun() + behind / FRAME_MILLISECONDS;
    window.SetTickCount(static_cast<uint32_t>(step * FRAME_MILLISECONDS));
    clock.nextFrameTime += static_cast<uint32_t>(step * FRAME_MILLISECONDS);
    framesRun = FramesRun();
    buffersDone = step * FRAME_MILLISECONDS / 34;
    firstStep = step + 1;
    // The keys of the snapshot's own step count as held already, as they were
    // in the run it was saved from.
    for (uint64_t k = 0; k < step; ++k) {
      const replay::ScriptLine* line = playback.NextLine();
      held = line ? line->vkeys : std::vector<int>{};
    }
    for (const auto& [k, path] : opt.frames) {
      if (k < firstStep) {
        std::fprintf(stderr, "velkari-replay: --frame %llu is before the snapshot's step %llu\n",
                     static_cast<unsigned long long>(k), static_cast<unsigned long long>(step));
        OnWindowDestroy();
        StopProgramObjects();
        return 2;
      }
    }
  }
  std::vector<uint8_t> snapshot(opt.snapshots.empty() ? 0 : SNAPSHOT_SIZE);
  for (uint64_t frame = firstStep; frame <= total; ++frame) {
    window.ReleaseAllKeys();
    std::vector<int> keys;
    if (const replay::ScriptLine* line = playback.NextLine()) keys = line->vkeys;
    for (int vk : keys) window.SetKey(vk, true);
    window.Advance(FRAME_MILLISECONDS);
    window.KeepFrames(frame <= lastWritten);
    // The keys pressed in this step reach the About box first, as a window's
    // events come before its idle call.
    for (int vk : keys) {
      if (std::find(held.begin(), held.end(), vk) != held.end()) continue;
      if (AboutBoxOpen()) {
        AboutBoxKey(vk);
      } else if (vk == platform::VKEY_SLASH) {
        OpenAboutBox();
      }
    }
    held = keys;
    // One frame a step, or, after the box, all that waited behind it.
    while (!AboutBoxOpen() && MillisecondsUntilFrame(window) == 0) {
      RunFrame(window);
      ++framesRun;
      if (opt.trace) PrintTrace(framesRun);
    }
    // One buffer period is 1500 / 44100 s, taken as 34 ms of virtual time.
    while (audio && buffersDone < frame * FRAME_MILLISECONDS / 34) {
      if (!device.Step()) {
        std::fprintf(stderr, "velkari-replay: the sound output stopped at frame %llu\n",
                     static_cast<unsigned long long>(frame));
        status = 1;
        break;
      }
      ++buffersDone;
    }
    auto saves = opt.snapshots.equal_range(frame);
    for (auto it = saves.first; it != saves.second; ++it) {
      if (!SaveSnapshot(snapshot.data(), snapshot.size()) ||
          !WriteBytes(it->second, snapshot.data(), snapshot.size())) {
        std::fprintf(stderr, "velkari-replay: cannot write snapshot '%s'\n", it->second.c_str());
        status = 1;
      }
    }
    auto range = opt.frames.equal_range(frame);
    for (auto it = range.first; it != range.second; ++it) {
      if (!WriteBmp(it->second, window.LastFrame(), 640, 480)) {
        std::fprintf(stderr, "velkari-replay: cannot write '%s'\n", it->second.c_str());
        status = 1;
      }
    }
  }
  if (opt.summary)
    std::printf("frames=%llu stage=%d score=%d hiscore=%d\n",
                static_cast<unsigned long long>(framesRun), static_cast<int>(gGame.stage),
                static_cast<int>(gGame.score), static_cast<int>(gGame.hiScore));
  std::fflush(stdout);
  if (!opt.audio.empty()) {
    // The first buffer the device played is the silence it was opened with;
    // everything after it is what the mixer rendered. From a snapshot on,
    // every buffer played is the run's.
    std::vector<uint8_t> played = device.Played();
    const size_t skip =
        opt.loadSnapshot.empty() ? std::min<size_t>(played.size(), WAVE_BUFFER_SIZE) : 0;
    if (!WriteWav(opt.audio, played.data() + skip, played.size() - skip)) {
      std::fprintf(stderr, "velkari-replay: cannot write '%s'\n", opt.audio.c_str());
      status = 1;
    }
  }
  OnWindowDestroy();
  StopProgramObjects();
  return status;
}

}  // namespace

int main(int argc, char** argv) {
#ifdef _WIN32
  win32::BinaryStandardStreams();
  win32::Utf8Arguments(&argc, &argv);
#endif
  Options opt;
  bool haveScript = false;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    auto value = [&](std::string* out) {
      if (i + 1 >= argc) return false;
      *out = argv[++i];
      return true;
    };
    std::string v;
    std::string refusal;
    // K:PATH, K from 1: a frame's picture or a step's snapshot.
    auto stepAndPath = [&](const char* form, const char* what,
                           std::multimap<uint64_t, std::string>* out) {
      int64_t k = 0;
      if (!value(&v)) {
        refusal = a + " needs " + form;
        return false;
      }
      const size_t colon = v.find(':');
      if (colon == std::string::npos || colon + 1 >= v.size() ||
          !replay::ParseNumber(v.substr(0, colon), 1, static_cast<int64_t>(replay::MAX_FRAMES),
                               &k)) {
        refusal = a + " '" + v + "' is not " + form + " with K " + what + " number from 1";
        return false;
      }
      out->emplace(static_cast<uint64_t>(k), v.substr(colon + 1));
      return true;
    };
    if (a == "--board") {
      if (!value(&v)) return Usage("--board needs a STAGE");
      if (!replay::ParseNumber(v, 1, 2147483647, &opt.stage))
        return Usage("STAGE '" + v + "' is not a whole number from 1 to 2147483647");
      opt.board = true;
    } else if (a == "--script") {
      if (!value(&v)) return Usage("--script needs a FILE");
      opt.script = v;
      haveScript = true;
    } else if (a == "--trace") {
      opt.trace = true;
    } else if (a == "--summary") {
      opt.summary = true;
    } else if (a == "--frame") {
      if (!stepAndPath("K:OUT.bmp", "a frame", &opt.frames)) return Usage(refusal);
    } else if (a == "--audio") {
      if (!value(&opt.audio) || opt.audio.empty()) return Usage("--audio needs OUT.wav");
    } else if (a == "--render-audio") {
      opt.renderAudio = true;
    } else if (a == "--frames") {
      int64_t n = 0;
      if (!value(&v) || !replay::ParseNumber(v, 0, static_cast<int64_t>(replay::MAX_FRAMES), &n))
        return Usage("--frames needs a whole number from 0 to " +
                     std::to_string(replay::MAX_FRAMES));
      opt.frameCount = static_cast<uint64_t>(n);
      opt.haveFrames = true;
    } else if (a == "--save-snapshot") {
      if (!stepAndPath("K:FILE", "a step", &opt.snapshots)) return Usage(refusal);
    } else if (a == "--load-snapshot") {
      if (!opt.loadSnapshot.empty()) return Usage("--load-snapshot may be given once");
      if (!value(&opt.loadSnapshot) || opt.loadSnapshot.empty())
        return Usage("--load-snapshot needs a FILE");
    } else if (a == "-h" || a == "--help") {
      std::fputs(USAGE, stdout);
      return 0;
    } else {
      return Usage("unknown argument '" + a + "'");
    }
  }
  if (opt.board && haveScript) return Usage("--board and --script do not go together");
  if (opt.board) {
    if (opt.trace || opt.summary || !opt.frames.empty() || opt.haveFrames || !opt.audio.empty() ||
        opt.renderAudio || !opt.snapshots.empty() || !opt.loadSnapshot.empty())
      return Usage("--board takes no other option");
    return RunBoard(opt.stage);
  }
  if (!haveScript) return Usage("");
  if (opt.renderAudio && !opt.audio.empty())
    return Usage("--audio and --render-audio do not go together");
  return RunScript(opt);
}
