// The game's command line: --help and --version answer and exit; --scale N
// picks the window's size; --record FILE and --play FILE start the game
// recording or showing a run; anything else is refused. Called first thing by
// every desktop entry point (main, WinMain), before any window or sound device
// exists.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace platform {
class Window;
}

namespace replay {
class RecordingFile;
}  // namespace replay

constexpr int EXIT_START_GAME = -1;
// The game could not open its window (no display, no window system): the
// message says why.
constexpr int EXIT_NO_WINDOW = 1;
// A write of the recording failed: the game went on, the recording ends at
// its last whole line (the message said so when it happened).
constexpr int EXIT_RECORDING_LOST = 1;
constexpr int EXIT_BAD_COMMAND_LINE = 2;

struct CommandLineOutcome {
  int exitCode = EXIT_START_GAME;  // EXIT_START_GAME: go on and start the game
  std::string out;                 // for standard output
  std::string err;                 // for standard error
  std::string record;              // --record FILE: the file to write
  std::string play;                // --play FILE: the file to show
  int scale = 1;                   // --scale N: the window is N times 640 x 480
};

// The arguments after the program name.
CommandLineOutcome ParseCommandLine(const std::vector<std::string>& args);

// ParseCommandLine over main's arguments, its texts written to standard
// output and standard error (with `toReports`, handed line by line to the
// program's reports instead, for a program without those streams); then the
// recording's name is checked to be free, or the run to show is read, before
// any window exists. EXIT_START_GAME, or the code to exit with; the scale
// asked for goes to *scale and the recording's name to *record when the game
// is to start. Nothing is created here: the recording's file is made by
// StartRecording once every start-up check has passed.
int HandleCommandLine(int argc, char** argv, bool toReports = false, int* scale = nullptr,
                      std::string* record = nullptr);

// Makes a recording's new file (the backend's: one step that fails when the
// name is taken, never following it); null with the reason in *error.
using RecordingFileMaker = std::unique_ptr<replay::RecordingFile> (*)(const std::string& path,
                                                                      std::string* error);
// After StartProgram, before the first frame: makes the file with `make` and
// records into it. False with the line to report (without its end) in
// *message when the file cannot be made or written; the game then stops with
// EXIT_BAD_COMMAND_LINE.
bool StartRecording(const std::string& path, RecordingFileMaker make, std::string* message);
// A game window's life once StartProgram has made it: the recording started
// (when `record` names one), the message loop, StopProgram. The exit code: 0,
// EXIT_BAD_COMMAND_LINE when the recording's file could not be made (said in
// the program's reports), EXIT_RECORDING_LOST when a write to it failed.
int RunStartedGame(platform::Window& window, const std::string& record, RecordingFileMaker make);

// The text --help prints: usage, keys, controller, options.
const char* CommandLineHelp();

// The largest whole scale at which the 640 x 480 frame fits in width x height
// pixels; 1 on a smaller screen, where the window opens at its plain size.
int LargestScale(int width, int height);
// The backend's check of --scale N against the screen (width x height, the
// area windows may take): empty when it fits, else the message to print
// before exiting with EXIT_BAD_COMMAND_LINE.
std::string CheckScaleFits(int scale, int width, int height);
