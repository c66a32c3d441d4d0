#include "cue_path.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "sound/channel_interface.h"

namespace {
bool stdinTaken = false;
}

bool StandardInputTaken() {
  const bool was = stdinTaken;
  stdinTaken = true;
  return was;
}

bool ReadStandardInput(std::string* text) {
  if (stdinTaken) return false;
  stdinTaken = true;
  text->clear();
  char chunk[4096];
  size_t got;
  while ((got = std::fread(chunk, 1, sizeof chunk, stdin)) > 0) text->append(chunk, got);
  // The engine's texts are zero-terminated: a zero byte ends the text.
  const size_t zero = text->find('\0');
  if (zero != std::string::npos) text->resize(zero);
  return !std::ferror(stdin);
}

bool TakeText(int argc, char** argv, int* i, std::string* text, std::string* error) {
  int k = *i;
  if (k < argc && std::strcmp(argv[k], "--") == 0) ++k;
  if (k >= argc) {
    *error = "missing TEXT";
    return false;
  }
  if (std::strcmp(argv[k], "-") == 0) {
    if (!ReadStandardInput(text)) {
      *error = "standard input can be read only once";
      return false;
    }
  } else {
    *text = argv[k];
  }
  *i = k;
  return true;
}

bool TakeCue(int argc, char** argv, int* i, Cue* cue, std::string* error) {
  int k = *i + 1;
  if (k >= argc) {
    *error = "--cue needs a channel and a text";
    return false;
  }
  const char* ch = argv[k];
  if (std::strlen(ch) != 1 || ch[0] < '0' || ch[0] > '7') {
    *error = std::string("--cue channel must be 0 to 7, not '") + ch + "'";
    return false;
  }
  cue->channel = ch[0] - '0';
  ++k;
  if (!TakeText(argc, argv, &k, &cue->text, error)) {
    *error = "--cue " + std::string(ch) + ": " + *error;
    return false;
  }
  *i = k;
  return true;
}

std::vector<Cue> SongCues(const Song& song) {
  std::vector<Cue> cues;
  for (int ch = 0; ch < SONG_CHANNELS; ++ch)
    if (song.parts[ch].present) cues.push_back({ch, song.parts[ch].text});
  return cues;
}

void PlayCues(const std::vector<Cue>& cues) {
  clearAllChannelText();
  for (const Cue& cue : cues) {
    playChannelCue(cue.channel, cue.text.c_str());
  }
}
