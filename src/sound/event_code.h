// The sound event code: the compiled form of one channel's MML text, two bytes
// per event (code, operand) in the channel's 2048-byte eventCode buffer, ended
// by EV_END. Written by the MML compiler and the channel operations, read by
// the sequencer.
#pragma once

#include <cstdint>

// The engine's channels: 0 carries the music, 6 the results of actions, 7 the
// item cue; each has its own text, event code and sequencer.
constexpr int SOUND_CHANNELS = 8;

constexpr int EVENT_CODE_SIZE = 2048;

// Code bytes 0x01 to 0xE8 are notes (the code is the pitch number).
constexpr uint8_t EV_REST = 0x00;
constexpr uint8_t EV_NOTE_LAST = 0xE8;
constexpr uint8_t EV_TRANSPOSE = 0xE9;
constexpr uint8_t EV_VOLUME_STEP = 0xEA;
constexpr uint8_t EV_FILTER = 0xEB;
constexpr uint8_t EV_TEMPO_FRACTION = 0xEC;
constexpr uint8_t EV_PAN = 0xED;
constexpr uint8_t EV_VIBRATO_DELAY = 0xEE;
constexpr uint8_t EV_LOOP_BREAK = 0xEF;
constexpr uint8_t EV_LOOP_END = 0xF0;
constexpr uint8_t EV_LOOP_START = 0xF1;
constexpr uint8_t EV_VIBRATO_DEPTH = 0xF2;
constexpr uint8_t EV_SWEEP = 0xF3;
constexpr uint8_t EV_VOICE = 0xF4;
constexpr uint8_t EV_DETUNE = 0xF5;
constexpr uint8_t EV_LOOP_POINT = 0xF6;
constexpr uint8_t EV_TIE = 0xF7;
constexpr uint8_t EV_GATE = 0xF8;
constexpr uint8_t EV_SUSTAIN = 0xF9;
constexpr uint8_t EV_DECAY = 0xFA;
constexpr uint8_t EV_ATTACK = 0xFB;
constexpr uint8_t EV_VOLUME = 0xFC;
constexpr uint8_t EV_TEMPO = 0xFD;
constexpr uint8_t EV_STOP = 0xFE;
constexpr uint8_t EV_END = 0xFF;
