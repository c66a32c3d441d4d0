// A PNG writer for the installed icons: 8-bit RGB, no filter, the image data
// kept in stored (uncompressed) deflate blocks, so that no zlib is needed.
#pragma once

#include "gfx/surface.h"

// Writes `picture` to `path`, each of its pixels as a scale x scale square
// (nearest neighbour: no colour is mixed). False when the file cannot be
// written or the picture is empty.
bool SavePngFile(const char* path, const Surface& picture, int scale);
