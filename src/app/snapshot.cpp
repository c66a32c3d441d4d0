// Snapshots: the whole running state as one block of bytes. Layout, all
// little-endian:
//   0  "VELKSNAP"         magic
//   8  u32                format version (SNAPSHOT_FORMAT)
//   12 u32                total length in bytes
//   16 char[16]           the game's version, NUL-padded
//   32 u64                checksum of every byte but these eight
//   40 the rooms' records, each behind a four-letter tag: SHEL (frames run,
//      frame clock, About box), GAME, INPT, SOND (channels, event code,
//      texts, noise register), STRM (queued buffers, held frames), PICT (the
//      back buffer, or the picture behind the open About box)
// A field added anywhere is a new format version.
#include <bit>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <type_traits>

#include "app/about_box.h"
#include "app/shell.h"
#include "app/shell_rooms.h"
#include "game/game_state.h"
#include "game/scene_state.h"
#include "game/scenes.h"
#include "generated/velkari_version.h"
#include "gfx/image_store.h"
#include "input/input_state.h"
#include "platform/platform.h"
#include "sound/sound_state.h"

namespace {

constexpr char SNAPSHOT_MAGIC[8] = {'V', 'E', 'L', 'K', 'S', 'N', 'A', 'P'};
constexpr uint32_t SNAPSHOT_FORMAT = 1;
constexpr char GAME_VERSION[] = VELKARI_VERSION;
constexpr size_t HEADER_SIZE = 40;
constexpr size_t CHECKSUM_AT = 32;
constexpr int PIXELS = platform::CLIENT_WIDTH * platform::CLIENT_HEIGHT;
// The most a clock may be behind in a snapshot: the frames that waited behind
// the About box for a minute run back to back in a fraction of a second. A
// snapshot saved after the box was open longer keeps only that minute.
constexpr uint32_t CLOCK_BEHIND_MAX_MS = 60000;

// Everything a snapshot holds but the picture, in the rooms' own records.
struct Staged {
  uint64_t framesRun;
  bool clockStarted;
  uint32_t clockBehind;  // ms from the clock's last due frame to the window's now
  bool aboutOpen;
  GameState game;
  PlayerState player;
  Board board;
  uint32_t scene;
  bool sceneEntered;
  uint32_t dirBits, joyDirBits;
  uint8_t keys[256];
  uint32_t joyResult;
  JoyInfoEx joyInfo;
  uint32_t dir, buttons, prevButtons, polls;
  InputState::Carried carried;
  SoundRoomState sound;
};

// Writes or reads the fields in one order, so the two can never disagree.
struct Writer {
  uint8_t* p;
  void Raw(const void* data, size_t n) {
    std::memcpy(p, data, n);
    p += n;
  }
  void U8(const uint8_t& v) { *p++ = v; }
  void U16(const uint16_t& v) {
    U8(static_cast<uint8_t>(v));
    U8(static_cast<uint8_t>(v >> 8));
  }
  void U32(const uint32_t& v) {
    for (int k = 0; k < 4; ++k) *p++ = static_cast<uint8_t>(v >> (8 * k));
  }
  void U64(const uint64_t& v) {
    for (int k = 0; k < 8; ++k) *p++ = static_cast<uint8_t>(v >> (8 * k));
  }
  void I8(const int8_t& v) { U8(static_cast<uint8_t>(v)); }
  void I16(const int16_t& v) { U16(static_cast<uint16_t>(v)); }
  void I32(const int32_t& v) { U32(static_cast<uint32_t>(v)); }
  void F64(const double& v, const char*) {
    uint64_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    U64(bits);
  }
  void Flag(const bool& v, const char*) { U8(v ? 1 : 0); }
  void Flag8(const uint8_t& v, const char*) { U8(v); }
  void Tag(const char* tag) { Raw(tag, 4); }
  void Channel(int) {}
  // Arrays of numbers: one copy where the machine's own order is the
  // snapshot's.
  template <class T>
  void Array(const T* values, size_t n) {
    if constexpr (std::endian::native == std::endian::little) {
      Raw(values, n * sizeof(T));
    } else {
      for (size_t i = 0; i < n; ++i) {
        using U = std::make_unsigned_t<T>;
        const U v = static_cast<U>(values[i]);
        for (size_t k = 0; k < sizeof(T); ++k) *p++ = static_cast<uint8_t>(v >> (8 * k));
      }
    }
  }
};

struct Reader {
  const uint8_t* p;
  bool failed = false;
  int channel = -1;       // the channel whose fields are being read, or -1
  char detail[120] = {};  // the first field found wrong
  template <class... Args>
  void Fail(const char* format, Args... args) {
    if (failed) return;
    failed = true;
    std::snprintf(detail, sizeof detail, format, args...);
  }
  void Raw(void* data, size_t n) {
    std::memcpy(data, p, n);
    p += n;
  }
  void U8(uint8_t& v) { v = *p++; }
  void U16(uint16_t& v) {
    v = static_cast<uint16_t>(p[0] | (p[1] << 8));
    p += 2;
  }
  void U32(uint32_t& v) {
    v = 0;
    for (int k = 0; k < 4; ++k) v |= static_cast<uint32_t>(*p++) << (8 * k);
  }
  void U64(uint64_t& v) {
    v = 0;
    for (int k = 0; k < 8; ++k) v |= static_cast<uint64_t>(*p++) << (8 * k);
  }
  void I8(int8_t& v) { v = static_cast<int8_t>(*p++); }
  void I16(int16_t& v) {
    uint16_t u;
    U16(u);
    v = static_cast<int16_t>(u);
  }
  void I32(int32_t& v) {
    uint32_t u;
    U32(u);
    v = static_cast<int32_t>(u);
  }
  void F64(double& v, const char* name) {
    uint64_t bits;
    U64(bits);
    std::memcpy(&v, &bits, sizeof v);
    if (!std::isfinite(v)) Fail("channel %d: %s is not a finite number", channel, name);
  }
  void Flag(bool& v, const char* name) {
    const uint8_t b = *p++;
    if (b > 1) Fail("flag %s is %d, not 0 or 1", name, b);
    v = b == 1;
  }
  void Flag8(uint8_t& v, const char* name) {
    v = *p++;
    if (v > 1) Fail("channel %d: flag %s is %d, not 0 or 1", channel, name, v);
  }
  void Tag(const char* tag) {
    if (std::memcmp(p, tag, 4) != 0) Fail("the %.4s record is not where it belongs", tag);
    p += 4;
  }
  void Channel(int ch) { channel = ch; }
  template <class T>
  void Array(T* values, size_t n) {
    if constexpr (std::endian::native == std::endian::little) {
      Raw(values, n * sizeof(T));
    } else {
      for (size_t i = 0; i < n; ++i) {
        using U = std::make_unsigned_t<T>;
        U v = 0;
        for (size_t k = 0; k < sizeof(T); ++k) v = static_cast<U>(v | (U{*p++} << (8 * k)));
        values[i] = static_cast<T>(v);
      }
    }
  }
};

template <class IO, class C>
void ChannelFields(IO& io, C& c) {
  io.U8(c.voice);
  io.U8(c.transpose);
  io.I32(c.tempo);
  io.F64(c.attackRate, "attackRate");
  io.F64(c.decayRate, "decayRate");
  io.F64(c.sustainLevel, "sustainLevel");
  io.Flag8(c.envelopeRestart, "envelopeRestart");
  io.F64(c.envelopeLevel, "envelopeLevel");
  io.I8(c.envelopePhase);
  io.Flag8(c.keyOn, "keyOn");
  io.Flag8(c.playing, "playing");
  io.U32(c.noteCount);
  io.F64(c.waitSamples, "waitSamples");
  io.Flag8(c.tieFlag, "tieFlag");
  io.F64(c.gateSamples, "gateSamples");
  io.I8(c.gate);
  io.I8(c.detune);
  io.I8(c.volume);
  io.I32(c.readPos);
  io.I32(c.loopPoint);
  for (int d = 0; d < 6; ++d) {
    io.I32(c.loopStart[d]);
    io.I32(c.loopEnd[d]);
    io.U8(c.loopCount[d]);
    io.I32(c.loopPass[d]);
  }
  io.I32(c.loopDepth);
  io.U32(c.vibratoWait);
  io.U32(c.vibratoDelay);
  io.Flag8(c.textHeld, "textHeld");
  io.F64(c.phase, "phase");
  io.F64(c.noteFrequency, "noteFrequency");
  io.F64(c.frequency, "frequency");
  io.F64(c.sweepRate, "sweepRate");
  io.F64(c.sweepOffset, "sweepOffset");
  io.F64(c.vibratoDepth, "vibratoDepth");
  io.F64(c.vibratoStep, "vibratoStep");
  io.F64(c.vibratoOffset, "vibratoOffset");
  io.I32(c.vibratoCountdown);
  io.F64(c.noisePhase, "noisePhase");
  io.I16(c.noiseOutput);
  io.F64(c.filterLeft, "filterLeft");
  io.F64(c.filterRight, "filterRight");
  io.U8(c.pan);
  io.F64(c.filterCoefficient, "filterCoefficient");
}

template <class IO, class S>
void Body(IO& io, S& s) {
  io.Tag("SHEL");
  io.U64(s.framesRun);
  io.Flag(s.clockStarted, "clockStarted");
  io.U32(s.clockBehind);
  io.Flag(s.aboutOpen, "aboutOpen");
  io.Tag("GAME");
  io.I32(s.game.stage);
  io.I32(s.game.score);
  io.I32(s.game.hiScore);
  io.I32(s.game.timeLeft);
  io.I32(s.game.timeBonus);
  io.I32(s.game.perfectClears);
  io.I32(s.game.itemsLeft);
  io.I32(s.game.timeFrames);
  io.I32(s.player.playerX);
  io.I32(s.player.playerY);
  io.I32(s.player.moveDX);
  io.I32(s.player.moveDY);
  io.I32(s.player.slideX);
  io.I32(s.player.slideY);
  io.I32(s.player.slideStep);
  io.Flag(s.player.moving, "moving");
  io.Flag(s.player.carryingBlock, "carryingBlock");
  io.I32(s.player.animFrame);
  io.I32(s.player.animCounter);
  for (int32_t& cell : s.board.cells) io.I32(cell);
  io.U32(s.scene);
  io.Flag(s.sceneEntered, "sceneEntered");
  io.Tag("INPT");
  io.U32(s.dirBits);
  io.U32(s.joyDirBits);
  io.Raw(s.keys, sizeof s.keys);
  io.U32(s.joyResult);
  uint32_t* joy = &s.joyInfo.dwSize;
  for (int k = 0; k < 13; ++k) io.U32(joy[k]);
  io.U32(s.dir);
  io.U32(s.buttons);
  io.U32(s.prevButtons);
  io.U32(s.polls);
  io.U32(s.carried.joyButtons);
  io.Raw(s.carried.ignored, sizeof s.carried.ignored);
  io.Flag(s.carried.ignoring, "ignoring");
  io.Tag("SOND");
  for (int ch = 0; ch < SOUND_CHANNELS; ++ch) {
    io.Channel(ch);
    ChannelFields(io, s.sound.channels[ch]);
    io.Raw(s.sound.eventCode[ch], EVENT_CODE_SIZE);
    io.I32(s.sound.textLength[ch]);
    io.Raw(s.sound.text[ch], SOUND_TEXT_MAX);
  }
  io.Channel(-1);
  io.U16(s.sound.noiseRegister);
  io.U8(s.sound.noiseMode);
  io.Tag("STRM");
  io.Raw(s.sound.queued, sizeof s.sound.queued);
  io.U32(s.sound.heldFrames);
  io.Array(s.sound.held, 2 * WAVE_HELD_FRAMES_MAX);
  io.Tag("PICT");
}

// Counts the bytes instead of moving them.
struct Counter {
  size_t n = 0;
  void Raw(const void*, size_t k) { n += k; }
  void U8(const uint8_t&) { n += 1; }
  void U16(const uint16_t&) { n += 2; }
  void U32(const uint32_t&) { n += 4; }
  void U64(const uint64_t&) { n += 8; }
  void I8(const int8_t&) { n += 1; }
  void I16(const int16_t&) { n += 2; }
  void I32(const int32_t&) { n += 4; }
  void F64(const double&, const char*) { n += 8; }
  void Flag(const bool&, const char*) { n += 1; }
  void Flag8(const uint8_t&, const char*) { n += 1; }
  void Tag(const char*) { n += 4; }
  void Channel(int) {}
  template <class T>
  void Array(const T*, size_t k) {
    n += k * sizeof(T);
  }
};

Staged saving;
Staged loading;
uint32_t loadingPixels[PIXELS];

size_t MeasureSnapshot() {
  Counter counter;
  Body(counter, saving);
  return HEADER_SIZE + counter.n + sizeof(uint32_t) * PIXELS;
}

uint64_t Rotate(uint64_t x, int k) {
  return (x << k) | (x >> (64 - k));
}

// A 64-bit checksum over four lanes of eight-byte words, quick enough to run
// over the whole snapshot every frame (a frontend's rewind does).
uint64_t Checksum(const uint8_t* data, size_t size) {
  constexpr uint64_t P1 = 0x9E3779B185EBCA87ull, P2 = 0xC2B2AE3D27D4EB4Full;
  uint64_t lane[4] = {P1 + P2, P2, 0, 0 - P1};
  auto word = [](const uint8_t* q) {
    uint64_t v = 0;
    if constexpr (std::endian::native == std::endian::little) {
      std::memcpy(&v, q, sizeof v);
    } else {
      for (int k = 0; k < 8; ++k) v |= static_cast<uint64_t>(q[k]) << (8 * k);
    }
    return v;
  };
  size_t i = 0;
  for (; i + 32 <= size; i += 32) {
    for (int k = 0; k < 4; ++k) lane[k] = Rotate(lane[k] + word(data + i + 8 * k) * P2, 31) * P1;
  }
  uint64_t h = Rotate(lane[0], 1) + Rotate(lane[1], 7) + Rotate(lane[2], 12) + Rotate(lane[3], 18);
  for (; i < size; ++i) h = Rotate(h ^ (data[i] * P1), 11) * P2;
  h ^= size;
  h ^= h >> 33;
  h *= P2;
  h ^= h >> 29;
  return h;
}

uint64_t SnapshotChecksum(const uint8_t* data, size_t size) {
  // Every byte but the checksum's own eight: the header before it, then the
  // rest, each summed on its own and joined.
  return Checksum(data, CHECKSUM_AT) * 31 + Checksum(data + HEADER_SIZE, size - HEADER_SIZE);
}

const Surface& SnapshotPicture() {
  const Surface* behind = AboutBoxBehind();
  return behind ? *behind : static_cast<const ImageStore&>(gImageStore).GetDrawDC();
}

void Gather(Staged& s, platform::Window* window) {
  s.framesRun = FramesRun();
  const FrameClock& clock = ShellFrameClock();
  s.clockStarted = clock.started;
  s.clockBehind = clock.started && window ? window->TickCount() - clock.nextFrameTime : 0;
  if (s.clockBehind > CLOCK_BEHIND_MAX_MS) s.clockBehind = CLOCK_BEHIND_MAX_MS;
  s.aboutOpen = AboutBoxOpen();
  s.game = gGame;
  s.player = gPlayer;
  s.board = gBoard;
  s.scene = Scene;
  s.sceneEntered = sceneEntered;
  s.dirBits = gInputState.dirBits;
  s.joyDirBits = gInputState.joyDirBits;
  std::memcpy(s.keys, gInputState.keys, sizeof s.keys);
  s.joyResult = gInputState.joyResult;
  s.joyInfo = gInputState.joyInfo;
  s.dir = gInputState.dir;
  s.buttons = gInputState.buttons;
  s.prevButtons = gInputState.prevButtons;
  s.polls = gInputState.polls;
  s.carried = gInputState.SaveCarried();
}

bool EvenPlace(int32_t at) {
  return at >= 0 && at <= EVENT_CODE_SIZE - 2 && at % 2 == 0;
}

// The fields whose values the engine and the rules never make, each a reason.
void Check(Reader& r, const Staged& s, const uint32_t* pixels) {
  if (s.clockBehind > CLOCK_BEHIND_MAX_MS || (!s.clockStarted && s.clockBehind != 0))
    r.Fail("the frame clock is %u ms behind, more than it can be", s.clockBehind);
  constexpr uint32_t SCENES[] = {SCENE_BOOT, SCENE_TITLE,     SCENE_NEW_GAME, SCENE_STAGE_SETUP,
                                 SCENE_PLAY, SCENE_GAME_OVER, SCENE_PAUSE};
  bool known = false;
  for (uint32_t scene : SCENES) known = known || s.scene == scene;
  if (!known) r.Fail("scene %u is no scene", s.scene);
  for (int i = 0; i < BOARD_SIZE * BOARD_SIZE; ++i) {
    if (s.board.cells[i] < CELL_EMPTY || s.board.cells[i] > CELL_GOAL)
      r.Fail("cell (%d,%d) holds code %d, not 0 to 5", i / BOARD_SIZE, i % BOARD_SIZE,
             s.board.cells[i]);
  }
  const PlayerState& p = s.player;
  if (!Board::Inside(p.playerX, p.playerY))
    r.Fail("the player stands at (%d,%d), outside the board", p.playerX, p.playerY);
  if (p.moveDX < -1 || p.moveDX > 1 || p.moveDY < -1 || p.moveDY > 1 || p.slideStep < 0 ||
      p.slideStep > 15 || p.slideX < -32 || p.slideX > 32 || p.slideY < -32 || p.slideY > 32)
    r.Fail("the player's move (%d,%d), step %d, slide (%d,%d) is none the rules make", p.moveDX,
           p.moveDY, p.slideStep, p.slideX, p.slideY);
  if (p.animFrame < 0 || p.animFrame > 1 || p.animCounter < 0 || p.animCounter > 14)
    r.Fail("the player's animation frame %d, counter %d is out of its range", p.animFrame,
           p.animCounter);
  if (s.game.itemsLeft < 0 || s.game.itemsLeft > BOARD_SIZE * BOARD_SIZE || s.game.stage < 0 ||
      s.game.timeFrames < 0 || s.game.timeFrames > 59)
    r.Fail("stage %d, items left %d, time frames %d: out of their range", s.game.stage,
           s.game.itemsLeft, s.game.timeFrames);
  constexpr uint32_t ALL_BUTTONS = BUTTON_A | BUTTON_X | BUTTON_PAUSE;
  constexpr uint32_t ALL_DIRS = DIR_LEFT | DIR_RIGHT | DIR_UP | DIR_DOWN;
  if (s.dir > 8 || (s.buttons & ~ALL_BUTTONS) || (s.prevButtons & ~ALL_BUTTONS) ||
      (s.dirBits & ~ALL_DIRS) || (s.joyDirBits & ~ALL_DIRS))
    r.Fail("the input state holds direction %u, buttons 0x%x, none it makes", s.dir, s.buttons);
  for (int ch = 0; ch < SOUND_CHANNELS; ++ch) {
    const SoundChannel& c = s.sound.channels[ch];
    const int32_t places[] = {c.readPos,      c.loopPoint,    c.loopStart[0], c.loopStart[1],
                              c.loopStart[2], c.loopStart[3], c.loopStart[4], c.loopStart[5],
                              c.loopEnd[0],   c.loopEnd[1],   c.loopEnd[2],   c.loopEnd[3],
                              c.loopEnd[4],   c.loopEnd[5]};
    for (int32_t at : places) {
      if (!EvenPlace(at))
        r.Fail("channel %d: event-code position %d is odd or outside its buffer", ch, at);
    }
    if (c.loopDepth < 0 || c.loopDepth > 5)
      r.Fail("channel %d: loop depth %d is past 5", ch, c.loopDepth);
    if (c.envelopePhase < ENV_ATTACK || c.envelopePhase > ENV_SUSTAIN)
      r.Fail("channel %d: envelope phase %d is none", ch, c.envelopePhase);
    if (!(c.phase >= 0.0 && c.phase <= 44100.0) ||
        !(c.noisePhase >= 0.0 && c.noisePhase <= 44100.0))
      r.Fail("channel %d: a wave phase is outside one cycle", ch);
    const int32_t length = s.sound.textLength[ch];
    if (length < -1 || length > SOUND_TEXT_MAX)
      r.Fail("channel %d: a text of %d bytes is longer than its buffer", ch, length);
    else if ((length >= 0) != (c.textHeld == 1) ||
             (length > 0 && std::memchr(s.sound.text[ch], 0, static_cast<size_t>(length))))
      r.Fail("channel %d: its text does not match its held flag", ch);
  }
  if (s.sound.noiseRegister > 0x7FFF || s.sound.noiseMode > 1)
    r.Fail("the noise register 0x%x, mode %d is out of its range", s.sound.noiseRegister,
           s.sound.noiseMode);
  if (s.sound.heldFrames > WAVE_HELD_FRAMES_MAX)
    r.Fail("the device holds %u frames, more than it may", s.sound.heldFrames);
  uint32_t high = 0;
  for (int i = 0; i < PIXELS; ++i) high |= pixels[i];
  for (int i = 0; high > 0x00FFFFFFu && i < PIXELS; ++i) {
    if (pixels[i] > 0x00FFFFFFu) {
      r.Fail("pixel (%d,%d) holds 0x%08x, no colour", i % platform::CLIENT_WIDTH,
             i / platform::CLIENT_WIDTH, pixels[i]);
      break;
    }
  }
}

void Refuse(std::string* reason, const std::string& why) {
  if (reason) *reason = why;
}

}  // namespace

const size_t SNAPSHOT_SIZE = MeasureSnapshot();

bool SaveSnapshot(uint8_t* out, size_t size) {
  if (!out || size < SNAPSHOT_SIZE) return false;
  const Surface& picture = SnapshotPicture();
  if (picture.Width() != platform::CLIENT_WIDTH || picture.Height() != platform::CLIENT_HEIGHT)
    return false;
  if (!saveSoundState(&saving.sound)) return false;
  Gather(saving, ShellWindow());
  Writer w{out};
  w.Raw(SNAPSHOT_MAGIC, sizeof SNAPSHOT_MAGIC);
  w.U32(SNAPSHOT_FORMAT);
  w.U32(static_cast<uint32_t>(SNAPSHOT_SIZE));
  char version[16] = {};
  std::memcpy(version, GAME_VERSION, sizeof GAME_VERSION);
  w.Raw(version, sizeof version);
  w.U64(0);
  Body(w, saving);
  w.Array(picture.Pixels(), PIXELS);
  if (static_cast<size_t>(w.p - out) != SNAPSHOT_SIZE) return false;
  SealSnapshot(out, SNAPSHOT_SIZE);
  return true;
}

void SealSnapshot(uint8_t* data, size_t size) {
  if (!data || size < HEADER_SIZE) return;
  Writer sum{data + CHECKSUM_AT};
  sum.U64(SnapshotChecksum(data, size));
}

bool LoadSnapshot(const uint8_t* data, size_t size, std::string* reason) {
  if (!data || size < HEADER_SIZE)
    return Refuse(reason, "too short for a snapshot (" + std::to_string(size) + " bytes)"), false;
  if (std::memcmp(data, SNAPSHOT_MAGIC, sizeof SNAPSHOT_MAGIC) != 0)
    return Refuse(reason, "not a velkari snapshot"), false;
  Reader r{data + sizeof SNAPSHOT_MAGIC};
  uint32_t format = 0, length = 0;
  r.U32(format);
  r.U32(length);
  char version[17] = {};
  r.Raw(version, 16);
  for (char& ch : version) {
    if (static_cast<unsigned char>(ch) < 0x20 || static_cast<unsigned char>(ch) > 0x7E) ch = '\0';
  }
  if (format != SNAPSHOT_FORMAT)
    return Refuse(reason, "a snapshot of format " + std::to_string(format) + ", not this build's " +
                              std::to_string(SNAPSHOT_FORMAT)),
           false;
  if (std::strcmp(version, GAME_VERSION) != 0)
    return Refuse(reason, std::string("saved by velkari ") + version + ", not by this version (" +
                              GAME_VERSION + ")"),
           false;
  if (length != size || size != SNAPSHOT_SIZE)
    return Refuse(reason, "the snapshot is " + std::to_string(size) + " bytes, its header says " +
                              std::to_string(length) + " and this build's are " +
                              std::to_string(SNAPSHOT_SIZE)),
           false;
  uint64_t stored = 0;
  r.U64(stored);
  if (stored != SnapshotChecksum(data, size))
    return Refuse(reason, "the snapshot is damaged (its checksum does not match)"), false;
  Body(r, loading);
  r.Array(loadingPixels, PIXELS);
  if (!r.failed) Check(r, loading, loadingPixels);
  if (r.failed)
    return Refuse(reason, std::string("the snapshot holds a value no game makes: ") + r.detail),
           false;
  const Surface& back = static_cast<const ImageStore&>(gImageStore).GetDrawDC();
  if (back.Width() != platform::CLIENT_WIDTH || back.Height() != platform::CLIENT_HEIGHT)
    return Refuse(reason, "there is no window to load the snapshot into"), false;

  // Every field is sound: the program becomes the snapshot's.
  EnsurePicturesLoaded();
  platform::Window* window = ShellWindow();
  FrameClock& clock = ShellFrameClock();
  clock.started = loading.clockStarted;
  clock.nextFrameTime = window ? window->TickCount() - loading.clockBehind : 0;
  SetFramesRun(loading.framesRun);
  gGame = loading.game;
  gPlayer = loading.player;
  gBoard = loading.board;
  Scene = loading.scene;
  sceneEntered = loading.sceneEntered;
  gInputState.dirBits = loading.dirBits;
  gInputState.joyDirBits = loading.joyDirBits;
  std::memcpy(gInputState.keys, loading.keys, sizeof loading.keys);
  gInputState.joyResult = loading.joyResult;
  gInputState.joyInfo = loading.joyInfo;
  gInputState.dir = loading.dir;
  gInputState.buttons = loading.buttons;
  gInputState.prevButtons = loading.prevButtons;
  gInputState.polls = loading.polls;
  gInputState.LoadCarried(loading.carried);
  loadSoundState(loading.sound);
  ForgetAboutBox();
  Surface& picture = gImageStore.GetDrawDC();
  std::memcpy(picture.Pixels(), loadingPixels, sizeof loadingPixels);
  // The window shows the snapshot's picture at once; an open box is drawn
  // again over the picture behind it.
  if (loading.aboutOpen) {
    OpenAboutBox();
  } else {
    gImageStore.Present();
  }
  return true;
}
