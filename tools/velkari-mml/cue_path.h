// The part of velkari-mml that render and play share: reading a TEXT operand
// (after `--`, or `-` for standard input), the --cue CH TEXT list or a song
// file, and playing those cues on their channels the way the game's PlayCue
// does.
#pragma once

#include <string>
#include <vector>

#include "song.h"

struct Cue {
  int channel;
  std::string text;
};

// Reads standard input whole, at most MAX_SONG_BYTES; used for a TEXT of
// "-". Only one operand may come from standard input: false with the reason
// in *error.
bool ReadStandardInput(std::string* text, std::string* error);
// Reads standard input whole, at most MAX_SONG_BYTES, zero bytes kept.
enum class StdinRead { OK, TOO_LARGE, FAILED };
StdinRead ReadStandardInputCapped(std::string* text);
// Claims standard input for a reader of its own; true when it was taken
// already.
bool StandardInputTaken();

// Takes a TEXT operand at argv[*i] (skipping a `--` before it) and moves *i
// onto it. Returns false with a message in *error when there is none.
bool TakeText(int argc, char** argv, int* i, std::string* text, std::string* error);

// Parses "--cue CH TEXT" at argv[*i] (argv[*i] is "--cue").
bool TakeCue(int argc, char** argv, int* i, Cue* cue, std::string* error);

// Reads the song file at `path` (song_file.cpp) (- for standard input). A file that cannot
// be read or has a bad line is reported on standard error ("velkari-mml:
// FILE:LINE: message") and gives false.
bool LoadSong(const char* path, Song* song);

// The song's channels as cues, in ascending channel order: what --cue 0 A
// --cue 3 B gives for a song with texts A on channel 0 and B on channel 3.
std::vector<Cue> SongCues(const Song& song);

// Starts the engine's channels as the game does at boot, then plays each cue
// in order: clear, append, start, release. The engine must be started.
void PlayCues(const std::vector<Cue>& cues);
