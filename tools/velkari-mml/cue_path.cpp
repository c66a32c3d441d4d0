#include "cue_path.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "diag/quote.h"
#include "sound/channel_interface.h"

namespace {
bool stdinTaken = false;
}

bool StandardInputTaken() {
  const bool was = stdinTaken;
  stdinTaken = true;
  return was;
}

StdinRead ReadStandardInputCapped(std::string* text) {
  text->clear();
  char chunk[4096];
  size_t got;
  while ((got = std::fread(chunk, 1, sizeof chunk, stdin)) > 0) {
    if (text->size() + got > MAX_SONG_BYTES) {
      text->clear();
      text->shrink_to_fit();
      return StdinRead::TOO_LARGE;
    }
    text->append(chunk, got);
  }
  return std::ferror(stdin) ? StdinRead::FAILED : StdinRead::OK;
}

bool ReadStandardInput(std::string* text, std::string* error) {
  if (stdinTaken) {
    *error = "standard input can be read only once";
    return false;
  }
  stdinTaken = true;
  switch (ReadStandardInputCapped(text)) {
    case StdinRead::OK:
      break;
    case StdinRead::TOO_LARGE:
      *error = "standard input holds more than " + std::to_string(MAX_SONG_BYTES) +
               " bytes (the most a TEXT may)";
      return false;
    case StdinRead::FAILED:
      *error = "cannot read standard input";
      return false;
  }
  // The engine's texts are zero-terminated: a zero byte ends the text.
  const size_t zero = text->find('\0');
  if (zero != std::string::npos) text->resize(zero);
  return true;
}

bool TakeText(int argc, char** argv, int* i, std::string* text, std::string* error) {
  int k = *i;
  if (k < argc && std::strcmp(argv[k], "--") == 0) ++k;
  if (k >= argc) {
    *error = "missing TEXT";
    return false;
  }
  if (std::strcmp(argv[k], "-") == 0) {
    if (!ReadStandardInput(text, error)) return false;
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
    *error = "--cue channel must be 0 to 7, not '" + QuoteForMessage(ch) + "'";
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
