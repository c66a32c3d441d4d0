// BMP reading: turns the bytes of a Windows bitmap file into a Surface of
// 0x00BBGGRR pixels. ImageStore::LoadSheet calls it once per sheet while the
// boot scene loads; the fuzzer and the tests call DecodeBmp directly.
//
// Read: 1, 4 and 8 bits per pixel with a palette, 16, 24 and 32 bits, rows
// bottom-up or top-down, uncompressed (BI_RGB) or with bit-field masks
// (BI_BITFIELDS, 16 and 32 bits). Everything else, and every file that is
// damaged or implausible, is refused and leaves the output untouched.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "gfx/surface.h"

// Sizes beyond these are refused: no sheet of the game comes near them, and
// they keep a hostile file from asking for gigabytes.
constexpr int BMP_MAX_SIDE = 16384;
constexpr int64_t BMP_MAX_PIXELS = int64_t{1} << 24;
constexpr int64_t BMP_MAX_FILE_BYTES = int64_t{1} << 27;

// Decodes `size` bytes at `data`. True and `out` replaced on success; false
// with `out` unchanged for anything malformed.
bool DecodeBmp(const uint8_t* data, size_t size, Surface& out);

// Reads a whole file (path in UTF-8) and decodes it. False when the file cannot be opened or
// read, is larger than BMP_MAX_FILE_BYTES, or does not decode.
bool LoadBmpFile(const char* path, Surface& out);

// Encodes a surface as an uncompressed 24-bit bottom-up BMP, the form the art
// build writes its sheets in and the tools write captured frames in. An
// invalid surface encodes to nothing and yields false.
bool EncodeBmp(const Surface& surface, std::vector<uint8_t>& out);
bool SaveBmpFile(const char* path, const Surface& surface);
