// velkari-mml's --song FILE: the file read whole and handed to the song
// reader, with its complaints on standard error.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "cue_path.h"
#include "gfx/utf8_path.h"

bool LoadSong(const char* path, Song* song) {
  std::string file;
  if (std::strcmp(path, "-") == 0) {
    // Zero bytes are kept: the song reader reports them with their line.
    if (StandardInputTaken()) {
      std::fprintf(stderr, "velkari-mml: -: standard input can be read only once\n");
      return false;
    }
    char chunk[4096];
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, stdin)) > 0) file.append(chunk, got);
    if (std::ferror(stdin)) {
      std::fprintf(stderr, "velkari-mml: -: cannot read standard input\n");
      return false;
    }
  } else {
    std::error_code ec;
    std::ifstream f(Utf8Path(path), std::ios::binary);
    if (!f || std::filesystem::is_directory(Utf8Path(path), ec)) {
      std::fprintf(stderr, "velkari-mml: %s: cannot read the song file\n", path);
      return false;
    }
    std::ostringstream all;
    all << f.rdbuf();
    file = all.str();
  }
  SongError error;
  if (!ReadSong(file, song, &error)) {
    std::fprintf(stderr, "velkari-mml: %s:%d: %s\n", path, error.line, error.message.c_str());
    return false;
  }
  return true;
}
