// velkari-mml's studio: the page's side in C++. The same MML compiler, song
// reader, lint and mixer as the tool and the game, driven by studio.js: each
// channel's text comes from a text area (its lines read as the channel's
// lines of a song file), Play starts the channels as the tool's render does
// and the page pulls one mixed buffer at a time, with the text position of
// the note each channel is playing; Download WAV renders the song the way
// `velkari-mml render --song` does. No main loop and no output stream: the
// page's audio callback is the clock.
#include <emscripten.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "cue_path.h"
#include "game/cues.h"
#include "lint.h"
#include "shared/wav.h"
#include "song.h"
#include "sound/channel_interface.h"
#include "sound/event_code.h"
#include "sound/mml_compiler.h"
#include "sound/sequencer.h"
#include "sound/sound_engine.h"

namespace {

// What the page holds for each channel.
struct StudioChannel {
  SongPart part;  // the text and where each byte stands in the text area
  int32_t eventPlaces[EVENT_CODE_SIZE / 2];
};

StudioChannel studioChannels[SONG_CHANNELS];
bool engineStarted = false;
uint8_t mixBuffer[WAVE_BUFFER_SIZE];
int32_t soundingPlaces[SONG_CHANNELS];  // text positions sounding at the last buffer's start
std::string reply;
uint8_t* wavBytes = nullptr;
int wavSize = 0;

void Json(std::string& out, const std::string& s) {
  out += '"';
  for (unsigned char b : s) {
    if (b == '"' || b == '\\') {
      out += '\\';
      out += static_cast<char>(b);
    } else if (b < 0x20) {
      char esc[8];
      std::snprintf(esc, sizeof esc, "\\u%04x", b);
      out += esc;
    } else {
      out += static_cast<char>(b);
    }
  }
  out += '"';
}

void StopEngine() {
  if (!engineStarted) return;
  releaseAllChannelText();
  stopSoundEngine();
  engineStarted = false;
}

void StartSong() {
  StopEngine();
  startSoundEngine();
  engineStarted = true;
  std::vector<Cue> cues;
  for (int ch = 0; ch < SONG_CHANNELS; ++ch)
    if (studioChannels[ch].part.present) cues.push_back({ch, studioChannels[ch].part.text});
  PlayCues(cues);  // each channel operation takes the engine's lock itself
}

}  // namespace

extern "C" {

// A song file's text: {"channels": [null or [line, ...] for channels 0 to
// 7]}, the lines as an editor shows them, or {"error": "LINE: message"}.
EMSCRIPTEN_KEEPALIVE const char* studio_read_song(const char* file) {
  Song song;
  SongError error;
  reply.clear();
  if (!ReadSong(file, &song, &error)) {
    reply = "{\"error\":";
    Json(reply, std::to_string(error.line) + ": " + error.message);
    reply += "}";
    return reply.c_str();
  }
  reply = "{\"channels\":[";
  for (int ch = 0; ch < SONG_CHANNELS; ++ch) {
    if (ch) reply += ",";
    if (!song.parts[ch].present) {
      reply += "null";
      continue;
    }
    reply += "[";
    for (size_t k = 0; k < song.parts[ch].lines.size(); ++k) {
      if (k) reply += ",";
      Json(reply, song.parts[ch].lines[k]);
    }
    reply += "]";
  }
  reply += "]}";
  return reply.c_str();
}

// A channel's text area: each of its lines is one line `CH: LINE` of the
// song. Returns {"lint": [[line, textAreaLine, column], ...]} (the lines
// of the Lint list, with the place of each in the text area, columns in
// bytes from 1) or {"error": message}.
EMSCRIPTEN_KEEPALIVE const char* studio_set_channel(int ch, const char* body) {
  reply.clear();
  if (ch < 0 || ch >= SONG_CHANNELS) return "{\"error\":\"no such channel\"}";
  StudioChannel& c = studioChannels[ch];
  c.part = SongPart{};
  std::string text(body);
  bool blank = true;
  for (char b : text)
    if (b != ' ' && b != '\t' && b != '\r' && b != '\n') blank = false;
  if (blank) return "{\"lint\":[]}";

  // The text area as song lines: "CH: " before each line, taken off the
  // columns again below.
  std::string file;
  const std::string prefix = std::to_string(ch) + ": ";
  size_t start = 0;
  for (;;) {
    const size_t end = text.find('\n', start);
    file += prefix;
    file.append(text, start, end == std::string::npos ? std::string::npos : end - start + 1);
    if (end == std::string::npos) break;
    start = end + 1;
  }
  Song song;
  SongError error;
  if (!ReadSong(file, &song, &error)) {
    reply = "{\"error\":";
    Json(reply, "line " + std::to_string(error.line) + " " + error.message);
    reply += "}";
    return reply.c_str();
  }
  c.part = std::move(song.parts[ch]);
  for (TextPlace& p : c.part.places) p.column -= static_cast<int>(prefix.size());

  static uint8_t code[EVENT_CODE_SIZE];
  code[0] = EV_STOP;
  for (int32_t& p : c.eventPlaces) p = -1;
  compileEventCode(code, c.part.text.c_str(), nullptr, c.eventPlaces);

  // Each finding where it stands in the text area, as velkari-mml lint
  // numbers a text: the byte position on a single line, LINE:COLUMN when the
  // text area spans lines. For a text typed on one line, without a comment
  // or blanks at its ends, these are lint's very lines.
  const bool spans = SpansLines(text);
  reply = "{\"lint\":[";
  if (!c.part.text.empty()) {
    bool first = true;
    for (const LintFinding& f : LintText(c.part.text)) {
      const TextPlace p = c.part.places[f.pos];
      if (!first) reply += ",";
      first = false;
      reply += "[";
      Json(reply, (spans ? std::to_string(p.line) + ":" + std::to_string(p.column)
                         : std::to_string(p.column - 1)) +
                      ": " + f.message);
      reply += "," + std::to_string(p.line) + "," + std::to_string(p.column) + "]";
    }
  }
  reply += "]}";
  return reply.c_str();
}

// Where byte `pos` of channel ch's text stands in its text area, as
// line * 65536 + column (both from 1), or 0.
EMSCRIPTEN_KEEPALIVE int studio_place(int ch, int pos) {
  if (ch < 0 || ch >= SONG_CHANNELS) return 0;
  const SongPart& part = studioChannels[ch].part;
  if (pos < 0 || pos >= static_cast<int>(part.places.size())) return 0;
  return part.places[pos].line * 65536 + part.places[pos].column;
}

// Starts every channel that has a text, from the engine's start state.
EMSCRIPTEN_KEEPALIVE void studio_play() {
  StartSong();
}

EMSCRIPTEN_KEEPALIVE void studio_stop() {
  StopEngine();
}

// Whether any channel still plays.
EMSCRIPTEN_KEEPALIVE int studio_playing() {
  if (!engineStarted) return 0;
  std::lock_guard<std::mutex> lock(soundEngineMutex());
  for (const SoundChannel& c : gSoundChannels)
    if (c.playing) return 1;
  return 0;
}

// The next 1500 frames (6000 bytes of 16-bit stereo), rendered by renderMix.
// Before it, notes the text position of the event each channel is playing
// (studio_now); -1 for a channel that is silent.
EMSCRIPTEN_KEEPALIVE const uint8_t* studio_render() {
  if (!engineStarted) {
    std::memset(mixBuffer, 0, sizeof mixBuffer);
    for (int32_t& n : soundingPlaces) n = -1;
    return mixBuffer;
  }
  std::lock_guard<std::mutex> lock(soundEngineMutex());
  for (int ch = 0; ch < SONG_CHANNELS; ++ch) {
    const SoundChannel& c = gSoundChannels[ch];
    // A playing channel has just read its note or rest: readPos is past it.
    const int event = (c.readPos - 2) / 2;
    soundingPlaces[ch] = c.playing && c.keyOn && event >= 0 && event < EVENT_CODE_SIZE / 2
                             ? studioChannels[ch].eventPlaces[event]
                             : -1;
  }
  renderMix(mixBuffer, WAVE_BUFFER_SIZE);
  return mixBuffer;
}

EMSCRIPTEN_KEEPALIVE const int32_t* studio_now() {
  return soundingPlaces;
}

// The song rendered for `seconds` (as velkari-mml render --seconds reads it)
// as a WAV file; its size in studio_wav_size. Stops what is playing. Returns
// null for a bad number or when the memory runs out.
EMSCRIPTEN_KEEPALIVE const uint8_t* studio_wav(const char* seconds) {
  std::free(wavBytes);
  wavBytes = nullptr;
  wavSize = 0;
  long buffers = 0;
  if (!ParseSeconds(seconds, &buffers)) return nullptr;
  const size_t bytes = WAV_HEADER_SIZE + static_cast<size_t>(buffers) * WAVE_BUFFER_SIZE;
  wavBytes = static_cast<uint8_t*>(std::malloc(bytes));
  if (!wavBytes) return nullptr;
  WriteWavHeader(wavBytes, static_cast<uint32_t>(buffers) * WAVE_BUFFER_SIZE);
  StartSong();
  {
    std::lock_guard<std::mutex> lock(soundEngineMutex());
    for (long b = 0; b < buffers; ++b)
      renderMix(wavBytes + WAV_HEADER_SIZE + b * WAVE_BUFFER_SIZE, WAVE_BUFFER_SIZE);
  }
  StopEngine();
  wavSize = static_cast<int>(bytes);
  return wavBytes;
}

EMSCRIPTEN_KEEPALIVE int studio_wav_size() {
  return wavSize;
}

// The game's cues, to start from: [[name, channel, text], ...].
EMSCRIPTEN_KEEPALIVE const char* studio_cues() {
  struct GameCue {
    const char* name;
    int channel;
    const char* text;
  };
  static const GameCue cues[] = {
      {"music", 0, CUE_MUSIC},
      {"pass", 6, CUE_PASS},
      {"destroy", 6, CUE_DESTROY},
      {"destroy nothing", 6, CUE_DESTROY_NOTHING},
      {"item", 7, CUE_ITEM},
      {"goal with items", 6, CUE_GOAL_WITH_ITEMS},
      {"perfect clear", 6, CUE_PERFECT_CLEAR},
      {"game over", 0, CUE_GAME_OVER},
  };
  reply = "[";
  for (const GameCue& c : cues) {
    if (reply.size() > 1) reply += ",";
    reply += "[";
    Json(reply, c.name);
    reply += "," + std::to_string(c.channel) + ",";
    Json(reply, c.text);
    reply += "]";
  }
  reply += "]";
  return reply.c_str();
}

}  // extern "C"
