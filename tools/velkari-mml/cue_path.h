// The part of velkari-mml that render and play share: reading a TEXT operand
// (after `--`, or `-` for standard input), the --cue CH TEXT list, and
// playing those cues on their channels the way the game's PlayCue does.
#pragma once

#include <string>
#include <vector>

struct Cue {
  int channel;
  std::string text;
};

// Reads standard input whole; used for a TEXT of "-". Only one operand may
// come from standard input.
bool ReadStandardInput(std::string* text);

// Takes a TEXT operand at argv[*i] (skipping a `--` before it) and moves *i
// onto it. Returns false with a message in *error when there is none.
bool TakeText(int argc, char** argv, int* i, std::string* text, std::string* error);

// Parses "--cue CH TEXT" at argv[*i] (argv[*i] is "--cue").
bool TakeCue(int argc, char** argv, int* i, Cue* cue, std::string* error);

// Starts the engine's channels as the game does at boot, then plays each cue
// in order: clear, append, start, release. The engine must be started.
void PlayCues(const std::vector<Cue>& cues);
