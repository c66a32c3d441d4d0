// velkari-mml's --song FILE: the file (a regular one, at most MAX_SONG_BYTES)
// read whole and handed to the song reader, with its complaints on standard
// error.
#include <cstdio>
#include <cstring>
#include <string>

#include "cue_path.h"
#include "diag/quote.h"
#include "gfx/input_file.h"

bool LoadSong(const char* path, Song* song) {
  std::string file;
  if (std::strcmp(path, "-") == 0) {
    // Zero bytes are kept: the song reader reports them with their line.
    if (StandardInputTaken()) {
      std::fprintf(stderr, "velkari-mml: -: standard input can be read only once\n");
      return false;
    }
    switch (ReadStandardInputCapped(&file)) {
      case StdinRead::OK:
        break;
      case StdinRead::TOO_LARGE:
        std::fprintf(stderr, "velkari-mml: -: holds more than %zu bytes (the most a song may)\n",
                     MAX_SONG_BYTES);
        return false;
      case StdinRead::FAILED:
        std::fprintf(stderr, "velkari-mml: -: cannot read standard input\n");
        return false;
    }
  } else {
    const InputFault fault = ReadInputFile(path, MAX_SONG_BYTES, &file);
    if (fault != InputFault::NONE) {
      std::fprintf(stderr, "velkari-mml: %s: cannot read the song file: %s\n",
                   QuotePath(path).c_str(), DescribeInputFault(fault, MAX_SONG_BYTES).c_str());
      return false;
    }
  }
  SongError error;
  if (!ReadSong(file, song, &error)) {
    std::fprintf(stderr, "velkari-mml: %s:%d: %s\n", QuotePath(path).c_str(), error.line,
                 error.message.c_str());
    return false;
  }
  return true;
}
