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
#include <string>
#include <vector>

#include "gfx/surface.h"

// Sizes beyond these are refused: no sheet of the game comes near them, and
// they keep a hostile file from asking for gigabytes.
constexpr int BMP_MAX_SIDE = 16384;
constexpr int64_t BMP_MAX_PIXELS = int64_t{1} << 24;
constexpr int64_t BMP_MAX_FILE_BYTES = int64_t{1} << 27;

// Why a file was refused, so that the one line the program writes about it
// can say so.
enum BmpFault : uint8_t {
  BMP_OK,
  BMP_NOT_FOUND,
  BMP_FOLDER,          // the path names a folder
  BMP_UNREADABLE,      // there, but it cannot be opened or read
  BMP_EMPTY,           // a file of no bytes
  BMP_FILE_TOO_LARGE,  // more than BMP_MAX_FILE_BYTES
  BMP_NOT_A_BITMAP,    // no "BM" at the start
  BMP_TRUNCATED,       // ends before the header, palette or pixels it announces
  BMP_BAD_HEADER,      // an unknown header size, planes other than 1, pixels inside the header
  BMP_SIZE_REFUSED,    // a width or height of 0 or less, or beyond the limits above
  BMP_DEPTH_REFUSED,   // bits per pixel the reader does not take
  BMP_COMPRESSION_REFUSED,
  BMP_BAD_MASKS,    // bit-field masks that are empty or not contiguous
  BMP_BAD_PALETTE,  // a palette larger than the depth allows, or a pixel beyond it
  BMP_OUT_OF_MEMORY,
  BMP_NOT_REGULAR,  // a FIFO, a device or a socket: never opened, so nothing blocks
};

struct BmpReason {
  BmpFault fault = BMP_OK;
  int64_t width = 0, height = 0;               // as the header claims (BMP_SIZE_REFUSED)
  uint32_t bitsPerPixel = 0, compression = 0;  // (BMP_DEPTH_REFUSED, BMP_COMPRESSION_REFUSED)
  uint64_t have = 0, need = 0;                 // bytes (BMP_TRUNCATED, BMP_FILE_TOO_LARGE)
};

// The reason in a few words, e.g. "truncated (100 of 3126 bytes)".
std::string DescribeBmpReason(const BmpReason& why);

// Decodes `size` bytes at `data`. True and `out` replaced on success; false
// with `out` unchanged for anything malformed, and the reason in *why when
// it is given.
bool DecodeBmp(const uint8_t* data, size_t size, Surface& out, BmpReason* why = nullptr);

// Reads a whole file (path in UTF-8) and decodes it. False when the file is missing, a
// folder or anything else but a regular file, cannot be read, is larger than BMP_MAX_FILE_BYTES, or
// does not decode; the reason in *why when it is given.
bool LoadBmpFile(const char* path, Surface& out, BmpReason* why = nullptr);

// Encodes a surface as an uncompressed 24-bit bottom-up BMP, the form the art
// build writes its sheets in and the tools write captured frames in. An
// invalid surface encodes to nothing and yields false.
bool EncodeBmp(const Surface& surface, std::vector<uint8_t>& out);
bool SaveBmpFile(const char* path, const Surface& surface);

// Encodes a surface of at most 256 colours as an uncompressed bottom-up BMP
// with a palette of exactly its colours, in the order they first appear: 4
// bits a pixel for up to 16 colours, 8 for more. It decodes to the same
// pixels as EncodeBmp's form in a third or less of the bytes. False, with
// `out` empty, for an invalid surface or one of more than 256 colours.
bool EncodePaletteBmp(const Surface& surface, std::vector<uint8_t>& out);
