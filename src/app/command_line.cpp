#include "app/command_line.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "app/replay_record.h"
#include "app/shell.h"
#include "diag/diag.h"
#include "diag/quote.h"
#include "generated/velkari_version.h"
#include "gfx/utf8_path.h"

namespace {

// Also the recordings' first line ("# velkari 1.0"), which the script reader
// checks.
const char VERSION[] = "velkari " VELKARI_VERSION;
const char VERSION_TEXT[] = "velkari " VELKARI_VERSION "\n";
const char USAGE_TEXT[] =
    "usage: velkari [--help | --version | --scale N | --record FILE | --play FILE]\n";

const char HELP_TEXT[] =
    "usage: velkari [--help | --version | --scale N | --record FILE | --play FILE]\n"
    "\n"
    "Push blocks, take items, reach the goal before the time runs out.\n"
    "\n"
    "Keys:\n"
    "  arrows, keypad 2 4 6 8   walk; walking into a block pushes it\n"
    "  Z, Space                 start a game; PASS (give up the stage)\n"
    "  X, Enter                 DESTROY the breakable walls and blocks next to you\n"
    "                           (costs 5 time units)\n"
    "  Esc                      pause and resume\n"
    "  Alt+Enter, F11           fullscreen and back: the picture at the largest\n"
    "                           whole scale that fits, black around it\n"
    "  Alt+/ or Alt+?           About box\n"
    "A game controller works too: south button = Z, west button = X, Start = Esc.\n"
    "\n"
    "Options:\n"
    "  -h, --help               show this text and exit\n"
    "  --version                show the version and exit\n"
    "  --scale N                open the window at N times 640 x 480, each pixel\n"
    "                           an N x N square (N from 1 to the largest that fits\n"
    "                           the screen)\n"
    "  --record FILE            play as always and write the keys of every frame to\n"
    "                           FILE, a new file (an existing one is never touched)\n"
    "  --play FILE              show the run recorded in FILE at its own speed, then\n"
    "                           play on from where it ends (the keys wait till then)\n"
    "A recording is a key script: velkari-replay --script FILE --summary replays it\n"
    "without a window and prints its frames, last stage, score and high score.\n"
    "\n"
    "The pictures are read from img/ in the current directory, else from img/\n"
    "beside the program, else from ../share/velkari/img beside the program.\n";

// 1 to 999 in plain digits; 0 for anything else.
int ParseScale(const std::string& text) {
  if (text.empty() || text.size() > 3 || text[0] == '0') return 0;
  int value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return 0;
    value = value * 10 + (c - '0');
  }
  return value;
}

}  // namespace

const char* CommandLineHelp() {
  return HELP_TEXT;
}

CommandLineOutcome ParseCommandLine(const std::vector<std::string>& args) {
  CommandLineOutcome outcome;
  auto refuse = [&outcome](const std::string& why) {
    outcome = CommandLineOutcome();
    outcome.exitCode = EXIT_BAD_COMMAND_LINE;
    outcome.err = "velkari: " + why + "\n" + USAGE_TEXT;
    return outcome;
  };
  // Any argument that is not an option of the game refuses the whole line;
  // otherwise the first of --help and --version decides, and without them
  // the game starts.
  const std::string* answer = nullptr;
  bool scaleGiven = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--help" || arg == "-h" || arg == "--version") {
      if (!answer) answer = &arg;
      continue;
    }
    if (arg == "--record" || arg == "--play") {
      std::string& file = arg == "--record" ? outcome.record : outcome.play;
      if (!file.empty()) return refuse(arg + " is given twice");
      // A name that looks like an option is one given by mistake, unless it
      // follows "--".
      const bool escaped = i + 1 < args.size() && args[i + 1] == "--";
      if (escaped) ++i;
      if (i + 1 >= args.size() || args[i + 1].empty()) return refuse(arg + " needs a FILE");
      if (!escaped && args[i + 1][0] == '-')
        return refuse(arg + " needs a FILE, not the option '" + QuoteForMessage(args[i + 1]) +
                      "' (a file named so: " + arg + " -- " + QuoteForMessage(args[i + 1]) + ")");
      file = args[++i];
      continue;
    }
    if (arg == "--scale") {
      if (scaleGiven) return refuse("--scale is given twice");
      scaleGiven = true;
      if (i + 1 == args.size())
        return refuse("--scale needs a number N: the window is N times 640 x 480");
      const std::string& n = args[++i];
      const int scale = ParseScale(n);
      if (scale == 0)
        return refuse("bad scale '" + QuoteForMessage(n) +
                      "': N is a whole number from 1 to the largest that fits the screen");
      outcome.scale = scale;
      continue;
    }
    const bool option = arg.size() > 1 && arg[0] == '-';
    return refuse((option ? "unknown option '" : "unexpected argument '") + QuoteForMessage(arg) +
                  "'");
  }
  if (!outcome.record.empty() && !outcome.play.empty())
    return refuse("--record and --play do not go together");
  if (!answer) return outcome;
  outcome.exitCode = 0;
  outcome.out = *answer == "--version" ? VERSION_TEXT : HELP_TEXT;
  outcome.record.clear();
  outcome.play.clear();
  return outcome;
}

int LargestScale(int width, int height) {
  const int fit = std::min(width / 640, height / 480);
  return fit < 1 ? 1 : fit;
}

std::string CheckScaleFits(int scale, int width, int height) {
  const int largest = LargestScale(width, height);
  if (scale >= 1 && scale <= largest) return "";
  return "velkari: --scale " + std::to_string(scale) + " does not fit the screen (" +
         std::to_string(width) + " x " + std::to_string(height) + "): the largest is " +
         std::to_string(largest) + "\n";
}

bool StartRecording(const std::string& path, RecordingFileMaker make, std::string* message) {
  std::string error;
  std::unique_ptr<replay::RecordingFile> file = make(path, &error);
  if (!file) {
    *message = "velkari: --record: cannot make '" + QuotePath(path) + "': " + error;
    return false;
  }
  if (!RecordKeysTo(std::move(file), path, VERSION, &error)) {
    *message = "velkari: --record: " + error;
    return false;
  }
  return true;
}

int RunStartedGame(platform::Window& window, const std::string& record, RecordingFileMaker make) {
  if (std::string message; !record.empty() && !StartRecording(record, make, &message)) {
    Report(message.c_str());
    StopProgram();
    return EXIT_BAD_COMMAND_LINE;
  }
  const int exitCode = RunMessageLoop(window);
  StopProgram();
  return RecordingFailed() ? EXIT_RECORDING_LOST : exitCode;
}

int HandleCommandLine(int argc, char** argv, bool toReports, int* scale, std::string* record) {
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.emplace_back(argv[i] ? argv[i] : "");
  CommandLineOutcome outcome = ParseCommandLine(args);
  std::string error;
  std::error_code ec;
  if (!outcome.record.empty() &&
      std::filesystem::exists(std::filesystem::symlink_status(Utf8Path(outcome.record), ec))) {
    // Refused before any window opens; the file itself is made later in one
    // step that fails if the name is taken by then.
    outcome.exitCode = EXIT_BAD_COMMAND_LINE;
    outcome.err = "velkari: --record: '" + QuotePath(outcome.record) +
                  "' already exists: a recording never overwrites a file\n";
  } else if (!outcome.play.empty() && !PlayKeysFrom(outcome.play, &error)) {
    outcome.exitCode = EXIT_BAD_COMMAND_LINE;
    outcome.err = "velkari: --play: " + error + "\n";
  }
  if (toReports) {
    for (const std::string* text : {&outcome.out, &outcome.err}) {
      size_t start = 0;
      for (size_t end; (end = text->find('\n', start)) != std::string::npos; start = end + 1)
        Diagnostic(text->substr(start, end - start).c_str());
    }
  } else {
    if (!outcome.out.empty()) std::fputs(outcome.out.c_str(), stdout);
    if (!outcome.err.empty()) std::fputs(outcome.err.c_str(), stderr);
    std::fflush(stdout);
  }
  if (scale) *scale = outcome.scale;
  if (record) *record = outcome.exitCode == EXIT_START_GAME ? outcome.record : "";
  return outcome.exitCode;
}
