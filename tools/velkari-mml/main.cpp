// velkari-mml: the music writer's tool. compile shows a text's event code,
// lint lists what the compiler ignored, clamped or wrapped, render writes what
// the mixer makes of cues (or of a song file's channels) as a WAV file, play
// sends it to the sound device.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <mutex>
#include <string>
#include <vector>

#include "cue_path.h"
#include "gfx/utf8_path.h"
#include "lint.h"
#include "play.h"
#include "shared/tool_usage.h"
#include "shared/wav.h"
#include "sound/channel_interface.h"
#include "sound/event_code.h"
#include "sound/event_code_text.h"
#include "sound/mixer.h"
#include "sound/mml_compiler.h"
#include "sound/sound_engine.h"
#ifdef _WIN32
#include "win32/system_paths.h"
#endif

namespace {

const char USAGE[] =
    "usage: velkari-mml compile [--] TEXT\n"
    "       velkari-mml lint [--] TEXT\n"
    "       velkari-mml lint --song FILE\n"
    "       velkari-mml render ([--cue CH TEXT]... | --song FILE) (--buffers N | --seconds S)"
    " -o OUT.wav\n"
    "       velkari-mml play [--cue CH TEXT]... | --song FILE\n"
    "TEXT and FILE may be - to read them from standard input.\n"
    "A song file holds lines 'CH: TEXT' (CH 0 to 7); a channel's lines join into one\n"
    "text; # starts a comment. lint numbers its findings FILE:LINE:COLUMN.\n";

int Usage(const std::string& message) {
  return RefuseCommandLine("velkari-mml", message, USAGE);
}

// The single TEXT operand of compile and lint.
bool OnlyText(int argc, char** argv, std::string* text, std::string* error) {
  int i = 0;
  if (!TakeText(argc, argv, &i, text, error)) return false;
  if (i + 1 != argc) {
    *error = std::string("unexpected argument '") + argv[i + 1] + "'";
    return false;
  }
  return true;
}

int RunCompile(int argc, char** argv) {
  std::string text, error;
  if (!OnlyText(argc, argv, &text, &error)) return Usage("compile: " + error);
  const std::string out = describeCompiledText(text.c_str());
  std::printf("%s\n", out.c_str());
  return 0;
}

// lint --song FILE: every channel's findings at their places in the file.
int LintSong(const char* path) {
  Song song;
  if (!LoadSong(path, &song)) return EXIT_USAGE;
  struct Line {
    TextPlace place;
    std::string message;
  };
  std::vector<Line> lines;
  for (const SongPart& part : song.parts) {
    // An empty text has nothing to report (the compiler looks at its end byte).
    if (part.text.empty()) continue;
    for (const LintFinding& f : LintText(part.text))
      if (f.pos < static_cast<int>(part.places.size()))
        lines.push_back({part.places[f.pos], f.message});
  }
  std::stable_sort(lines.begin(), lines.end(), [](const Line& x, const Line& y) {
    return x.place.line != y.place.line ? x.place.line < y.place.line
                                        : x.place.column < y.place.column;
  });
  for (const Line& l : lines)
    std::printf("%s:%d:%d: %s\n", path, l.place.line, l.place.column, l.message.c_str());
  return lines.empty() ? 0 : 1;
}

int RunLint(int argc, char** argv) {
  if (argc >= 1 && std::strcmp(argv[0], "--song") == 0) {
    if (argc != 2) return Usage("lint: --song needs one song file and nothing after it");
    return LintSong(argv[1]);
  }
  std::string text, error;
  if (!OnlyText(argc, argv, &text, &error)) return Usage("lint: " + error);
  const std::vector<std::string> lines = LintLines(text);
  for (const std::string& line : lines) std::printf("%s\n", line.c_str());
  return lines.empty() ? 0 : 1;
}

int RunRender(int argc, char** argv) {
  std::vector<Cue> cues;
  const char* songPath = nullptr;
  long buffers = -1;
  const char* outPath = nullptr;
  std::string error;
  for (int i = 0; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--cue") {
      Cue cue;
      if (!TakeCue(argc, argv, &i, &cue, &error)) return Usage("render: " + error);
      cues.push_back(cue);
    } else if (a == "--song") {
      if (songPath || i + 1 >= argc) return Usage("render: --song needs one song file");
      songPath = argv[++i];
    } else if (a == "--buffers" || a == "--seconds") {
      if (buffers >= 0) return Usage("render: give one of --buffers and --seconds, once");
      if (i + 1 >= argc) return Usage("render: " + a + " needs a number");
      const bool ok = a == "--buffers" ? ParseBufferCount(argv[i + 1], &buffers)
                                       : ParseSeconds(argv[i + 1], &buffers);
      if (!ok) {
        return Usage("render: bad " + a + " '" + argv[i + 1] + "' (at most " +
                     std::to_string(MAX_RENDER_BUFFERS) + " buffers)");
      }
      ++i;
    } else if (a == "-o") {
      if (outPath || i + 1 >= argc) return Usage("render: -o needs one output file");
      outPath = argv[++i];
    } else {
      return Usage("render: unexpected argument '" + a + "'");
    }
  }
  if (buffers < 0) return Usage("render: --buffers N or --seconds S is required");
  if (!outPath) return Usage("render: -o OUT.wav is required");
  if (songPath && !cues.empty()) return Usage("render: give --song or --cue, not both");
  if (songPath) {
    Song song;
    if (!LoadSong(songPath, &song)) return EXIT_USAGE;
    cues = SongCues(song);
  }

  std::ofstream f(Utf8Path(outPath), std::ios::binary | std::ios::trunc);
  if (!f) {
    std::fprintf(stderr, "velkari-mml: render: cannot write %s\n", outPath);
    return 1;
  }
  uint8_t header[WAV_HEADER_SIZE];
  WriteWavHeader(header, static_cast<uint32_t>(buffers) * WAVE_BUFFER_SIZE);
  f.write(reinterpret_cast<const char*>(header), sizeof header);

  startSoundEngine();
  PlayCues(cues);
  static uint8_t buffer[WAVE_BUFFER_SIZE];
  for (long b = 0; b < buffers; ++b) {
    {
      std::lock_guard<std::mutex> lock(soundEngineMutex());
      renderMix(buffer, WAVE_BUFFER_SIZE);
    }
    f.write(reinterpret_cast<const char*>(buffer), sizeof buffer);
  }
  releaseAllChannelText();
  stopSoundEngine();
  f.close();
  if (!f) {
    std::fprintf(stderr, "velkari-mml: render: error writing %s\n", outPath);
    return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
#ifdef _WIN32
  win32::BinaryStandardStreams();
  win32::Utf8Arguments(&argc, &argv);
#endif
  if (argc < 2) return Usage("");
  const std::string command = argv[1];
  if (command == "compile") return RunCompile(argc - 2, argv + 2);
  if (command == "lint") return RunLint(argc - 2, argv + 2);
  if (command == "render") return RunRender(argc - 2, argv + 2);
  if (command == "play") return RunPlay(argc - 2, argv + 2);
  if (command == "-h" || command == "--help") {
    std::fputs(USAGE, stdout);
    return 0;
  }
  return Usage("unknown command '" + command + "'");
}
