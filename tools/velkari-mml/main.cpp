// velkari-mml: the music writer's tool. compile shows a text's event code,
// lint lists what the compiler ignored, clamped or wrapped, render writes what
// the mixer makes of cues (or of a song file's channels) as a WAV file, play
// sends it to the sound device.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "cue_path.h"
#include "diag/quote.h"
#include "lint.h"
#include "play.h"
#include "shared/output_file.h"
#include "shared/tool_start.h"
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
    "text; # starts a comment. lint numbers its findings FILE:LINE:COLUMN.\n"
    "A song file, or a TEXT from standard input, holds at most 256 KiB. N is decimal\n"
    "digits, S decimal digits with at most one point; each option is given once; a FILE\n"
    "that starts with - follows -- (-o -- -x.wav). OUT.wav goes to a temporary file\n"
    "beside it, renamed into place when whole; the song file itself is refused as OUT.\n"
    "Exit status: 0 done (lint: nothing found), 1 lint found something or a write or\n"
    "the sound device failed, 2 a refused command line or input.\n";

int Usage(const std::string& message) {
  return RefuseCommandLine("velkari-mml", message, USAGE);
}

int WriteFailed(const std::string& what, const std::string& reason = "") {
  std::fprintf(stderr, "velkari-mml: cannot write %s%s%s\n", what.c_str(),
               reason.empty() ? "" : ": ", reason.c_str());
  return 1;
}

// The file name after an option: after "--" anything, else not one that
// starts with '-' (but "-" itself where `stdinToo`).
bool TakeFileName(int argc, char** argv, int* i, bool stdinToo, const char** out,
                  std::string* error) {
  const std::string option = argv[*i];
  int k = *i + 1;
  const bool escaped = k < argc && std::strcmp(argv[k], "--") == 0;
  if (escaped) ++k;
  if (k >= argc || !*argv[k]) {
    *error = option + " needs a file name";
    return false;
  }
  const bool dash = argv[k][0] == '-' && !(stdinToo && argv[k][1] == '\0');
  if (!escaped && dash) {
    *error = option + " needs a file name, not the option '" + QuoteForMessage(argv[k]) +
             "' (a file named so follows --: " + option + " -- " + QuoteForMessage(argv[k]) + ")";
    return false;
  }
  *out = argv[k];
  *i = k;
  return true;
}

// The single TEXT operand of compile and lint.
bool OnlyText(int argc, char** argv, std::string* text, std::string* error) {
  int i = 0;
  if (!TakeText(argc, argv, &i, text, error)) return false;
  if (i + 1 != argc) {
    *error = "unexpected argument '" + QuoteForMessage(argv[i + 1]) + "'";
    return false;
  }
  return true;
}

int RunCompile(int argc, char** argv) {
  std::string text, error;
  if (!OnlyText(argc, argv, &text, &error)) return Usage("compile: " + error);
  const std::string out = describeCompiledText(text.c_str());
  std::printf("%s\n", out.c_str());
  if (std::fflush(stdout) != 0) return WriteFailed("standard output");
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
    LintEach(part.text, [&](const LintFinding& f) {
      if (f.pos < static_cast<int>(part.places.size()))
        lines.push_back({part.places[f.pos], f.message});
    });
  }
  std::stable_sort(lines.begin(), lines.end(), [](const Line& x, const Line& y) {
    return x.place.line != y.place.line ? x.place.line < y.place.line
                                        : x.place.column < y.place.column;
  });
  const std::string shown = QuotePath(path);
  for (const Line& l : lines)
    std::printf("%s:%d:%d: %s\n", shown.c_str(), l.place.line, l.place.column, l.message.c_str());
  if (std::fflush(stdout) != 0) return WriteFailed("standard output");
  return lines.empty() ? 0 : 1;
}

int RunLint(int argc, char** argv) {
  if (argc >= 1 && std::strcmp(argv[0], "--song") == 0) {
    int i = 0;
    const char* path = nullptr;
    std::string error;
    if (!TakeFileName(argc, argv, &i, true, &path, &error)) return Usage("lint: " + error);
    if (i + 1 != argc) return Usage("lint: --song needs one song file and nothing after it");
    return LintSong(path);
  }
  std::string text, error;
  if (!OnlyText(argc, argv, &text, &error)) return Usage("lint: " + error);
  // Each finding is printed as it is found.
  bool found = false;
  LintLinesEach(text, [&](const std::string& line) {
    std::printf("%s\n", line.c_str());
    found = true;
  });
  if (std::fflush(stdout) != 0) return WriteFailed("standard output");
  return found ? 1 : 0;
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
      if (songPath) return Usage("render: --song is given twice");
      if (!TakeFileName(argc, argv, &i, true, &songPath, &error)) return Usage("render: " + error);
    } else if (a == "--buffers" || a == "--seconds") {
      if (buffers >= 0) return Usage("render: give one of --buffers and --seconds, once");
      if (i + 1 >= argc) return Usage("render: " + a + " needs a number");
      const bool ok = a == "--buffers" ? ParseBufferCount(argv[i + 1], &buffers)
                                       : ParseSeconds(argv[i + 1], &buffers);
      if (!ok) {
        return Usage("render: bad " + a + " '" + QuoteForMessage(argv[i + 1]) + "' (" +
                     (a == "--buffers" ? "decimal digits" : "decimal digits and one point") +
                     ", at most " + std::to_string(MAX_RENDER_BUFFERS) + " buffers)");
      }
      ++i;
    } else if (a == "-o") {
      if (outPath) return Usage("render: -o is given twice");
      if (!TakeFileName(argc, argv, &i, false, &outPath, &error)) return Usage("render: " + error);
    } else {
      return Usage("render: unexpected argument '" + QuoteForMessage(a) + "'");
    }
  }
  if (buffers < 0) return Usage("render: --buffers N or --seconds S is required");
  if (!outPath) return Usage("render: -o OUT.wav is required");
  if (songPath && !cues.empty()) return Usage("render: give --song or --cue, not both");
  if (songPath && std::strcmp(songPath, "-") != 0) {
    if (const std::string refused = RefuseOutputs({songPath}, {outPath}); !refused.empty())
      return Usage("render: " + refused);
  }
  if (songPath) {
    Song song;
    if (!LoadSong(songPath, &song)) return EXIT_USAGE;
    cues = SongCues(song);
  }

  const std::string target = "'" + QuotePath(outPath) + "'";
  OutputFile f;
  uint8_t header[WAV_HEADER_SIZE];
  WriteWavHeader(header, static_cast<uint32_t>(buffers) * WAVE_BUFFER_SIZE);
  if (!f.Open(outPath, &error) || !f.Write(header, sizeof header, &error))
    return WriteFailed(target, error);

  startSoundEngine();
  PlayCues(cues);
  static uint8_t buffer[WAVE_BUFFER_SIZE];
  bool written = true;
  for (long b = 0; b < buffers && written; ++b) {
    {
      std::lock_guard<std::mutex> lock(soundEngineMutex());
      renderMix(buffer, WAVE_BUFFER_SIZE);
    }
    written = f.Write(buffer, sizeof buffer, &error);
  }
  releaseAllChannelText();
  stopSoundEngine();
  if (!written || !f.Commit(&error)) return WriteFailed(target, error);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  StartTool(&argc, &argv);
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
  return Usage("unknown command '" + QuoteForMessage(command) + "'");
}
