// Song files: every channel's text in one file, for velkari-mml's --song and
// the studio page. A song file holds lines `CH: TEXT`, CH a channel 0 to 7:
//   - `#` starts a comment to the end of the line (`#` is no MML command);
//   - blanks (spaces, tabs) after the colon and at the end of a line are not
//     part of the text, nor is the CR of a CR LF line break;
//   - lines without anything but blanks and a comment are skipped;
//   - a channel's lines join into one text in file order, with nothing in
//     between: `0: cde` and `0: fga` give `cdefga`.
// A channel with no line plays nothing; one whose lines hold no text plays an
// empty text. Standard library only.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "lint.h"

constexpr int SONG_CHANNELS = 8;
// The most bytes velkari-mml reads as a song file, or as a TEXT from standard
// input. A channel's event code holds 2048 bytes, a few hundred notes; the
// game's whole tune is some hundred bytes of text.
constexpr size_t MAX_SONG_BYTES = 256 * 1024;

struct SongPart {
  bool present = false;           // the song has at least one line for the channel
  std::string text;               // the joined text
  std::vector<TextPlace> places;  // where each byte of text stands in the file
  // The channel's lines as written after the colon (comment included), less
  // their blanks at the start and end: what an editor shows for the channel.
  std::vector<std::string> lines;
};

struct Song {
  SongPart parts[SONG_CHANNELS];
};

struct SongError {
  int line = 0;  // from 1
  std::string message;
};

// Reads a song file's text. On a bad line returns false with its line number
// and what is wrong in *error (the song is then incomplete).
bool ReadSong(std::string_view file, Song* song, SongError* error);
