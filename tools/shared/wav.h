// The WAV files the tools write (velkari-mml render, velkari-replay --audio,
// the studio page's download):
// 44,100 Hz 16-bit stereo, a whole number of the mixer's buffers. Standard
// library only.
#pragma once

#include <cstdint>

constexpr int WAV_HEADER_SIZE = 44;
// About 57 minutes of sound: more is surely a mistake.
constexpr long MAX_RENDER_BUFFERS = 100000;

// The 44-byte header of a file with dataBytes bytes of samples.
void WriteWavHeader(uint8_t header[WAV_HEADER_SIZE], uint32_t dataBytes);

// A count of buffers as written (decimal digits only, at most
// MAX_RENDER_BUFFERS).
bool ParseBufferCount(const char* s, long* buffers);
// Seconds as written (decimal digits with at most one point), rounded up to
// whole buffers of 1500 frames, at most MAX_RENDER_BUFFERS.
bool ParseSeconds(const char* s, long* buffers);
