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
#include <map>
#include <set>
#include <string>
#include <vector>

#include "app/about_box.h"
#include "app/replay_record.h"
#include "app/shell.h"
#include "diag/quote.h"
#include "game/game_state.h"
#include "game/scenes.h"
#include "gfx/bmp.h"
#include "gfx/input_file.h"
#include "gfx/surface.h"
#include "headless/headless_wave_device.h"
#include "headless/headless_window.h"
#include "shared/output_file.h"
#include "shared/tool_start.h"
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
    "                    the script's steps from the step it was saved after on\n"
    "Each option is given once, --frame and --save-snapshot as often as needed. A FILE\n"
    "that starts with - follows -- (--script -- -x.replay). FILE holds at most 16 MiB,\n"
    "a snapshot is refused unless it is exactly one of this build's; --audio takes at\n"
    "most 1500000 steps (a WAV file's 4 GiB). Outputs go to a temporary file beside\n"
    "them, renamed into place when whole; an output that is an input is refused.\n"
    "Exit status: 0 done, 1 a write or the sound failed, 2 a refused command line or file.\n";

// The most script steps --audio takes: the samples of 1500000 frames of 16 ms
// (705882 buffers of 6000 bytes) fit the 32-bit lengths of a WAV header.
constexpr uint64_t MAX_AUDIO_FRAMES = 1500000;

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
bool WriteBmp(const std::string& path, const std::vector<uint32_t>& pixels, int w, int h,
              std::string* error) {
  Surface frame;
  frame.Create(w, h);
  if (pixels.size() == static_cast<size_t>(w) * static_cast<size_t>(h))
    std::copy(pixels.begin(), pixels.end(), frame.Pixels());
  std::vector<uint8_t> out;
  EncodeBmp(frame, out);
  return WriteOutputFile(path, out.data(), out.size(), error);
}

void CannotWrite(const std::string& path, const std::string& reason) {
  std::fprintf(stderr, "velkari-replay: cannot write '%s': %s\n", QuotePath(path).c_str(),
               reason.c_str());
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
  bool haveAudio = false;
  bool renderAudio = false;
  uint64_t frameCount = 0;
  std::multimap<uint64_t, std::string> snapshots;  // step -> output path
  std::string loadSnapshot;
};

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
  std::string text;
  const InputFault fault = ReadInputFile(opt.script, replay::MAX_SCRIPT_BYTES, &text);
  if (fault != InputFault::NONE) {
    std::fprintf(stderr, "velkari-replay: cannot read script '%s': %s\n",
                 QuotePath(opt.script).c_str(),
                 DescribeInputFault(fault, replay::MAX_SCRIPT_BYTES).c_str());
    return 2;
  }
  std::string error;
  replay::KeyPlayback playback;
  if (!playback.LoadText(std::move(text), &error)) {
    std::fprintf(stderr, "velkari-replay: %s: %s\n", QuotePath(opt.script).c_str(), error.c_str());
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
  if (opt.haveAudio && total > MAX_AUDIO_FRAMES) {
    std::fprintf(stderr,
                 "velkari-replay: --audio holds at most %llu steps (a WAV file's 4 GiB); the run "
                 "has %llu (--render-audio keeps none)\n",
                 static_cast<unsigned long long>(MAX_AUDIO_FRAMES),
                 static_cast<unsigned long long>(total));
    return 2;
  }
  // The sound goes to its file as it is rendered; the header's lengths are
  // written once the run has ended.
  OutputFile wav;
  if (opt.haveAudio) {
    const uint8_t blank[WAV_HEADER_SIZE] = {};
    if (!wav.Open(opt.audio, &error) || !wav.Write(blank, sizeof blank, &error)) {
      CannotWrite(opt.audio, error);
      return 1;
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
  const bool audio = opt.haveAudio || opt.renderAudio;
  device.KeepPlayed(opt.haveAudio);
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
  bool audioWritten = opt.haveAudio;
  // The first buffer the device played is the silence it was opened with;
  // everything after it is what the mixer rendered. From a snapshot on, every
  // buffer played is the run's.
  size_t silenceLeft = opt.loadSnapshot.empty() ? WAVE_BUFFER_SIZE : 0;
  std::vector<uint8_t> played;
  auto writePlayed = [&] {
    if (!audioWritten) return;
    device.TakePlayed(&played);
    const size_t skip = std::min(silenceLeft, played.size());
    silenceLeft -= skip;
    if (!wav.Write(played.data() + skip, played.size() - skip, &error)) {
      CannotWrite(opt.audio, error);
      audioWritten = false;
      status = 1;
    }
  };
  replay::KeyList held;  // the keys of the step before
  uint64_t framesRun = 0;
  uint64_t firstStep = 1;
  if (!opt.loadSnapshot.empty()) {
    std::string bytes;
    const InputFault snapFault = ReadInputFile(opt.loadSnapshot, SNAPSHOT_SIZE, &bytes);
    std::string why;
    if (snapFault != InputFault::NONE) {
      why = "cannot read snapshot '" + QuotePath(opt.loadSnapshot) +
            "': " + DescribeInputFault(snapFault, SNAPSHOT_SIZE);
    } else if (!LoadSnapshot(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), &why)) {
      why = QuotePath(opt.loadSnapshot) + ": " + why;
    }
    if (!why.empty()) {
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
      held = line ? line->vkeys : replay::KeyList{};
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
    replay::KeyList keys;
    if (const replay::ScriptLine* line = playback.NextLine()) keys = line->vkeys;
    for (int vk : keys) window.SetKey(vk, true);
    window.Advance(FRAME_MILLISECONDS);
    window.KeepFrames(frame <= lastWritten);
    // The keys pressed in this step reach the About box first, as a window's
    // events come before its idle call.
    for (int vk : keys) {
      if (held.Holds(vk)) continue;
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
    writePlayed();
    auto saves = opt.snapshots.equal_range(frame);
    for (auto it = saves.first; it != saves.second; ++it) {
      if (!SaveSnapshot(snapshot.data(), snapshot.size())) {
        CannotWrite(it->second, "the snapshot could not be made");
        status = 1;
      } else if (!WriteOutputFile(it->second, snapshot.data(), snapshot.size(), &error)) {
        CannotWrite(it->second, error);
        status = 1;
      }
    }
    auto range = opt.frames.equal_range(frame);
    for (auto it = range.first; it != range.second; ++it) {
      if (!WriteBmp(it->second, window.LastFrame(), 640, 480, &error)) {
        CannotWrite(it->second, error);
        status = 1;
      }
    }
  }
  if (opt.summary)
    std::printf("frames=%llu stage=%d score=%d hiscore=%d\n",
                static_cast<unsigned long long>(framesRun), static_cast<int>(gGame.stage),
                static_cast<int>(gGame.score), static_cast<int>(gGame.hiScore));
  std::fflush(stdout);
  writePlayed();
  if (audioWritten) {
    uint8_t header[WAV_HEADER_SIZE];
    WriteWavHeader(header, static_cast<uint32_t>(wav.Size() - WAV_HEADER_SIZE));
    if (!wav.WriteAt(0, header, sizeof header, &error) || !wav.Commit(&error)) {
      CannotWrite(opt.audio, error);
      status = 1;
    }
  }
  OnWindowDestroy();
  StopProgramObjects();
  return status;
}

// The trace, the summary and the board are read by scripts: a write to
// standard output that failed (a full disk) turns `status` into 1.
int StandardOutputWritten(int status) {
  if (std::fflush(stdout) == 0 && !std::ferror(stdout)) return status;
  std::fprintf(stderr, "velkari-replay: cannot write standard output\n");
  return status == 0 ? 1 : status;
}

// The command line. Each option once (--frame as often as needed); a FILE
// that looks like an option follows "--".
int ParseOptions(int argc, char** argv, Options* opt, bool* haveScript) {
  // The options that may be given more than once; every other once only.
  static const std::set<std::string> REPEATABLE = {"--frame", "--save-snapshot"};
  std::set<std::string> given;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (!REPEATABLE.count(a) && a.rfind("--", 0) == 0 && !given.insert(a).second)
      return Usage(a + " is given twice");
    auto value = [&](std::string* out) {
      if (i + 1 >= argc) return false;
      *out = argv[++i];
      return true;
    };
    // A file name: after "--" anything, else not one that starts with '-'.
    std::string refusal;
    auto file = [&](const char* what, std::string* out) {
      const bool escaped = i + 1 < argc && std::string(argv[i + 1]) == "--";
      if (escaped) ++i;
      if (!value(out) || out->empty()) {
        refusal = a + " needs " + what;
        return false;
      }
      if (!escaped && (*out)[0] == '-') {
        refusal = a + " needs " + what + ", not the option '" + QuoteForMessage(*out) +
                  "' (a file named so follows --: " + a + " -- " + QuoteForMessage(*out) + ")";
        return false;
      }
      return true;
    };
    std::string v;
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
        refusal = a + " '" + QuoteForMessage(v) + "' is not " + form + " with K " + what +
                  " number from 1";
        return false;
      }
      out->emplace(static_cast<uint64_t>(k), v.substr(colon + 1));
      return true;
    };
    if (a == "--board") {
      if (!value(&v)) return Usage("--board needs a STAGE");
      if (!replay::ParseNumber(v, 1, 2147483647, &opt->stage))
        return Usage("STAGE '" + QuoteForMessage(v) +
                     "' is not a whole number from 1 to 2147483647");
      opt->board = true;
    } else if (a == "--script") {
      if (!file("a FILE", &opt->script)) return Usage(refusal);
      *haveScript = true;
    } else if (a == "--trace") {
      opt->trace = true;
    } else if (a == "--summary") {
      opt->summary = true;
    } else if (a == "--frame") {
      if (!stepAndPath("K:OUT.bmp", "a frame", &opt->frames)) return Usage(refusal);
    } else if (a == "--save-snapshot") {
      if (!stepAndPath("K:FILE", "a step", &opt->snapshots)) return Usage(refusal);
    } else if (a == "--load-snapshot") {
      if (!file("a FILE", &opt->loadSnapshot)) return Usage(refusal);
    } else if (a == "--audio") {
      if (!file("OUT.wav", &opt->audio)) return Usage(refusal);
      opt->haveAudio = true;
    } else if (a == "--render-audio") {
      opt->renderAudio = true;
    } else if (a == "--frames") {
      int64_t n = 0;
      if (!value(&v) || !replay::ParseNumber(v, 0, static_cast<int64_t>(replay::MAX_FRAMES), &n))
        return Usage("--frames needs a whole number from 0 to " +
                     std::to_string(replay::MAX_FRAMES));
      opt->frameCount = static_cast<uint64_t>(n);
      opt->haveFrames = true;
    } else if (a == "-h" || a == "--help") {
      std::fputs(USAGE, stdout);
      return 0;
    } else {
      return Usage("unknown argument '" + QuoteForMessage(a) + "'");
    }
  }
  return -1;
}

}  // namespace

int main(int argc, char** argv) {
  StartTool(&argc, &argv);
  Options opt;
  bool haveScript = false;
  if (const int code = ParseOptions(argc, argv, &opt, &haveScript); code >= 0) return code;
  if (opt.board && haveScript) return Usage("--board and --script do not go together");
  if (opt.board) {
    if (opt.trace || opt.summary || !opt.frames.empty() || opt.haveFrames || opt.haveAudio ||
        opt.renderAudio || !opt.snapshots.empty() || !opt.loadSnapshot.empty())
      return Usage("--board takes no other option");
    return StandardOutputWritten(RunBoard(opt.stage));
  }
  if (!haveScript) return Usage("");
  if (opt.renderAudio && opt.haveAudio)
    return Usage("--audio and --render-audio do not go together");
  // Every file the run reads, and every file it writes: no output may be an
  // input, nor named twice.
  std::vector<std::string> inputs = {opt.script};
  if (!opt.loadSnapshot.empty()) inputs.push_back(opt.loadSnapshot);
  std::vector<std::string> outputs;
  for (const auto& [k, path] : opt.frames) outputs.push_back(path);
  for (const auto& [k, path] : opt.snapshots) outputs.push_back(path);
  if (opt.haveAudio) outputs.push_back(opt.audio);
  if (const std::string refused = RefuseOutputs(inputs, outputs); !refused.empty())
    return Usage(refused);
  return StandardOutputWritten(RunScript(opt));
}
